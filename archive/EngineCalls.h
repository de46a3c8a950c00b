// What the two call-back modules share: binding engine entry points, handing
// texts to an engine, the message-length window of the print and service
// routines, the password answer and the separator replacement routine.
#pragma once

#include "archive/ArchiveError.h"
#include "platform/os/DynamicLibrary.h"

#include <cstdint>
#include <string>
#include <vector>

// The entry point pName of tLibrary, loading the library on first use. A library
// that cannot be loaded or lacks the entry point raises the matching error.
template <typename Proc> Proc BindEntryPoint(DynamicLibrary &tLibrary, const char *pName) {
    if (!tLibrary.Load())
        throw ArchiveError::LibraryError(tLibrary.FileName());
    void *pAddress = tLibrary.EntryPoint(pName);
    if (pAddress == nullptr)
        throw ArchiveError::EntryPointError(pName, tLibrary.FileName());
    return reinterpret_cast<Proc>(pAddress);
}

// Asks an engine's byte-progress entry point (null: the engine has none, or no call
// has bound it yet): with both pointers null it sets the counts back to 0. False
// when there is no entry point to ask.
bool AskByteProgress(void (*pProgress)(std::uint64_t *, std::uint64_t *), std::uint64_t *pDone,
                     std::uint64_t *pTotal);

// A zero-terminated copy of sText that the engine may read (and write) during a call.
std::vector<char> EngineText(const std::string &sText);

// The text in an engine buffer up to its first zero byte.
std::string TextFrom(const std::vector<char> &vText);

std::string TrimSpaces(const std::string &sText);

// Print and service routines act only on counts from 2 to 31999 bytes.
bool IsEngineMessageCount(std::uint32_t lCount);

// The password routine of both modules. bDeclined is the module's declined flag;
// fnRequest raises the owner's PasswordRequest (sPassword, bCancel). Returns 0 when
// a password was written into the engine's buffer, 1 when none is given.
template <typename Request>
std::int32_t AnswerPasswordRequest(char *pBuffer, std::int32_t lSize, bool &bDeclined,
                                   Request fnRequest);

// Replaces every cFind in sText that does not stand at its first character by
// cReplace; returns the 1-based position just after the last one replaced, or 1
// when none was.
std::int32_t ReplaceCharAfterFirst(std::string &sText, char cFind, char cReplace);

// Writes at most 254 bytes of sPassword to pBuffer, never past lSize - 1 bytes, and
// ends it with a zero byte.
void WriteEnginePassword(char *pBuffer, std::int32_t lSize, const std::string &sPassword);

template <typename Request>
std::int32_t AnswerPasswordRequest(char *pBuffer, std::int32_t lSize, bool &bDeclined,
                                   Request fnRequest) {
    try {
        if (bDeclined)
            return 1;
        // Nowhere to put a password: the request cannot be answered.
        if (pBuffer == nullptr || lSize < 1)
            return 1;

        std::string sPassword;
        bool bCancel = false;
        try {
            fnRequest(sPassword, bCancel);
        } catch (...) {
            sPassword.clear();
            bCancel = true;
        }
        sPassword = TrimSpaces(sPassword);
        if (sPassword.empty() || bCancel) {
            bDeclined = true;
            return 1;
        }
        WriteEnginePassword(pBuffer, lSize, sPassword);
        return 0;
    } catch (...) {
        bDeclined = true;
        return 1;
    }
}

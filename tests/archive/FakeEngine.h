// A stand-in for the engine libraries that the component tests load in place of
// libpakreader.so and libpakwriter.so. It records everything the components hand
// it and makes the call-backs a test scripts, returning the result the test
// chose. The state lives in its own shared library, so the test and the stand-in
// libraries (loaded at run time by the components) share it.
#pragma once

#include "engine/include/PakEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#define FAKE_ENGINE_EXPORT __attribute__((visibility("default")))

// One call-back the stand-in makes while an engine call runs.
struct FakeCallback {
    enum class Kind { Print, Overwrite, Password, Listing, Service, Comment };
    Kind eKind = Kind::Print;

    // Print: the buffer's bytes; Overwrite, Service: the name's bytes (a zero byte
    // is added after them); Listing: the entry path's raw bytes.
    std::string sBytes;
    // Print, Service: the count handed over.
    std::uint32_t lCount = 0;
    // Hand a null pointer instead of the buffer or name.
    bool bNullPointer = false;

    // Password: the size of the buffer handed over, and the byte it is filled with
    // beforehand.
    std::int32_t lBufferSize = 256;
    char cFill = '#';

    // Listing: the other twelve arguments.
    std::uint32_t lPackedSize = 0;
    std::uint32_t lSize = 0;
    std::int32_t lRatio = 0;
    std::uint32_t lMonth = 1, lDay = 1, lYear = 2020, lHour = 0, lMinute = 0, lSecond = 0;
    std::string sMethod = "Deflate";
    std::uint32_t lCRC = 0;
    std::uint32_t lAttributes = 0;

    // Comment: the buffer's text before the call.
    std::string sComment = "old comment";

    static FakeCallback Print(std::string sBytes, std::uint32_t lCount);
    static FakeCallback PrintText(const std::string &sText);
    static FakeCallback Overwrite(std::string sName);
    static FakeCallback Password(std::int32_t lBufferSize = 256);
    static FakeCallback Listing(std::string sPath, std::uint32_t lSize = 100,
                                std::int32_t lRatio = 50);
    static FakeCallback Service(std::string sName, std::uint32_t lCount);
    static FakeCallback ServiceText(const std::string &sName);
    static FakeCallback Comment();
};

// What one scripted call-back gave back.
struct FakeCallbackOutcome {
    bool bSlotWasNull = false;    // the table held no routine for it
    std::int32_t lReturned = 0;   // its result (Listing: 0)
    std::string sBuffer;          // Password, Comment: the whole buffer afterwards
    bool bReturnedBuffer = false; // Comment: the routine returned the buffer it was handed
};

// A name list as the stand-in saw it: every slot, null or text.
using FakeNameSlots = std::vector<std::optional<std::string>>;

struct FakeUnzipCall {
    std::int32_t lIncludeCount = 0;
    FakeNameSlots vInclude;
    std::int32_t lExcludeCount = 0;
    FakeNameSlots vExclude;
    std::vector<unsigned char> vRecord; // the command record's bytes
    std::optional<std::string> sArchivePath;
    std::optional<std::string> sTargetFolder;
    UnzipCallbackTable tCallbacks{};
    std::string sCurrentFolder;
    std::vector<FakeCallbackOutcome> vOutcomes;

    // The 32-bit field at a published (32-bit build) offset of the command record.
    std::int32_t Field(std::size_t lPublishedOffset) const;
};

struct FakeZipOptionsCall {
    std::vector<unsigned char> vRecord; // the options record's bytes
    bool bText0Null = true;
    std::optional<std::string> sRootFolder;
    bool bText8Null = true;

    // The 32-bit field at a published (32-bit build) offset of the options record.
    std::int32_t Field(std::size_t lPublishedOffset) const;
};

struct FakeZipArchiveCall {
    std::int32_t lSpecCount = 0;
    std::optional<std::string> sArchivePath;
    FakeNameSlots vNames;
    std::string sCurrentFolder;
    std::vector<FakeCallbackOutcome> vOutcomes;
};

// A field the stand-in writes into a record before it returns, as an engine may.
struct FakeFieldWrite {
    std::size_t lPublishedOffset = 0;
    std::int32_t lValue = 0;
};

struct FakeEngineState {
    // ---- Reader.
    std::vector<FakeCallback> vUnzipScript;
    std::int32_t lUnzipResult = 0;
    std::vector<FakeFieldWrite> vCommandWrites;
    std::vector<FakeUnzipCall> vUnzipCalls;

    // UzpVersion2: what it writes, and the record it was handed.
    char aVersionFirstText[10] = {};
    std::uint8_t aVersion4[4] = {};
    std::vector<UnzipVersionRecord> vVersionRecordsSeen;

    // ---- Writer.
    std::vector<ZipCallbackTable> vInitCalls;
    std::vector<FakeZipOptionsCall> vOptionsCalls;
    std::vector<FakeFieldWrite> vOptionsWrites;
    std::vector<FakeCallback> vZipScript;
    std::int32_t lZipResult = 0;
    std::vector<FakeZipArchiveCall> vArchiveCalls;
};

// The one shared state; FakeEngineReset empties it.
FAKE_ENGINE_EXPORT FakeEngineState &FakeEngine();
FAKE_ENGINE_EXPORT void FakeEngineReset();

// The stand-in's entry points, exported under the real names by the stand-in
// libraries.
FAKE_ENGINE_EXPORT std::int32_t FakeWizSingleEntryUnzip(std::int32_t lIncludeCount, char **pInclude,
                                                        std::int32_t lExcludeCount, char **pExclude,
                                                        UnzipCommandRecord *pCommand,
                                                        UnzipCallbackTable *pCallbacks);
FAKE_ENGINE_EXPORT std::int32_t FakeUzpVersion2(UnzipVersionRecord *pVersion);
FAKE_ENGINE_EXPORT std::int32_t FakeZpInit(ZipCallbackTable *pCallbacks);
FAKE_ENGINE_EXPORT std::int32_t FakeZpSetOptions(ZipOptionsRecord *pOptions);
FAKE_ENGINE_EXPORT std::int32_t FakeZpGetOptions(ZipOptionsRecord *pOptions);
FAKE_ENGINE_EXPORT std::int32_t FakeZpArchive(std::int32_t lSpecCount, char *pArchivePath,
                                              char **pNames);

// The offset in this build's record layout of a field at a published offset: a
// record's leading text pointers take 8 bytes each on a 64-bit build.
std::size_t ActualUnzipCommandOffset(std::size_t lPublishedOffset);
std::size_t ActualZipOptionsOffset(std::size_t lPublishedOffset);

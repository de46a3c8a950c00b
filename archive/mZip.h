// mZip: the routine that calls the zip engine and the call-back routines the
// engine calls while it works. Every call-back goes to the one component whose
// engine call is running (the current zip component).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cZip;
struct ZipOptions;

// Makes oZip the current component, checks that a non-blank BasePath is a folder
// (without making it the current folder), registers
// the call-backs (ZpInit), hands over the options (ZpSetOptions) and calls
// ZpArchive with the archive path and the specifications (at most 1022). Errors
// reach the caller unchanged.
std::int32_t RunZipEngine(cZip &oZip, ZipOptions &tOptions, const std::vector<std::string> &vSpecs);

// How far the running (or last) engine call has come in bytes of entry data, read
// through the engine's ZpByteProgress; false when the engine has none or no call
// has bound it yet. May be called from any thread.
bool ZipByteProgress(std::uint64_t &lDone, std::uint64_t &lTotal);
// Sets the engine's byte counts back to 0 before a call is started, so that a reader
// on another thread never takes the last call's counts for the next one's.
void ResetZipByteProgress();

// The component whose engine call runs or ran last; nullptr before the first call
// and after that component was destroyed.
cZip *CurrentZip();
// Forgets pZip as the current component when it is (a component being destroyed).
void ReleaseCurrentZip(const cZip *pZip);
// Set when the owner declined to give a password during the running engine call.
bool ZipPasswordDeclined();

// The engine's call-back routines.
std::int32_t OnZipPrint(char *pBuffer, std::uint32_t lCount);
std::int32_t OnZipPassword(char *pBuffer, std::int32_t lSize, char *pPrompt, char *pEntryName);
char *OnZipComment(char *pBuffer);
std::int32_t OnZipService(char *pName, std::uint32_t lCount);

// mZip's own copy of the replacement routine: replaces every cFind in sText that
// does not stand at its first character by cReplace; returns the 1-based position
// just after the last one replaced, or 1 when none was.
std::int32_t ZipReplaceChar(std::string &sText, char cFind, char cReplace);

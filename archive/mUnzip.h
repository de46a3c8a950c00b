// mUnzip: the routine that calls the unzip engine and the call-back routines the
// engine calls while it works. Every call-back goes to the one component whose
// engine call is running (the current unzip component).
#pragma once

#include "engine/include/PakEngine.h"

#include <cstdint>
#include <string>
#include <vector>

class cUnzip;
struct UnzipCommand;

// Calls Wiz_SingleEntryUnzip for oUnzip with the command record and the include
// and exclude names (at most 1023 each) and returns the engine's result. Any
// failure (library or entry point missing, a list too long) clears the current
// component and is raised again with the source "<program>.RunUnzipEngine".
std::int32_t RunUnzipEngine(cUnzip &oUnzip, UnzipCommand &tCommand,
                            const std::vector<std::string> &vIncludeNames,
                            const std::vector<std::string> &vExcludeNames);

// How far the running (or last) engine call has come in bytes of entry data, read
// through the engine's UzpByteProgress; false when the engine has none or no call
// has bound it yet. May be called from any thread.
bool UnzipByteProgress(std::uint64_t &lDone, std::uint64_t &lTotal);
// Sets the engine's byte counts back to 0 before a call is started, so that a reader
// on another thread never takes the last call's counts for the next one's.
void ResetUnzipByteProgress();

// Fills a version record through UzpVersion2.
void CallUnzipVersion(UnzipVersionRecord &tVersion);

// The component whose engine call runs or ran last; nullptr before the first call,
// after a failed call and after that component was destroyed.
cUnzip *CurrentUnzip();
// Forgets pUnzip as the current component when it is (a component being destroyed).
void ReleaseCurrentUnzip(const cUnzip *pUnzip);
// Set when the owner declined to give a password during the running engine call.
bool UnzipPasswordDeclined();

// The engine's call-back routines.
std::int32_t OnUnzipPrint(char *pBuffer, std::uint32_t lCount);
std::int32_t OnUnzipOverwrite(char *pName);
std::int32_t OnUnzipPassword(char *pBuffer, std::int32_t lSize, char *pPrompt, char *pEntryName);
void OnUnzipListEntry(std::uint32_t lPackedSize, std::uint32_t lSize, std::int32_t lRatio,
                      std::uint32_t lMonth, std::uint32_t lDay, std::uint32_t lYear,
                      std::uint32_t lHour, std::uint32_t lMinute, std::uint32_t lSecond,
                      char *pPath, char *pMethod, std::uint32_t lCRC, std::uint32_t lAttributes);
std::int32_t OnUnzipService(char *pName, std::uint32_t lCount);

// Replaces every cFind in sText that does not stand at its first character by
// cReplace; returns the 1-based position just after the last one replaced, or 1
// when none was.
std::int32_t UnzipReplaceChar(std::string &sText, char cFind, char cReplace);

// Splits an archive path ("/" separators) into its folder ("\" separators, no
// trailing separator) and its name.
void SplitArchivePath(const std::string &sPath, std::string &sFolder, std::string &sName);

// The entry points that libpakreader.so exports.
#ifndef KEPLO_ENGINE_READER_PAK_READER_H
#define KEPLO_ENGINE_READER_PAK_READER_H

#include "engine/include/PakEngine.h"

ENGINE_EXPORT int32_t Wiz_SingleEntryUnzip(int32_t includeCount, char **includeNames, int32_t excludeCount,
                                           char **excludeNames, UnzipCommandRecord *command,
                                           UnzipCallbackTable *callbacks);

ENGINE_EXPORT int32_t UzpVersion2(UnzipVersionRecord *version);

// How far the running Wiz_SingleEntryUnzip has come (see UzpByteProgressProc).
ENGINE_EXPORT void UzpByteProgress(uint64_t *done, uint64_t *total);

#endif

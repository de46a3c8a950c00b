// The stand-in libpakreader.so: the reader's entry points under their real names.
// Built a second time without Wiz_SingleEntryUnzip to stand for a library that
// lacks an entry point.
#include "tests/archive/FakeEngine.h"

extern "C" {

#ifndef FAKE_ENGINE_WITHOUT_UNZIP
FAKE_ENGINE_EXPORT int32_t Wiz_SingleEntryUnzip(int32_t includeCount, char **includeNames,
                                                int32_t excludeCount, char **excludeNames,
                                                UnzipCommandRecord *command,
                                                UnzipCallbackTable *callbacks) {
    return FakeWizSingleEntryUnzip(includeCount, includeNames, excludeCount, excludeNames, command,
                                   callbacks);
}
#endif

FAKE_ENGINE_EXPORT int32_t UzpVersion2(UnzipVersionRecord *version) {
    return FakeUzpVersion2(version);
}
}

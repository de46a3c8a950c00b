// The stand-in libpakwriter.so: the writer's entry points under their real names.
// Built a second time without ZpArchive to stand for a library that lacks an
// entry point.
#include "tests/archive/FakeEngine.h"

extern "C" {

FAKE_ENGINE_EXPORT int32_t ZpInit(ZipCallbackTable *callbacks) {
    return FakeZpInit(callbacks);
}
FAKE_ENGINE_EXPORT int32_t ZpSetOptions(ZipOptionsRecord *options) {
    return FakeZpSetOptions(options);
}
FAKE_ENGINE_EXPORT int32_t ZpGetOptions(ZipOptionsRecord *options) {
    return FakeZpGetOptions(options);
}

#ifndef FAKE_ENGINE_WITHOUT_ARCHIVE
FAKE_ENGINE_EXPORT int32_t ZpArchive(int32_t specCount, char *archivePath, char **names) {
    return FakeZpArchive(specCount, archivePath, names);
}
#endif
}

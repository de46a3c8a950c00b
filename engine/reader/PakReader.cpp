#include "engine/reader/PakReader.h"

#include "engine/include/PakEngine.h"
#include "engine/common/ByteProgress.h"
#include "engine/reader/ArchiveExtraction.h"
#include "engine/reader/ArchiveListing.h"
#include "engine/reader/UnzipSession.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <new>
#include <zip.h>

int32_t Wiz_SingleEntryUnzip(int32_t includeCount, char **includeNames, int32_t excludeCount,
                             char **excludeNames, UnzipCommandRecord *command, UnzipCallbackTable *callbacks)
{
    engine::CallProgress().Start();
    if (command == nullptr)
        return ENGINE_BAD_ARGUMENTS;
    // Nothing may escape into a caller that knows only C.
    try {
        engine::UnzipSession session(*command, callbacks,
                                     engine::NameSelection(includeCount, includeNames, excludeCount, excludeNames,
                                                           command->CaseSensitive != 0));
        if (command->ListOnly != 0)
            engine::ListArchive(session);
        else
            engine::ExtractArchive(session);
        return session.Results().Result();
    } catch (const std::bad_alloc &) {
        return ENGINE_NO_MEMORY;
    } catch (...) {
        return ENGINE_BAD_ARGUMENTS;
    }
}

namespace {

// Copies text into a fixed field, zero-terminated, only as far as the
// caller's record reaches.
void FillText(UnzipVersionRecord *version, size_t length, size_t offset, size_t size, const char *text)
{
    if (offset + size > length)
        return;
    char *field = reinterpret_cast<char *>(version) + offset;
    std::memset(field, 0, size);
    std::strncpy(field, text, size - 1);
}

void FillGroup(UnzipVersionRecord *version, size_t length, size_t offset, unsigned a, unsigned b, unsigned c)
{
    if (offset + 4 > length)
        return;
    uint8_t *group = reinterpret_cast<uint8_t *>(version) + offset;
    group[0] = static_cast<uint8_t>(a);
    group[1] = static_cast<uint8_t>(b);
    group[2] = static_cast<uint8_t>(c);
    group[3] = 0;
}

} // namespace

int32_t UzpVersion2(UnzipVersionRecord *version)
{
    if (version == nullptr || version->Length < static_cast<int32_t>(offsetof(UnzipVersionRecord, FirstText)))
        return ENGINE_BAD_ARGUMENTS;
    const size_t length = static_cast<size_t>(version->Length);
    version->Flags = 0;

    unsigned zipMajor = 0, zipMinor = 0, zipPatch = 0;
    std::sscanf(zip_libzip_version(), "%u.%u.%u", &zipMajor, &zipMinor, &zipPatch);
    const std::string second = std::string("pakreader ") + std::to_string(KEPLO_VERSION_MAJOR) + "." +
                               std::to_string(KEPLO_VERSION_MINOR) + "." + std::to_string(KEPLO_VERSION_PATCH);
    FillText(version, length, offsetof(UnzipVersionRecord, FirstText), sizeof version->FirstText, "libzip");
    FillText(version, length, offsetof(UnzipVersionRecord, SecondText), sizeof version->SecondText,
             second.c_str());
    FillText(version, length, offsetof(UnzipVersionRecord, ThirdText), sizeof version->ThirdText,
             zip_libzip_version());
    // Group 1: the libzip underneath; group 4: this engine.
    FillGroup(version, length, offsetof(UnzipVersionRecord, Version1), zipMajor, zipMinor, zipPatch);
    FillGroup(version, length, offsetof(UnzipVersionRecord, Version2), 0, 0, 0);
    FillGroup(version, length, offsetof(UnzipVersionRecord, Version3), 0, 0, 0);
    FillGroup(version, length, offsetof(UnzipVersionRecord, Version4), KEPLO_VERSION_MAJOR, KEPLO_VERSION_MINOR,
              KEPLO_VERSION_PATCH);
    return ENGINE_OK;
}

void UzpByteProgress(uint64_t *done, uint64_t *total)
{
    engine::AnswerProgressCall(done, total);
}

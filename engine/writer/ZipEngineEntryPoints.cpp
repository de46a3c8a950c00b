// The entry points of libpakwriter.so. Result codes: engine/include/PakEngine.h.
//
// ZpInit keeps the call-back table, ZpSetOptions a deep copy of the options
// record (the caller frees its texts right after the call), ZpGetOptions
// hands back the options in force, ZpArchive packs files into an archive or
// deletes entries from it, and ZpByteProgress tells another thread how far
// the running ZpArchive has come in bytes.
//
// Every call-back is made on the thread that called ZpArchive, before it
// returns. Worker threads only read and compress files.
//
// The comment call-back is asked once per write, with the archive's current
// comment in a 65536-byte buffer; a non-empty answer becomes the archive's
// comment, an empty one keeps the comment the archive has. The service
// call-back is asked once per file or entry handled, with its entry name
// and the name's length plus one; an answer of 1 stops the engine and the
// archive stays as it was. The password call-back is asked once per
// ZpArchive when encryption is on; new entries are then encrypted with
// WinZip AES-256.
//
// Options honoured: RootFolder, Encrypt, SystemAndHiddenFiles,
// NoFolderEntries, DropFolderNames, DeleteEntries, UpdateOnlyIfNewer,
// Freshen, Recurse (any non-zero value recurses) and MessageLevel0 (1:
// only warnings and errors are printed). Append changes nothing: an
// existing archive is always updated in place. VolumeLabel and the
// line-end conversions are not supported and ignored: files are packed
// byte for byte.
#include "engine/include/PakEngine.h"
#include "engine/common/ByteProgress.h"
#include "engine/writer/ArchiveUpdate.h"
#include "engine/writer/FileSelection.h"
#include "engine/writer/WriterCallbacks.h"
#include "engine/writer/WriterOptions.h"

#include <exception>
#include <new>
#include <string>
#include <vector>

namespace {

// One set of options and call-backs per process, as the interface implies.
writer::StoredOptions &Options() {
    static writer::StoredOptions options;
    return options;
}

writer::WriterCallbacks &Callbacks() {
    static writer::WriterCallbacks callbacks;
    return callbacks;
}

// Specifications that are absolute or climb out with ".." would reach
// outside the root folder; they are refused with a message.
bool UsableSpecification(const std::string &spec) {
    if (spec.empty() || spec[0] == '/')
        return false;
    size_t start = 0;
    while (start <= spec.size()) {
        size_t end = spec.find('/', start);
        if (end == std::string::npos)
            end = spec.size();
        if (spec.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

int32_t Archive(int32_t specCount, const char *archivePath, char **names) {
    const writer::WriterCallbacks &callbacks = Callbacks();
    if (archivePath == nullptr || archivePath[0] == '\0' || specCount < 0 ||
        (specCount > 0 && names == nullptr)) {
        callbacks.Print("zip error: no archive or no file specifications were given");
        return ENGINE_BAD_ARGUMENTS;
    }
    const writer::PackOptions options = Options().Decode();
    std::vector<std::string> specifications;
    for (int32_t i = 0; i < specCount; ++i) {
        if (names[i] == nullptr)
            break;
        const std::string spec = writer::NormaliseSpecification(names[i]);
        if (spec.empty())
            continue;
        if (!UsableSpecification(spec)) {
            callbacks.Print(std::string("zip warning: ignoring ") + names[i] +
                            " (it reaches outside the folder being packed)");
            continue;
        }
        specifications.push_back(spec);
    }
    if (specifications.empty()) {
        callbacks.Print("zip warning: nothing to do: no file specifications; " +
                        std::string(archivePath) + " was not changed");
        return ENGINE_NOTHING_MATCHED;
    }
    if (options.deleteEntries)
        return writer::DeleteEntries(options, callbacks, archivePath, specifications);
    return writer::PackFiles(options, callbacks, archivePath, specifications);
}

} // namespace

ENGINE_EXPORT int32_t ZpInit(ZipCallbackTable *callbacks) {
    Callbacks() =
        callbacks != nullptr ? writer::WriterCallbacks(*callbacks) : writer::WriterCallbacks();
    return 1;
}

ENGINE_EXPORT int32_t ZpSetOptions(ZipOptionsRecord *options) {
    if (options == nullptr)
        return 0;
    try {
        Options().Set(*options);
    } catch (const std::bad_alloc &) {
        return 0;
    }
    return 1;
}

ENGINE_EXPORT int32_t ZpGetOptions(ZipOptionsRecord *options) {
    if (options == nullptr)
        return 0;
    Options().Get(*options);
    return 1;
}

ENGINE_EXPORT int32_t ZpArchive(int32_t specCount, char *archivePath, char **names) {
    engine::CallProgress().Start();
    // No exception may cross into the caller, which is C.
    try {
        return Archive(specCount, archivePath, names);
    } catch (const std::bad_alloc &) {
        Callbacks().Print("zip error: out of memory; the archive was left as it was");
        return ENGINE_NO_MEMORY;
    } catch (const std::exception &error) {
        Callbacks().Print(std::string("zip error: ") + error.what() +
                          "; the archive was left as it was");
        return ENGINE_WRITE_ERROR;
    }
}

ENGINE_EXPORT void ZpByteProgress(uint64_t *done, uint64_t *total) {
    engine::AnswerProgressCall(done, total);
}

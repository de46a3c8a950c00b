// One call of Wiz_SingleEntryUnzip: its command, its call-backs, the entries
// it selects and the result it has come to so far. Lives on the calling
// thread; every call-back goes through it.
#ifndef KEPLO_ENGINE_READER_UNZIP_SESSION_H
#define KEPLO_ENGINE_READER_UNZIP_SESSION_H

#include "engine/include/PakEngine.h"
#include "engine/common/EngineMessages.h"
#include "engine/common/HeapPrefault.h"
#include "engine/common/ResultKeeper.h"
#include "engine/common/ZipHandles.h"
#include "engine/reader/NameSelection.h"

#include <string>
#include <sys/types.h>

namespace engine {

class UnzipSession {
public:
    UnzipSession(const UnzipCommandRecord &command, const UnzipCallbackTable *callbacks,
                 NameSelection selection);

    const UnzipCommandRecord &Command() const { return m_command; }
    NameSelection &Selection() { return m_selection; }
    ResultKeeper &Results() { return m_results; }

    void Say(const std::string &text) const { m_messages.Say(text); }
    // Says text and notes result.
    void Complain(const std::string &text, int32_t result);

    // Asks the service call-back whether to go on; true when it asks to stop.
    bool CancelRequested(const std::string &entryPath) const;
    // Asks the overwrite call-back about an existing file; the answer.
    int32_t AskOverwrite(const std::string &fullPath) const;
    // Asks the password call-back for the entry's password. False when the
    // caller gives none.
    bool AskPassword(const std::string &entryPath, std::string &password) const;
    // path and method are handed over as they are: the routine may write into
    // them, and the caller throws them away afterwards.
    void ReportListing(uint32_t packedSize, uint32_t size, int32_t ratio, const struct tm &time,
                       std::string &path, std::string &method, uint32_t crc, uint32_t attributes) const;

    // Checks that the command names an archive file that is not empty; false
    // after a message and a result saying why not. archiveSize receives the
    // file's size.
    bool CheckArchiveFile(off_t &archiveSize);
    // Opens the command's archive with libzip; null after a message and a
    // result saying why not (none when quiet: zipError then says why).
    // archiveSize receives the file's size.
    ZipArchivePtr OpenArchive(off_t &archiveSize);
    ZipArchivePtr OpenArchiveQuietly(off_t &archiveSize, int &zipError);
    // The message and result of a libzip refusal to open the archive.
    void ComplainAboutOpening(int zipError);
    // Readies the heap for this many bytes (once per call).
    void PrepareHeap(size_t bytes) { m_heapPrefault.Prepare(bytes); }

    // The reporting of names that the include list asked for but that no entry had.
    void ReportUnmatchedNames();

private:
    UnzipCommandRecord m_command;
    UnzipCallbackTable m_callbacks;
    MessageSink m_messages;
    NameSelection m_selection;
    ResultKeeper m_results;
    HeapPrefault m_heapPrefault; // readies the heap an opened archive takes, for the whole call
};

} // namespace engine

#endif

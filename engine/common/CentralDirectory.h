// The one reader of a zip archive's end records and central directory,
// shared by listing, extraction and the writer's updates.
//
// FindEndRecords locates the directory; a CentralDirectoryWalker then hands
// out its records one at a time through a window of bounded size, so that a
// listing holds one piece of the directory at a time however many entries
// the archive has, and an archive that claims more entries than its bytes
// hold costs no more than its real size. A caller that keeps the whole
// directory (the writer, which copies records byte for byte) walks bytes it
// read itself.
#ifndef KEPLO_ENGINE_COMMON_CENTRAL_DIRECTORY_H
#define KEPLO_ENGINE_COMMON_CENTRAL_DIRECTORY_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct EndFacts {
    uint64_t fileSize = 0;
    uint64_t entries = 0;       // as the end records count them
    uint64_t centralSize = 0;
    uint64_t centralOffset = 0;
    uint64_t endStart = 0;      // the first byte of the end records (the zip64 one when present)
    std::string comment;        // the archive comment's bytes as stored
};

// Finds the end records of the archive open on fd, fileSize bytes long.
// The end record whose comment reaches the end of the file is taken; of
// several, the first (the others lie inside its comment), and a later one
// only when the caller cannot take the first one's directory. Only when
// there is none, bytes may follow it: then candidates are tried from the
// last, until the caller finds one whose directory it takes.
class EndRecordSearch {
public:
    // False with the reason in error when the file holds no end record.
    // Then Next hands out the candidates in turn.
    bool Start(int fd, uint64_t fileSize, std::string &error);
    // The next candidate whose records are sound; false when none is left,
    // with error saying why the first one failed (damaged records, an
    // archive split over several files) or that the file is no zip archive.
    bool Next(EndFacts &facts, std::string &error);
    // Hands out the candidates until take(facts, error) takes one: true then;
    // false with the reason the first candidate was refused for, or why there
    // was none.
    template <class Take> bool FirstTaken(EndFacts &facts, std::string &error, Take take) {
        std::string firstError;
        while (Next(facts, error)) {
            if (take(facts, error))
                return true;
            if (firstError.empty())
                firstError = error;
        }
        if (!firstError.empty())
            error = firstError;
        return false;
    }
    // More than one end record signature lies in the file's tail, where
    // readers differ in which one they take.
    bool Ambiguous() const { return m_signatures > 1; }

private:
    int m_fd = -1;
    uint64_t m_fileSize = 0;
    uint64_t m_tailStart = 0;
    std::string m_tail;
    std::string m_firstError;
    std::vector<size_t> m_candidates;
    size_t m_next = 0;
    size_t m_signatures = 0;
};

// Walks the records of a central directory. Record views stay valid until
// the next call of Next.
class CentralDirectoryWalker {
public:
    // Over the directory as it lies in the file open on fd.
    CentralDirectoryWalker(int fd, uint64_t offset, uint64_t size);
    // Over directory bytes already in memory.
    explicit CentralDirectoryWalker(std::string_view bytes);

    enum class Step { Record, End, Damaged, ReadError };
    // The next record. End when the directory's bytes are used up exactly or
    // the next bytes are no central record; Damaged when a record runs past
    // the directory. ReadError (with the reason in error) when the file
    // cannot be read.
    Step Next(std::string_view &record, std::string &error);
    // Where the record last handed out starts, from the directory's start.
    uint64_t RecordStart() const { return m_recordStart; }
    // Bytes of the directory not yet handed out.
    uint64_t Left() const { return m_size - m_consumed; }

private:
    bool Fill(size_t wanted, std::string &error);

    int m_fd = -1;
    uint64_t m_offset = 0;
    uint64_t m_size = 0;
    uint64_t m_consumed = 0;     // handed out so far
    uint64_t m_recordStart = 0;
    std::unique_ptr<char[]> m_window;
    size_t m_windowSize = 0;
    const char *m_data = nullptr; // the bytes from m_consumed on
    size_t m_have = 0;
};

} // namespace engine

#endif

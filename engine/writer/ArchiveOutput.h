// The file a new archive is written to: a temporary file beside the
// archive, renamed over it only once complete, and removed when the write
// fails or is given up, so that the old archive stays byte for byte as it
// was and nothing is left behind. Where the file system allows, the file has
// no name until it is complete, so that a process killed while writing
// leaves nothing behind either.
//
// Small writes gather in a buffer; stretches of another file are copied
// with copy_file_range, which keeps their bytes inside the kernel, or in
// large blocks where the file system cannot do that.
#ifndef KEPLO_ENGINE_WRITER_ARCHIVE_OUTPUT_H
#define KEPLO_ENGINE_WRITER_ARCHIVE_OUTPUT_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace writer {

class ArchiveOutput {
public:
    explicit ArchiveOutput(std::string target);
    ~ArchiveOutput(); // removes the temporary file unless it was committed
    ArchiveOutput(const ArchiveOutput &) = delete;
    ArchiveOutput &operator=(const ArchiveOutput &) = delete;

    // Creates the temporary file. Every call returns false once one failed;
    // Error() says why.
    bool Open();
    bool Write(std::string_view bytes);
    bool Write(const void *bytes, size_t length) {
        return Write(std::string_view(static_cast<const char *>(bytes), length));
    }
    // Appends length bytes of the file open on fd, from offset on, telling the copy
    // observer (when there is one) of each piece as it is copied.
    bool CopyFrom(int fd, uint64_t offset, uint64_t length);
    void SetCopyObserver(std::function<void(uint64_t bytes)> fnCopied) { m_copied = std::move(fnCopied); }
    // Writes out what is buffered, then renames the file over the target.
    bool Commit();

    uint64_t Position() const { return m_position; }
    const std::string &Error() const { return m_error; }

private:
    bool Flush();
    bool Fail(int error);
    bool CopyInBlocks(int fd, uint64_t offset, uint64_t length);
    // Gives the nameless file a name beside the target, in m_temporary.
    bool NameTheFile();

    std::string m_target;
    std::string m_temporary;
    int m_fd = -1;
    bool m_nameless = false;
    bool m_committed = false;
    uint64_t m_position = 0;
    std::string m_buffer;
    std::unique_ptr<char[]> m_block;
    std::string m_error;
    std::function<void(uint64_t)> m_copied;
};

} // namespace writer

#endif

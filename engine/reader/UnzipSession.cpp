#include "engine/reader/UnzipSession.h"

#include "engine/include/PakEngine.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <vector>

namespace engine {

namespace {

UnzipCallbackTable CopyCallbacks(const UnzipCallbackTable *callbacks)
{
    UnzipCallbackTable copy;
    std::memset(&copy, 0, sizeof copy);
    if (callbacks != nullptr)
        copy = *callbacks;
    return copy;
}

// Passwords longer than this are cut; the buffer always keeps a final zero.
constexpr int32_t kPasswordBufferSize = 256;

} // namespace

UnzipSession::UnzipSession(const UnzipCommandRecord &command, const UnzipCallbackTable *callbacks,
                           NameSelection selection)
    : m_command(command), m_callbacks(CopyCallbacks(callbacks)), m_messages(m_callbacks.Print),
      m_selection(std::move(selection))
{
}

void UnzipSession::Complain(const std::string &text, int32_t result)
{
    Say(text);
    m_results.Note(result);
}

bool UnzipSession::CancelRequested(const std::string &entryPath) const
{
    if (m_callbacks.Service == nullptr)
        return false;
    // The count is the name's buffer length, its final zero included.
    std::vector<char> name(entryPath.begin(), entryPath.end());
    name.push_back('\0');
    return m_callbacks.Service(name.data(), static_cast<uint32_t>(name.size())) == 1;
}

int32_t UnzipSession::AskOverwrite(const std::string &fullPath) const
{
    if (m_callbacks.Overwrite == nullptr)
        return ENGINE_OVERWRITE_NO;
    std::vector<char> name(fullPath.begin(), fullPath.end());
    name.push_back('\0');
    return m_callbacks.Overwrite(name.data());
}

bool UnzipSession::AskPassword(const std::string &entryPath, std::string &password) const
{
    if (m_callbacks.Password == nullptr)
        return false;
    char buffer[kPasswordBufferSize];
    std::memset(buffer, 0, sizeof buffer);
    char prompt[] = "Enter password for: ";
    std::vector<char> name(entryPath.begin(), entryPath.end());
    name.push_back('\0');
    // The routine may write up to size bytes; the last one is put back to zero.
    const int32_t answer = m_callbacks.Password(buffer, kPasswordBufferSize - 1, prompt, name.data());
    buffer[kPasswordBufferSize - 1] = '\0';
    if (answer != 0)
        return false;
    password.assign(buffer, strnlen(buffer, sizeof buffer));
    return !password.empty();
}

void UnzipSession::ReportListing(uint32_t packedSize, uint32_t size, int32_t ratio, const struct tm &time,
                                 std::string &path, std::string &method, uint32_t crc, uint32_t attributes) const
{
    if (m_callbacks.Listing == nullptr)
        return;
    m_callbacks.Listing(packedSize, size, ratio, static_cast<uint32_t>(time.tm_mon + 1),
                        static_cast<uint32_t>(time.tm_mday), static_cast<uint32_t>(time.tm_year + 1900),
                        static_cast<uint32_t>(time.tm_hour), static_cast<uint32_t>(time.tm_min),
                        static_cast<uint32_t>(time.tm_sec), path.data(), method.data(), crc,
                        attributes);
}

bool UnzipSession::CheckArchiveFile(off_t &archiveSize)
{
    archiveSize = 0;
    const char *path = m_command.ArchivePath;
    if (path == nullptr || *path == '\0') {
        Complain("error: no archive was named", ENGINE_NO_ARCHIVE);
        return false;
    }
    struct stat info;
    if (stat(path, &info) != 0) {
        Complain(std::string("error: cannot find or open ") + path + ": " + ErrnoText(errno),
                 ENGINE_NO_ARCHIVE);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        Complain(std::string("error: ") + path + " is not a file", ENGINE_NO_ARCHIVE);
        return false;
    }
    // libzip takes an empty file for a new, empty archive; here it is simply
    // not a zip archive.
    if (info.st_size == 0) {
        Complain(std::string("error: ") + path + " is empty, not a zip archive", ENGINE_BAD_ARCHIVE);
        return false;
    }
    archiveSize = info.st_size;
    return true;
}

ZipArchivePtr UnzipSession::OpenArchive(off_t &archiveSize)
{
    int error = 0;
    ZipArchivePtr archive = OpenArchiveQuietly(archiveSize, error);
    if (!archive && archiveSize != 0)
        ComplainAboutOpening(error);
    return archive;
}

ZipArchivePtr UnzipSession::OpenArchiveQuietly(off_t &archiveSize, int &zipError)
{
    zipError = ZIP_ER_OK;
    if (!CheckArchiveFile(archiveSize))
        return nullptr;
    const char *path = m_command.ArchivePath;
    m_heapPrefault.Prepare(ArchiveMemoryHint(path, static_cast<uint64_t>(archiveSize)));
    zip_t *archive = zip_open(path, ZIP_RDONLY, &zipError);
    return ZipArchivePtr(archive);
}

void UnzipSession::ComplainAboutOpening(int zipError)
{
    zip_error_t details;
    zip_error_init_with_code(&details, zipError);
    const bool cannotOpen = zipError == ZIP_ER_NOENT || zipError == ZIP_ER_OPEN || zipError == ZIP_ER_READ;
    Complain(std::string("error: cannot read ") + m_command.ArchivePath + ": " + zip_error_strerror(&details),
             cannotOpen ? ENGINE_NO_ARCHIVE : ENGINE_BAD_ARCHIVE);
    zip_error_fini(&details);
}

void UnzipSession::ReportUnmatchedNames()
{
    for (const std::string &name : m_selection.Unmatched())
        Complain("caution: filename not matched:  " + name, ENGINE_NOTHING_MATCHED);
}

} // namespace engine

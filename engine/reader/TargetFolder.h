// The folder that extraction writes into. Every folder below it is reached
// through open folder handles, one part at a time, never following a
// symbolic link, so nothing can be written outside it.
#ifndef KEPLO_ENGINE_READER_TARGET_FOLDER_H
#define KEPLO_ENGINE_READER_TARGET_FOLDER_H

#include <ctime>
#include <memory>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

namespace engine {

// An open folder; closed when the last user lets go.
class FolderHandle {
public:
    explicit FolderHandle(int fd) : m_fd(fd) {}
    ~FolderHandle();
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};
using FolderPtr = std::shared_ptr<FolderHandle>;

class TargetFolder {
public:
    // Opens the target, creating it and its missing parents. Errno on failure.
    int Open(const std::string &path);

    // Opens (creating when missing) the folder made of the first count parts
    // below the target. Null with errno set in error when a part cannot be
    // created or is not a real folder (ELOOP for a symbolic link).
    FolderPtr Reach(const std::vector<std::string> &parts, size_t count, int &error);

private:
    FolderPtr m_root;
    std::unordered_map<std::string, FolderPtr> m_opened; // "a/b" -> handle
};

// What a written file gets besides its bytes.
struct FileStamp {
    time_t modified = 0;
    mode_t permissions = 0; // 0: the default for new files
};

// Writes a file in a folder under a temporary name and renames it over
// name only once complete, so a failure never leaves half a file in place of
// an existing one. Returns 0 or the errno of the failure.
class AtomicFile {
public:
    AtomicFile(const FolderPtr &folder, std::string name);
    ~AtomicFile(); // removes the temporary file unless committed

    int Create();
    int Write(const void *data, size_t size);
    int Commit(const FileStamp &stamp);

private:
    FolderPtr m_folder;
    std::string m_name;
    std::string m_temporaryName;
    int m_fd = -1;
    bool m_committed = false;
};

// Writes a whole file at once, the same way.
int WriteWholeFile(const FolderPtr &folder, const std::string &name, const void *data, size_t size,
                   const FileStamp &stamp);

} // namespace engine

#endif

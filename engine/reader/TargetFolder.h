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
    FolderHandle(int fd, bool created) : m_fd(fd), m_created(created) {}
    ~FolderHandle();
    FolderHandle(const FolderHandle &) = delete;
    FolderHandle &operator=(const FolderHandle &) = delete;
    int Fd() const { return m_fd; }
    // True when this extraction made the folder: it then holds only what
    // the extraction itself put there.
    bool Created() const { return m_created; }

private:
    int m_fd;
    bool m_created;
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

// Writes a file in a folder so that a failure never leaves half a file in
// place of an existing one: an existing file is replaced by writing a
// temporary file beside it and renaming that over it once complete. Where no
// file of that name exists, the file is created under its own name (never
// replacing anything that appears meanwhile) and removed again on failure.
// Each method returns 0 or the errno of the failure.
class AtomicFile {
public:
    AtomicFile(const FolderPtr &folder, std::string name, bool mayExist);
    ~AtomicFile(); // removes what it created unless committed

    int Create(mode_t permissions);
    int Write(const void *data, size_t size);
    int Commit(const FileStamp &stamp);

private:
    FolderPtr m_folder;
    std::string m_name;
    bool m_mayExist;
    std::string m_createdName; // the name the open file has in the folder
    int m_fd = -1;
    bool m_committed = false;
};

// Writes a whole file at once, the same way.
int WriteWholeFile(const FolderPtr &folder, const std::string &name, bool mayExist, const void *data, size_t size,
                   const FileStamp &stamp);

} // namespace engine

#endif

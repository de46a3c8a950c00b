// Finding the files that a list of file specifications names below a root
// folder.
//
// A specification without "/" is matched against file names: in the root
// folder only, or in every sub-folder when recursing. One with "/" (or "\")
// is matched against the path relative to the root. With recursion, a
// specification that names a folder exactly takes everything below it.
// Wildcards never cross a "/".
//
// Hidden files and folders (names starting with ".") are left out unless
// asked for, or unless a specification names that very path without
// wildcards, or unless the archive already holds an entry of that name (or
// below that folder): a file that belongs to the archive is never left out
// for looking hidden, so an edited copy of it is written back. Symbolic links: a link to a regular file inside the root is
// packed as that file's contents under the link's name; links to folders
// are not followed (a loop or a second copy of a tree could follow), and
// links that lead out of the root or nowhere are skipped with a message.
// Other special files (pipes, devices, sockets) are skipped with a message.
// The archive being written is never packed into itself.
#ifndef KEPLO_ENGINE_WRITER_FILE_SELECTION_H
#define KEPLO_ENGINE_WRITER_FILE_SELECTION_H

#include "engine/writer/WriterOptions.h"

#include <cstdint>
#include <ctime>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace writer {

struct SelectedItem {
    bool isFolder = false;
    std::string relativePath; // below the root, "/" between parts; folders end in "/"
    std::string entryName;    // the name the entry gets in the archive
    std::string fullPath;     // where to read it
    uint64_t size = 0;
    struct timespec modified {};
    mode_t mode = 0;
};

struct Selection {
    std::vector<SelectedItem> items;  // folders before the files below them
    std::vector<std::string> skipped; // one message per file left out
    std::string failure;              // set when the root folder cannot be read
    std::vector<bool> specMatched;    // per specification: did it take anything
};

// The file the archive lives in (or none yet), so that it is never selected.
struct ExcludedFile {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
};

// Normalises one specification: "\" becomes "/", "./" and trailing "/"
// go. Empty when nothing usable is left.
std::string NormaliseSpecification(const std::string &spec);

// hiddenEntries: the archive's entry names ("/" between parts) that hold a
// part starting with ".".
Selection SelectFiles(const PackOptions &options, const std::string &rootFolder,
                      const std::vector<std::string> &specifications, const ExcludedFile &archive,
                      const std::set<std::string> &hiddenEntries);

// True for a well-formed UTF-8 byte sequence.
bool IsValidUtf8(const std::string &text);

} // namespace writer

#endif

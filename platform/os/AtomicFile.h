// Whole-file reads and crash-safe whole-file replacement.
#pragma once

#include <cstddef>
#include <string>

enum class FileReadStatus { Read, Missing, Failed };

// Reads the whole file into sContent. Missing when there is no such file; Failed for
// any other error (no right to read, a folder, an I/O error).
FileReadStatus ReadWholeFile(const std::string &sPath, std::string &sContent);

// Reads a regular file of at most lMaxBytes into sContent. Missing when there is no
// such file; Failed, with errno set, when it cannot be read, is a folder (EISDIR) or
// anything else that is not a regular file (EINVAL), or holds more (EFBIG). Never
// blocks on a pipe or a device of that name.
FileReadStatus ReadBoundedFile(const std::string &sPath, std::size_t lMaxBytes,
                               std::string &sContent);

// Writes sContent to a new file beside sPath (named sPath + ".tmp-..."), flushes it to
// the disk and renames it over sPath, then flushes the folder. A crash at any moment
// leaves either the old file or the new one, whole. Keeps the old file's permissions.
// A symbolic link at sPath is followed: its target is replaced. False on failure, in
// which case sPath is unchanged.
bool ReplaceFileAtomically(const std::string &sPath, const std::string &sContent);

// Removes the temporary files that ReplaceFileAtomically leaves behind when a writer
// dies mid-write. Only safe while holding the lock that every writer of sPath takes.
void RemoveLeftoverTempFiles(const std::string &sPath);

// Creates sPath and every missing folder above it. True when the folder exists afterwards.
bool CreateFolderPath(const std::string &sPath);

// Renames sFrom to sTo; false when that fails.
bool RenameFile(const std::string &sFrom, const std::string &sTo);

// True when something (file, folder, link) lies at sPath.
bool PathExists(const std::string &sPath);

// True when sPath is a folder, or a link that leads to one.
bool FolderExists(const std::string &sPath);

// Called after the temporary file is complete and before it is renamed over the target;
// lets tests stop a writer at the worst moment. Null (the default) does nothing.
using ReplaceHook = void (*)(const std::string &sTempPath);
void SetReplaceHookForTests(ReplaceHook pHook);

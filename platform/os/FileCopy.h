// Copying a file byte for byte so that the target is never seen half written.
#pragma once

#include <string>

// Copies the regular file sFrom to sTo, replacing a file there. The bytes go to a hidden
// temporary file in sTo's folder, are flushed to the disk and only then renamed over
// sTo; on any failure the temporary file is removed and sTo is left as it was, so a
// reader (the game loading its archives) sees the old file or the new one, whole.
// The copy keeps sFrom's modification time. A new target gets the permissions that a
// newly created file gets; a replaced one keeps its own. A symbolic link at sTo is
// followed: the file it names is replaced.
//
// As a plain copy would, it fails when sTo exists but may not be written (no write
// permission, or marked read-only by having no write bit at all, even for root), when
// sTo is not a regular file, and when sFrom and sTo are the same file.
bool CopyFileReplacing(const std::string &sFrom, const std::string &sTo);

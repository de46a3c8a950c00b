// How Keplo names an archive and turns texts into paths.
#pragma once

#include <QString>
#include <string>

// The text in proper case: its first letter and every letter that follows a blank
// in upper case, all other letters in lower case.
QString ProperCase(const QString &sText);

// The name the chooser shows for an archive file: the file name without its last
// four characters (".vl2"), in proper case. "scripts.vl2" is shown as "Scripts".
QString ArchiveDisplayName(const QString &sFileName);

// Whether a file name is an archive's: it ends in ".vl2" in any letter case.
bool IsArchiveFileName(const std::string &sFileName);

// A text that separates folders with "\" (an archive folder, an entry-list line)
// as a part of a path on disk, where folders are separated with "/".
std::string DiskPart(const QString &sText);

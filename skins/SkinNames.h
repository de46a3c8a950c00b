// The name rules of Pelterbox's three tabs: extension tests, file titles, the name
// proposed for an install, and the characters a name to install under may not hold.
#pragma once

#include <QString>

// The characters that no file name may hold, in the order the window keeps them:
// backslash, slash, colon, asterisk, question mark, double quote, less-than,
// greater-than, vertical bar.
inline constexpr char kForbiddenNameChars[] = "\\/:*?\"<>|";

// Whether the last characters of sText, upper-cased, are sUpperEnding (".VL2",
// ".PNG"). A text shorter than the ending never is.
bool EndsWithUpper(const QString &sText, const QString &sUpperEnding);

// The file name of a path: what follows its last "/", the whole text when it has none.
QString FileTitle(const QString &sPath);

// The install name proposed for an archive: its file title without the last four
// characters (the extension), "pack" for pack.vl2.
QString ProposedInstallName(const QString &sPath);

// The install name as used: a ".vl2" ending typed in any case is removed, once.
QString InstallName(const QString &sTyped);

// Whether a name to install under names nothing: empty, or made only of dots and
// blanks (".", " . "), which would give a hidden file or one the game cannot find.
bool IsBlankName(const QString &sName);

// A path chosen to save an archive at, with ".vl2" added when its file name has no
// extension ("MySkins" gives "MySkins.vl2"; "my.skins" and "pack.zip" stay).
QString WithArchiveExtension(const QString &sPath);

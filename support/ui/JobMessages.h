// Message box texts that carry a reason in the words of what failed: the engine, the
// settings store.
#pragma once

#include <QString>
#include <string>

// The longest reason a box shows: so many lines, so many characters.
inline constexpr int kReasonLines = 12;
inline constexpr int kReasonCharacters = 1500;

// sReason as a box shows it: its bytes read as UTF-8 (what is not UTF-8 shows as the
// replacement character, never dropped), cut to kReasonLines lines and
// kReasonCharacters characters, a cut marked with how many lines were left out.
QString ReasonText(const std::string &sReason);

// sText, then the reason on a line of its own when there is one, then, when sPath is
// given, two line breaks and the path: a message that names a file ends with it.
QString WithReason(const QString &sText, const std::string &sReason,
                   const QString &sPath = QString());

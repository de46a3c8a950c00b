#include "skins/SkinNames.h"

#include <algorithm>

bool EndsWithUpper(const QString &sText, const QString &sUpperEnding) {
    return sText.size() >= sUpperEnding.size() &&
           sText.right(sUpperEnding.size()).toUpper() == sUpperEnding;
}

QString FileTitle(const QString &sPath) {
    return sPath.mid(sPath.lastIndexOf(QLatin1Char('/')) + 1);
}

QString ProposedInstallName(const QString &sPath) {
    const QString sTitle = FileTitle(sPath);
    return sTitle.left(std::max<qsizetype>(0, sTitle.size() - 4));
}

QString InstallName(const QString &sTyped) {
    return EndsWithUpper(sTyped, QStringLiteral(".VL2")) ? sTyped.chopped(4) : sTyped;
}

bool IsBlankName(const QString &sName) {
    return std::all_of(sName.begin(), sName.end(),
                       [](QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(' '); });
}

QString WithArchiveExtension(const QString &sPath) {
    const QString sTitle = FileTitle(sPath);
    // A leading dot starts a hidden file's name, not an extension; a trailing one
    // carries no extension either.
    const qsizetype lDot = sTitle.lastIndexOf(QLatin1Char('.'));
    if (lDot > 0 && lDot < sTitle.size() - 1)
        return sPath;
    return sPath + QStringLiteral(".vl2");
}

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

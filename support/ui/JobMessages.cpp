#include "support/ui/JobMessages.h"

#include <QStringList>

QString ReasonText(const std::string &sReason) {
    const QString sText =
        QString::fromUtf8(sReason.data(), static_cast<qsizetype>(sReason.size())).trimmed();
    if (sText.isEmpty())
        return {};
    QStringList lines = sText.split(QLatin1Char('\n'));
    const qsizetype nAll = lines.size();
    QString sShown;
    qsizetype nShown = 0;
    for (const QString &sLine : std::as_const(lines)) {
        if (nShown == kReasonLines || sShown.size() + sLine.size() > kReasonCharacters)
            break;
        sShown += (nShown == 0 ? QString() : QStringLiteral("\n")) + sLine;
        ++nShown;
    }
    if (nShown == 0)
        // One line longer than a box can show: its start.
        return lines.constFirst().left(kReasonCharacters) + QStringLiteral("...");
    if (nShown < nAll)
        sShown += QStringLiteral("\n(%1 more lines)").arg(nAll - nShown);
    return sShown;
}

QString WithReason(const QString &sText, const std::string &sReason, const QString &sPath) {
    QString sMessage = sText;
    const QString sShown = ReasonText(sReason);
    if (!sShown.isEmpty())
        sMessage += QLatin1Char('\n') + sShown;
    if (!sPath.isEmpty())
        sMessage += QStringLiteral("\n\n") + sPath;
    return sMessage;
}

#include "skins/DialogFilter.h"

#include <QStringList>

QString QtFilter(const QString &sPairedFilter) {
    const QStringList parts = sPairedFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString sDescription = parts.at(i).trimmed();
        const QString sPattern = parts.at(i + 1).trimmed();
        const QString sBracketed = QLatin1Char('(') + sPattern + QLatin1Char(')');
        filters << (sDescription.endsWith(sBracketed)
                        ? sDescription
                        : sDescription + QLatin1Char(' ') + sBracketed);
    }
    return filters.join(QStringLiteral(";;"));
}

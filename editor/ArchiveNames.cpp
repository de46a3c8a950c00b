#include "editor/ArchiveNames.h"

#include "support/CaseBlind.h"

QString ProperCase(const QString &sText) {
    QString s = sText.toLower();
    for (qsizetype i = 0; i < s.size(); ++i)
        if (i == 0 || s.at(i - 1) == QLatin1Char(' '))
            s[i] = s.at(i).toUpper();
    return s;
}

QString ArchiveDisplayName(const QString &sFileName) {
    return ProperCase(sFileName.chopped(qMin<qsizetype>(4, sFileName.size())));
}

bool IsArchiveFileName(const std::string &sFileName) {
    static constexpr std::string_view kExtension = ".vl2";
    return sFileName.size() >= kExtension.size() &&
           SameCaseBlind(std::string_view(sFileName).substr(sFileName.size() - kExtension.size()),
                         kExtension);
}

std::string DiskPart(const QString &sText) {
    QString s = sText;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s.toStdString();
}

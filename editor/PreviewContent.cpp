#include "editor/PreviewContent.h"

#include "editor/FileTypes.h"

#include <QFile>
#include <QImageReader>
#include <QLocale>
#include <QStringDecoder>

PreviewKind PreviewKindOf(const QString &sFileName) {
    const QString sType = FileType(sFileName);
    if (sType == QLatin1String("PNG") || sType == QLatin1String("GIF") ||
        sType == QLatin1String("JPG") || sType == QLatin1String("PEG") ||
        sType == QLatin1String("BMP"))
        return PreviewKind::Picture;
    if (!IsHiddenType(sType) && TreeIconNumber(sType) == kIconText)
        return PreviewKind::Text;
    return PreviewKind::Facts;
}

namespace {

// The length of the text without an incomplete UTF-8 sequence at its end, where a cut
// may have parted one.
qsizetype WholeUtf8Length(const QByteArray &bytes) {
    qsizetype lEnd = bytes.size();
    // A sequence is at most 4 bytes: its lead byte lies within the last 4.
    for (qsizetype lBack = 1; lBack <= 4 && lBack <= bytes.size(); ++lBack) {
        const auto c = static_cast<unsigned char>(bytes.at(bytes.size() - lBack));
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte
        const qsizetype lNeeded = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (lNeeded > lBack)
            lEnd = bytes.size() - lBack;
        break;
    }
    return lEnd;
}

} // namespace

PreviewText ReadPreviewText(const std::string &sPath) {
    PreviewText text;
    QFile file(QString::fromStdString(sPath));
    if (!file.open(QIODevice::ReadOnly)) {
        text.sNote = QStringLiteral("The file could not be read: %1").arg(file.errorString());
        return text;
    }
    QByteArray bytes = file.read(static_cast<qint64>(kPreviewTextBytes));
    const bool bCut = !file.atEnd();
    if (bCut)
        bytes.truncate(WholeUtf8Length(bytes));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text.sText = utf8.decode(bytes);
    if (utf8.hasError()) {
        text.sText = QString::fromLatin1(bytes);
        text.sNote = QStringLiteral("This text is not UTF-8: it is shown as Latin-1.");
    }
    if (bCut) {
        const QString sCut = QStringLiteral("Only the first 2 MB of %1 are shown.")
                                 .arg(SizeText(static_cast<std::uint64_t>(file.size())));
        text.sNote = text.sNote.isEmpty() ? sCut : text.sNote + QLatin1Char(' ') + sCut;
    }
    return text;
}

PreviewPicture ReadPreviewPicture(const std::string &sPath) {
    PreviewPicture picture;
    QFile file(QString::fromStdString(sPath));
    if (!file.open(QIODevice::ReadOnly)) {
        picture.sNote = QStringLiteral("The picture could not be read: %1").arg(file.errorString());
        return picture;
    }
    if (static_cast<std::uint64_t>(file.size()) > kPreviewMaxBytes) {
        picture.sNote = QStringLiteral("The picture is too big to preview (%1).")
                            .arg(SizeText(static_cast<std::uint64_t>(file.size())));
        return picture;
    }
    // The type is read from the content: a file named .png that holds a JPEG shows.
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    picture.image = reader.read();
    if (picture.image.isNull())
        picture.sNote =
            QStringLiteral("The picture could not be decoded: %1").arg(reader.errorString());
    return picture;
}

QString SizeText(std::uint64_t lBytes) {
    const QLocale locale(QLocale::English);
    const QString sBytes =
        lBytes == 1 ? QStringLiteral("1 byte")
                    : QStringLiteral("%1 bytes").arg(locale.toString(static_cast<qulonglong>(lBytes)));
    if (lBytes < 1024)
        return sBytes;
    static const char *const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    double dValue = static_cast<double>(lBytes) / 1024.0;
    int nUnit = 0;
    while (dValue >= 1024.0 && nUnit < 3) {
        dValue /= 1024.0;
        ++nUnit;
    }
    return QStringLiteral("%1 (%2 %3)")
        .arg(sBytes, locale.toString(dValue, 'f', 1), QLatin1String(kUnits[nUnit]));
}

QString DateText(const ArchiveDate &date) {
    if (date.Year == 0)
        return {};
    return QStringLiteral("%1-%2-%3 %4:%5")
        .arg(date.Year, 4, 10, QLatin1Char('0'))
        .arg(date.Month, 2, 10, QLatin1Char('0'))
        .arg(date.Day, 2, 10, QLatin1Char('0'))
        .arg(date.Hour, 2, 10, QLatin1Char('0'))
        .arg(date.Minute, 2, 10, QLatin1Char('0'));
}

QString FactsText(const EntryFacts &facts) {
    QStringList lines;
    lines << QStringLiteral("Size: %1").arg(SizeText(facts.lSize));
    lines << QStringLiteral("Packed size: %1").arg(SizeText(facts.lPackedSize));
    lines << QStringLiteral("Method: %1")
                 .arg(facts.sMethod.isEmpty() ? QStringLiteral("unknown") : facts.sMethod);
    lines << QStringLiteral("CRC: %1").arg(
        QString::number(facts.lCRC, 16).rightJustified(8, QLatin1Char('0')).toUpper());
    const QString sDate = DateText(facts.date);
    lines << QStringLiteral("Date: %1").arg(sDate.isEmpty() ? QStringLiteral("none") : sDate);
    if (facts.bEncrypted)
        lines << QStringLiteral("Encrypted");
    return lines.join(QLatin1Char('\n'));
}

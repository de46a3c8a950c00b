// What the preview window shows of a file: a picture for the image types Qt reads, the
// text of the text types the tree knows (the first 2 MB), or an entry's facts for
// anything else. Reading never fails loudly: whatever cannot be shown (a picture that
// does not decode, text that is not UTF-8, a file that cannot be read or is too big)
// comes with a note for the window to show.
#pragma once

#include "archive/ArchiveDate.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <string>

enum class PreviewKind { Picture, Text, Facts };

// The kind of preview for a file name: by its type, as the tree sorts types.
PreviewKind PreviewKindOf(const QString &sFileName);

// How much of a text file is shown.
inline constexpr std::uint64_t kPreviewTextBytes = 2u * 1024u * 1024u;
// The largest picture read, and the largest entry unpacked only to be looked at.
inline constexpr std::uint64_t kPreviewMaxBytes = 256u * 1024u * 1024u;

struct PreviewText {
    QString sText;
    QString sNote; // why it is cut short, shown otherwise, or missing
};
// The first kPreviewTextBytes of the file, as UTF-8; text that is not UTF-8 is shown
// as Latin-1 with a note saying so.
PreviewText ReadPreviewText(const std::string &sPath);

struct PreviewPicture {
    QImage image; // null when it could not be read
    QString sNote;
};
PreviewPicture ReadPreviewPicture(const std::string &sPath);

// What the archive's listing says of an entry.
struct EntryFacts {
    std::uint64_t lSize = 0;
    std::uint64_t lPackedSize = 0;
    QString sMethod;
    std::uint32_t lCRC = 0;
    ArchiveDate date;
    bool bEncrypted = false;
};

// "1,234 bytes", with the size in KiB, MiB or GiB beside it from 1 KiB on.
QString SizeText(std::uint64_t lBytes);
// "2026-03-01 14:05"; empty for no date.
QString DateText(const ArchiveDate &date);
// One "Label: value" line per fact.
QString FactsText(const EntryFacts &facts);

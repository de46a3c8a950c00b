#include "editor/FileTypes.h"

#include <QLatin1StringView>
#include <algorithm>
#include <initializer_list>

namespace {

template <class Type> bool IsOneOf(const Type &sType, std::initializer_list<QLatin1StringView> types) {
    for (QLatin1StringView sOne : types)
        if (sType == sOne)
            return true;
    return false;
}

template <class Type> bool IsHidden(const Type &sType) {
    return IsOneOf(sType,
                   {QLatin1StringView("NAV"), QLatin1StringView("BM8"), QLatin1StringView("SPN"),
                    QLatin1StringView("TER"), QLatin1StringView("DSO"), QLatin1StringView("DSQ"),
                    QLatin1StringView("DTS"), QLatin1StringView("DIF")});
}

template <class Type> int IconNumber(const Type &sType) {
    if (IsOneOf(sType, {QLatin1StringView("PNG"), QLatin1StringView("GIF")}))
        return kIconPicture;
    if (sType == QLatin1StringView("JPG"))
        return kIconJpeg;
    if (sType == QLatin1StringView("BMP"))
        return kIconBitmap;
    if (IsOneOf(sType, {QLatin1StringView("WAV"), QLatin1StringView("MP3"),
                        QLatin1StringView("MPG"), QLatin1StringView("AVI")}))
        return kIconMedia;
    if (IsOneOf(sType,
                {QLatin1StringView("TXT"), QLatin1StringView("MIS"), QLatin1StringView(".CS"),
                 QLatin1StringView("DML"), QLatin1StringView("GUI"), QLatin1StringView("IFL")}))
        return kIconText;
    return kIconOther;
}

} // namespace

QString FileType(const QString &sFileName) {
    return sFileName.right(3).toUpper();
}

bool IsHiddenType(const QString &sType) {
    return IsHidden(sType);
}

int TreeIconNumber(const QString &sType) {
    return IconNumber(sType);
}

int TreeIconNumberOfName(std::string_view sName) {
    // Three plain ASCII bytes at the end are the name's last three characters, and
    // their upper case is ASCII's: the type is read without making a QString.
    const std::size_t lTail = std::min<std::size_t>(sName.size(), 3);
    char type[3];
    for (std::size_t i = 0; i < lTail; ++i) {
        const char c = sName[sName.size() - lTail + i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const QString sType = FileType(QString::fromUtf8(sName.data(),
                                                             static_cast<qsizetype>(sName.size())));
            return IsHidden(sType) ? 0 : IconNumber(sType);
        }
        type[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const QLatin1StringView sType(type, static_cast<qsizetype>(lTail));
    return IsHidden(sType) ? 0 : IconNumber(sType);
}

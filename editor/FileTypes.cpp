#include "editor/FileTypes.h"

#include <QLatin1StringView>
#include <initializer_list>

namespace {

bool IsOneOf(const QString &sType, std::initializer_list<QLatin1StringView> types) {
    for (QLatin1StringView sOne : types)
        if (sType == sOne)
            return true;
    return false;
}

} // namespace

QString FileType(const QString &sFileName) {
    return sFileName.right(3).toUpper();
}

bool IsHiddenType(const QString &sType) {
    return IsOneOf(sType,
                   {QLatin1StringView("NAV"), QLatin1StringView("BM8"), QLatin1StringView("SPN"),
                    QLatin1StringView("TER"), QLatin1StringView("DSO"), QLatin1StringView("DSQ"),
                    QLatin1StringView("DTS"), QLatin1StringView("DIF")});
}

int TreeIconNumber(const QString &sType) {
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

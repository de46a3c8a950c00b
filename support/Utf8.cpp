#include "support/Utf8.h"

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(std::uint32_t lUnit) {
    return lUnit >= 0xD800 && lUnit < 0xDC00;
}

bool IsLowSurrogate(std::uint32_t lUnit) {
    return lUnit >= 0xDC00 && lUnit < 0xE000;
}

} // namespace

void AppendUtf8(std::string &sOut, std::uint32_t lCode) {
    if (lCode < 0x80) {
        sOut += static_cast<char>(lCode);
    } else if (lCode < 0x800) {
        sOut += static_cast<char>(0xC0 | (lCode >> 6));
        sOut += static_cast<char>(0x80 | (lCode & 0x3F));
    } else if (lCode < 0x10000) {
        sOut += static_cast<char>(0xE0 | (lCode >> 12));
        sOut += static_cast<char>(0x80 | ((lCode >> 6) & 0x3F));
        sOut += static_cast<char>(0x80 | (lCode & 0x3F));
    } else {
        sOut += static_cast<char>(0xF0 | (lCode >> 18));
        sOut += static_cast<char>(0x80 | ((lCode >> 12) & 0x3F));
        sOut += static_cast<char>(0x80 | ((lCode >> 6) & 0x3F));
        sOut += static_cast<char>(0x80 | (lCode & 0x3F));
    }
}

void Utf16ToUtf8::Unit(std::uint16_t lUnit) {
    if (m_lHigh != 0) {
        if (IsLowSurrogate(lUnit)) {
            AppendUtf8(m_sOut, 0x10000 + ((m_lHigh - 0xD800u) << 10) + (lUnit - 0xDC00u));
            m_lHigh = 0;
            return;
        }
        Flush();
    }
    if (IsHighSurrogate(lUnit)) {
        m_lHigh = lUnit;
        return;
    }
    AppendUtf8(m_sOut, IsLowSurrogate(lUnit) ? kReplacement : lUnit);
}

void Utf16ToUtf8::Flush() {
    if (m_lHigh != 0) {
        AppendUtf8(m_sOut, kReplacement);
        m_lHigh = 0;
    }
}

std::string Utf16LeToUtf8(std::string_view sBytes) {
    std::string sText;
    Utf16ToUtf8 convert(sText);
    for (size_t i = 0; i + 1 < sBytes.size(); i += 2) {
        convert.Unit(static_cast<std::uint16_t>(static_cast<unsigned char>(sBytes[i]) |
                                                (static_cast<unsigned char>(sBytes[i + 1]) << 8)));
    }
    convert.Flush();
    return sText;
}

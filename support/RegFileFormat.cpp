#include "support/RegFileFormat.h"

#include "support/CaseBlind.h"
#include "support/Utf8.h"

#include <cstdio>
#include <string_view>
#include <unordered_map>

namespace regstore {

namespace {

const char *const HEADER = "Windows Registry Editor Version 5.00";
const char *const HEADER_OLD = "REGEDIT4";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// The text of the file as UTF-8: a UTF-16LE file (as the registry editor writes) is
// converted, a UTF-8 byte order mark dropped. False for a UTF-16 file of odd length.
bool DecodeText(const std::string &sBytes, std::string &sText) {
    if (sBytes.size() >= 2 && static_cast<unsigned char>(sBytes[0]) == 0xFF &&
        static_cast<unsigned char>(sBytes[1]) == 0xFE) {
        if (sBytes.size() % 2 != 0) {
            return false;
        }
        sText = Utf16LeToUtf8(std::string_view(sBytes).substr(2));
        return true;
    }
    if (sBytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        sText = sBytes.substr(3);
    } else {
        sText = sBytes;
    }
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view sText) {
    std::vector<std::string_view> lines;
    size_t lStart = 0;
    while (lStart <= sText.size()) {
        size_t lEnd = sText.find('\n', lStart);
        if (lEnd == std::string_view::npos) {
            lEnd = sText.size();
        }
        std::string_view sLine = sText.substr(lStart, lEnd - lStart);
        if (!sLine.empty() && sLine.back() == '\r') {
            sLine.remove_suffix(1);
        }
        lines.push_back(sLine);
        lStart = lEnd + 1;
    }
    return lines;
}

// Reads a quoted string starting at sLine[lPos] == '"'; on success lPos is just past the
// closing quote.
bool ReadQuoted(std::string_view sLine, size_t &lPos, std::string &sOut) {
    sOut.clear();
    ++lPos;
    while (lPos < sLine.size()) {
        char c = sLine[lPos];
        if (c == '"') {
            ++lPos;
            return true;
        }
        if (c == '\\' && lPos + 1 < sLine.size() &&
            (sLine[lPos + 1] == '\\' || sLine[lPos + 1] == '"')) {
            sOut += sLine[lPos + 1];
            lPos += 2;
            continue;
        }
        // Any other backslash stands for itself, as a hand-written path would mean it.
        sOut += c;
        ++lPos;
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ParseHexNumber(std::string_view sText, size_t lMaxDigits, std::uint32_t &lValue) {
    if (sText.empty() || sText.size() > lMaxDigits) {
        return false;
    }
    lValue = 0;
    for (char c : sText) {
        int lDigit = HexDigit(c);
        if (lDigit < 0) {
            return false;
        }
        lValue = (lValue << 4) | static_cast<std::uint32_t>(lDigit);
    }
    return true;
}

bool ParseHexBytes(std::string_view sText, std::string &sData) {
    sData.clear();
    sText = Trim(sText);
    if (sText.empty()) {
        return true;
    }
    size_t lStart = 0;
    while (true) {
        size_t lComma = sText.find(',', lStart);
        std::string_view sByte = Trim(sText.substr(lStart, lComma - lStart));
        // Exactly two digits a byte, as the registry editor writes them, so that a file
        // cut short in the middle of a byte is caught.
        std::uint32_t lByte = 0;
        if (sByte.size() != 2 || !ParseHexNumber(sByte, 2, lByte)) {
            return false;
        }
        sData += static_cast<char>(lByte);
        if (lComma == std::string_view::npos) {
            return true;
        }
        lStart = lComma + 1;
    }
}

std::string LineError(size_t lLine, const std::string &sMessage) {
    return "line " + std::to_string(lLine) + ": " + sMessage;
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t lMore;
        std::uint32_t lCode;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            lMore = 1;
            lCode = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            lMore = 2;
            lCode = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            lMore = 3;
            lCode = c & 0x07;
        } else {
            return false;
        }
        if (i + lMore >= s.size()) {
            return false;
        }
        for (size_t k = 1; k <= lMore; ++k) {
            unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) {
                return false;
            }
            lCode = (lCode << 6) | (d & 0x3F);
        }
        static const std::uint32_t MIN_CODE[] = {0, 0x80, 0x800, 0x10000};
        if (lCode < MIN_CODE[lMore] || lCode > 0x10FFFF || (lCode >= 0xD800 && lCode < 0xE000)) {
            return false;
        }
        i += lMore + 1;
    }
    return true;
}

std::string Escape(std::string_view sText) {
    std::string sOut;
    for (char c : sText) {
        if (c == '\\' || c == '"') {
            sOut += '\\';
        }
        sOut += c;
    }
    return sOut;
}

// A REG_SZ value is written as a quoted string when that form gives back exactly the
// same bytes: one terminating NUL, no other NUL, no line break, valid UTF-8.
bool FitsQuotedString(const RegValue &value) {
    if (value.lType != REG_SZ || value.sData.empty() || value.sData.back() != '\0') {
        return false;
    }
    std::string_view sText(value.sData.data(), value.sData.size() - 1);
    return sText.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos &&
           IsValidUtf8(sText);
}

void AppendHexData(std::string &sOut, size_t lLineStart, const std::string &sData) {
    for (size_t i = 0; i < sData.size(); ++i) {
        char aByte[4];
        std::snprintf(aByte, sizeof aByte, "%02x", static_cast<unsigned char>(sData[i]));
        sOut += aByte;
        if (i + 1 < sData.size()) {
            sOut += ',';
            // Wrap long data the way the registry editor does.
            if (sOut.size() - lLineStart > 76) {
                sOut += "\\\n  ";
                lLineStart = sOut.size() - 2;
            }
        }
    }
}

void AppendValue(std::string &sOut, const RegValue &value) {
    size_t lLineStart = sOut.size();
    sOut += value.sName.empty() ? std::string("@") : "\"" + Escape(value.sName) + "\"";
    sOut += '=';
    if (FitsQuotedString(value)) {
        sOut += "\"" + Escape(std::string_view(value.sData.data(), value.sData.size() - 1)) + "\"";
    } else if (value.lType == REG_DWORD && value.sData.size() == 4) {
        std::uint32_t lNumber = 0;
        for (int i = 3; i >= 0; --i) {
            lNumber =
                (lNumber << 8) | static_cast<unsigned char>(value.sData[static_cast<size_t>(i)]);
        }
        char aNumber[16];
        std::snprintf(aNumber, sizeof aNumber, "%08x", lNumber);
        sOut += "dword:";
        sOut += aNumber;
    } else {
        if (value.lType == REG_BINARY) {
            sOut += "hex:";
        } else {
            char aType[24];
            std::snprintf(aType, sizeof aType, "hex(%x):", value.lType);
            sOut += aType;
        }
        AppendHexData(sOut, lLineStart, value.sData);
    }
    sOut += '\n';
}

// Parses one value line (with its continuation lines, which advance lIndex).
bool ParseValueLine(const std::vector<std::string_view> &lines, size_t &lIndex, RegFileEntry &entry,
                    std::string &sError) {
    std::string_view sLine = Trim(lines[lIndex]);
    size_t lLineNumber = lIndex + 1;
    size_t lPos = 0;
    if (sLine[0] == '@') {
        entry.sName.clear();
        lPos = 1;
    } else if (!ReadQuoted(sLine, lPos, entry.sName)) {
        sError = LineError(lLineNumber, "the value name has no closing quote");
        return false;
    }
    while (lPos < sLine.size() && (sLine[lPos] == ' ' || sLine[lPos] == '\t')) {
        ++lPos;
    }
    if (lPos >= sLine.size() || sLine[lPos] != '=') {
        sError = LineError(lLineNumber, "\"=\" expected after the value name");
        return false;
    }
    std::string_view sData = Trim(sLine.substr(lPos + 1));
    if (sData == "-") {
        entry.bDelete = true;
        return true;
    }
    if (!sData.empty() && sData[0] == '"') {
        size_t lEnd = 0;
        if (!ReadQuoted(sData, lEnd, entry.sData) || !Trim(sData.substr(lEnd)).empty()) {
            sError = LineError(lLineNumber, "the string value is not closed by a quote at the "
                                            "end of the line");
            return false;
        }
        entry.lType = REG_SZ;
        entry.sData += '\0';
        return true;
    }
    if (StartsWithCaseBlind(sData, "dword:")) {
        std::uint32_t lNumber = 0;
        if (!ParseHexNumber(Trim(sData.substr(6)), 8, lNumber)) {
            sError = LineError(lLineNumber, "dword: needs one to eight hexadecimal digits");
            return false;
        }
        entry.lType = REG_DWORD;
        entry.sData.clear();
        for (int i = 0; i < 4; ++i) {
            entry.sData += static_cast<char>((lNumber >> (8 * i)) & 0xFF);
        }
        return true;
    }
    if (StartsWithCaseBlind(sData, "hex")) {
        std::string_view sRest = sData.substr(3);
        entry.lType = REG_BINARY;
        if (!sRest.empty() && sRest[0] == '(') {
            size_t lClose = sRest.find(')');
            if (lClose == std::string_view::npos ||
                !ParseHexNumber(sRest.substr(1, lClose - 1), 8, entry.lType)) {
                sError = LineError(lLineNumber, "hex(N): needs a hexadecimal type number N");
                return false;
            }
            sRest = sRest.substr(lClose + 1);
        }
        if (sRest.empty() || sRest[0] != ':') {
            sError = LineError(lLineNumber, "\":\" expected after hex");
            return false;
        }
        std::string sBytes(Trim(sRest.substr(1)));
        while (!sBytes.empty() && sBytes.back() == '\\') {
            sBytes.pop_back();
            if (lIndex + 1 >= lines.size()) {
                sError = LineError(lLineNumber, "the file ends inside hex data");
                return false;
            }
            ++lIndex;
            if (Trim(lines[lIndex]).empty()) {
                sError = LineError(lIndex + 1, "hex data continues onto an empty line");
                return false;
            }
            sBytes += Trim(lines[lIndex]);
        }
        if (!ParseHexBytes(sBytes, entry.sData)) {
            sError = LineError(lLineNumber, "hex data must be two-digit hexadecimal bytes "
                                            "separated by commas");
            return false;
        }
        return true;
    }
    sError = LineError(lLineNumber, "unknown kind of value data");
    return false;
}

} // namespace

RegFileParse ParseRegFile(const std::string &sBytes) {
    RegFileParse result;
    std::string sText;
    if (!DecodeText(sBytes, sText)) {
        result.sError = "the file is UTF-16 text of odd length";
        return result;
    }
    std::vector<std::string_view> lines = SplitLines(sText);
    bool bHeaderSeen = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view sLine = Trim(lines[i]);
        if (sLine.empty()) {
            continue;
        }
        if (!bHeaderSeen) {
            if (sLine != HEADER && sLine != HEADER_OLD) {
                result.sError = LineError(i + 1, std::string("the file does not start with \"") +
                                                     HEADER + "\"");
                return result;
            }
            bHeaderSeen = true;
            continue;
        }
        if (sLine[0] == ';') {
            continue;
        }
        if (sLine[0] == '[') {
            if (sLine.back() != ']') {
                result.sError = LineError(i + 1, "the key name has no closing \"]\"");
                return result;
            }
            RegFileSection section;
            section.lLine = static_cast<int>(i + 1);
            std::string_view sPath = sLine.substr(1, sLine.size() - 2);
            if (!sPath.empty() && sPath[0] == '-') {
                section.bDelete = true;
                sPath.remove_prefix(1);
            }
            if (Trim(sPath).empty()) {
                result.sError = LineError(i + 1, "empty key name");
                return result;
            }
            section.sPath = std::string(sPath);
            result.sections.push_back(std::move(section));
            continue;
        }
        if (sLine[0] != '"' && sLine[0] != '@') {
            result.sError = LineError(i + 1, "a key name in [brackets] or a value line "
                                             "(\"name\"=... or @=...) expected");
            return result;
        }
        if (result.sections.empty()) {
            result.sError = LineError(i + 1, "a value before the first [key] line");
            return result;
        }
        RegFileEntry entry;
        if (!ParseValueLine(lines, i, entry, result.sError)) {
            return result;
        }
        result.sections.back().entries.push_back(std::move(entry));
    }
    if (!bHeaderSeen) {
        result.sError = std::string("the file does not start with \"") + HEADER + "\"";
        return result;
    }
    result.bOk = true;
    return result;
}

std::string FormatRegFile(const RegDocument &doc) {
    std::string sOut = std::string(HEADER) + "\n";
    for (const RegKey &key : doc.keys) {
        sOut += "\n[" + key.sPath + "]\n";
        for (const RegValue &value : key.values) {
            AppendValue(sOut, value);
        }
    }
    return sOut;
}

bool BuildDocument(const std::vector<RegFileSection> &sections, RegDocument &doc,
                   std::string &sError) {
    doc.keys.clear();
    // Every read parses the whole store, so names are looked up through folded-name
    // indexes here rather than by a search of every key and value each time.
    std::unordered_map<std::string, size_t> keyIndex;
    std::vector<std::unordered_map<std::string, size_t>> valueIndex;
    for (const RegFileSection &section : sections) {
        if (section.bDelete) {
            sError = LineError(static_cast<size_t>(section.lLine), "a store holds no deletions");
            return false;
        }
        auto [itKey, bNewKey] = keyIndex.emplace(FoldCase(section.sPath), doc.keys.size());
        if (bNewKey) {
            doc.keys.push_back(RegKey{section.sPath, {}});
            valueIndex.emplace_back();
        }
        RegKey &key = doc.keys[itKey->second];
        std::unordered_map<std::string, size_t> &values = valueIndex[itKey->second];
        for (const RegFileEntry &entry : section.entries) {
            if (entry.bDelete) {
                sError =
                    LineError(static_cast<size_t>(section.lLine), "a store holds no deletions");
                return false;
            }
            auto [itValue, bNewValue] = values.emplace(FoldCase(entry.sName), key.values.size());
            if (bNewValue) {
                key.values.push_back(RegValue{entry.sName, entry.lType, entry.sData});
            } else {
                key.values[itValue->second].lType = entry.lType;
                key.values[itValue->second].sData = entry.sData;
            }
        }
    }
    return true;
}

void MergeSections(const std::vector<RegFileSection> &sections, RegDocument &doc) {
    for (const RegFileSection &section : sections) {
        if (section.bDelete) {
            doc.DeleteKeyTree(section.sPath);
            continue;
        }
        RegKey &key = doc.EnsureKey(section.sPath);
        for (const RegFileEntry &entry : section.entries) {
            if (entry.bDelete) {
                key.DeleteValue(entry.sName);
            } else {
                key.SetValue(entry.sName, entry.lType, entry.sData);
            }
        }
    }
}

} // namespace regstore

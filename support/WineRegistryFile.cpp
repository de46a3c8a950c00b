#include "support/WineRegistryFile.h"

#include "platform/os/AtomicFile.h"
#include "support/CaseBlind.h"
#include "support/Utf8.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace wine {

namespace {

const std::string_view kHeader = "WINE REGISTRY Version 2";

int DigitValue(char c, int lBase) {
    int lDigit = c >= '0' && c <= '9'   ? c - '0'
                 : c >= 'a' && c <= 'f' ? c - 'a' + 10
                 : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                        : 99;
    return lDigit < lBase ? lDigit : -1;
}

// Reads up to lMaxDigits digits of a number in lBase from sLine[lPos]; false when
// there is none.
bool ReadNumber(std::string_view sLine, size_t &lPos, int lBase, size_t lMaxDigits,
                std::uint32_t &lValue) {
    lValue = 0;
    size_t lDigits = 0;
    while (lDigits < lMaxDigits && lPos < sLine.size() && DigitValue(sLine[lPos], lBase) >= 0) {
        lValue = lValue * static_cast<std::uint32_t>(lBase) +
                 static_cast<std::uint32_t>(DigitValue(sLine[lPos], lBase));
        ++lPos;
        ++lDigits;
    }
    return lDigits > 0;
}

// The character that a C escape letter stands for (\n, \t...); -1 for other letters.
int ControlEscape(char c) {
    switch (c) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'e':
        return 27;
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    default:
        return -1;
    }
}

// Reads escaped text from sLine[lPos] up to the first unescaped cEnd, leaving lPos
// just past it. False when the line ends first.
bool ReadEscaped(std::string_view sLine, size_t &lPos, char cEnd, std::string &sOut) {
    sOut.clear();
    Utf16ToUtf8 units(sOut);
    while (lPos < sLine.size()) {
        char c = sLine[lPos++];
        if (c == cEnd) {
            return true;
        }
        if (c != '\\' || lPos >= sLine.size()) {
            units.Flush();
            sOut += c;
            continue;
        }
        char cEscaped = sLine[lPos++];
        std::uint32_t lUnit = 0;
        if (int lControl = ControlEscape(cEscaped); lControl >= 0) {
            units.Unit(static_cast<std::uint16_t>(lControl));
        } else if (cEscaped == 'x' && ReadNumber(sLine, lPos, 16, 4, lUnit)) {
            units.Unit(static_cast<std::uint16_t>(lUnit));
        } else if (cEscaped >= '0' && cEscaped <= '7') {
            --lPos;
            ReadNumber(sLine, lPos, 8, 3, lUnit);
            units.Unit(static_cast<std::uint16_t>(lUnit));
        } else {
            // "\\", "\"", "\[", "\]" and any other escaped character stand for themselves.
            units.Flush();
            sOut += cEscaped;
        }
    }
    return false;
}

std::string SizeText(std::size_t lBytes) {
    return lBytes % (1u << 20) == 0 ? std::to_string(lBytes >> 20) + " MiB"
                                    : std::to_string(lBytes) + " bytes";
}

std::string LineNote(size_t lLine, const std::string &sText) {
    return "line " + std::to_string(lLine) + ": " + sText;
}

// Splits the text into lines without copying; a "\r" before the line break goes.
class Lines {
public:
    explicit Lines(std::string_view sText) : m_sText(sText) {}

    bool Next(std::string_view &sLine) {
        if (m_lPos >= m_sText.size()) {
            return false;
        }
        size_t lEnd = m_sText.find('\n', m_lPos);
        if (lEnd == std::string_view::npos) {
            lEnd = m_sText.size();
        }
        sLine = m_sText.substr(m_lPos, lEnd - m_lPos);
        if (!sLine.empty() && sLine.back() == '\r') {
            sLine.remove_suffix(1);
        }
        m_lPos = lEnd + 1;
        ++m_lNumber;
        return true;
    }
    size_t Number() const { return m_lNumber; }

private:
    std::string_view m_sText;
    size_t m_lPos = 0;
    size_t m_lNumber = 0;
};

// The bytes of hex data ("41,00,42,00"), which may go on over the following lines
// after a trailing backslash. False when a byte is not two hexadecimal digits.
bool ReadHexBytes(std::string_view sData, Lines &lines, std::string &sBytes) {
    for (;;) {
        size_t lPos = 0;
        while (lPos < sData.size()) {
            char c = sData[lPos];
            if (c == ' ' || c == '\t' || c == ',') {
                ++lPos;
                continue;
            }
            if (c == '\\' && lPos + 1 == sData.size()) {
                break;
            }
            std::uint32_t lByte = 0;
            size_t lStart = lPos;
            if (!ReadNumber(sData, lPos, 16, 2, lByte) || lPos - lStart != 2) {
                return false;
            }
            sBytes += static_cast<char>(lByte);
        }
        if (sData.empty() || sData.back() != '\\') {
            return true;
        }
        if (!lines.Next(sData)) {
            return false;
        }
    }
}

// Reads the data of a value line (after "=") into value. False, with sProblem, when
// it cannot be read.
bool ReadValueData(std::string_view sData, Lines &lines, RegistryValue &value,
                   std::string &sProblem) {
    size_t lPos = 0;
    if (sData.substr(0, 1) == "\"" || sData.substr(0, 4) == "str(") {
        std::uint32_t lType = 1;
        if (sData[0] == 's') {
            lPos = 4;
            if (!ReadNumber(sData, lPos, 16, 8, lType) || sData.substr(lPos, 3) != "):\"") {
                sProblem = "a str(N): value needs a type number and a quoted string";
                return false;
            }
            lPos += 2;
        }
        ++lPos;
        std::string sText;
        if (!ReadEscaped(sData, lPos, '"', sText)) {
            sProblem = "the string has no closing quote";
            return false;
        }
        value.bString = lType == 1;
        value.sKind = lType == 1 ? "string" : "str(" + std::to_string(lType) + ")";
        value.sText = value.bString ? sText : std::string();
        return true;
    }
    if (sData.substr(0, 6) == "dword:") {
        value.sKind = "dword";
        return true;
    }
    if (sData.substr(0, 3) == "hex") {
        std::uint32_t lType = 3; // plain "hex:" is REG_BINARY
        lPos = 3;
        if (sData.substr(lPos, 1) == "(") {
            ++lPos;
            if (!ReadNumber(sData, lPos, 16, 8, lType) || sData.substr(lPos, 1) != ")") {
                sProblem = "hex(N): needs a hexadecimal type number";
                return false;
            }
            ++lPos;
        }
        if (sData.substr(lPos, 1) != ":") {
            sProblem = "\":\" expected after hex";
            return false;
        }
        std::string sBytes;
        if (!ReadHexBytes(sData.substr(lPos + 1), lines, sBytes)) {
            sProblem = "hex data must be two-digit bytes separated by commas";
            return false;
        }
        value.sKind = lType == 3 ? "hex" : "hex(" + std::to_string(lType) + ")";
        if (lType == 1) {
            // A string that Wine could not write as text: UTF-16LE up to its first NUL.
            value.bString = true;
            value.sText = Utf16LeToUtf8(sBytes);
            if (size_t lNul = value.sText.find('\0'); lNul != std::string::npos) {
                value.sText.resize(lNul);
            }
            value.sKind = "string";
        }
        return true;
    }
    sProblem = "unknown kind of value data";
    return false;
}

// Reads a value line ("name"=data or @=data) of a key asked for into key.
void ReadValueLine(std::string_view sLine, Lines &lines, RegistryKey &key) {
    size_t lLine = lines.Number();
    RegistryValue value;
    size_t lPos = 1;
    if (sLine[0] == '"' && !ReadEscaped(sLine, lPos, '"', value.sName)) {
        key.damaged.push_back(LineNote(lLine, "the value name has no closing quote"));
        return;
    }
    if (sLine.substr(lPos, 1) != "=") {
        key.damaged.push_back(LineNote(lLine, "\"=\" expected after the value name"));
        return;
    }
    std::string sProblem;
    if (!ReadValueData(sLine.substr(lPos + 1), lines, value, sProblem)) {
        key.damaged.push_back(LineNote(lLine, sProblem));
        return;
    }
    key.values.push_back(std::move(value));
}

} // namespace

const RegistryValue *RegistryKey::FindValue(const std::string &sName) const {
    for (const RegistryValue &value : values) {
        if (SameCaseBlind(value.sName, sName)) {
            return &value;
        }
    }
    return nullptr;
}

RegistryRead ParseRegistryKeys(const std::string &sText, const std::vector<std::string> &keyPaths) {
    RegistryRead read;
    Lines lines(sText);
    std::string_view sLine;
    if (!lines.Next(sLine) || sLine.substr(0, kHeader.size()) != kHeader ||
        sLine.find_first_not_of(" \t", kHeader.size()) != std::string_view::npos) {
        read.sProblem =
            "not a Wine registry file (its first line is not \"" + std::string(kHeader) + "\")";
        return read;
    }
    read.bRead = true;
    read.keys.resize(keyPaths.size());
    RegistryKey *pKey = nullptr; // the key asked for that the lines belong to, if any
    std::string sName;
    while (lines.Next(sLine)) {
        if (sLine.empty()) {
            continue;
        }
        if (sLine[0] == '[') {
            pKey = nullptr;
            size_t lPos = 1;
            if (!ReadEscaped(sLine, lPos, ']', sName)) {
                continue;
            }
            for (size_t i = 0; i < keyPaths.size(); ++i) {
                if (SameCaseBlind(sName, keyPaths[i])) {
                    pKey = &read.keys[i];
                    pKey->bFound = true;
                    break;
                }
            }
            continue;
        }
        if (pKey != nullptr && (sLine[0] == '"' || sLine[0] == '@')) {
            ReadValueLine(sLine, lines, *pKey);
        }
    }
    return read;
}

RegistryRead ReadRegistryKeys(const std::string &sFile, const std::vector<std::string> &keyPaths,
                              std::size_t lMaxBytes) {
    std::string sText;
    FileReadStatus eRead = ReadBoundedFile(sFile, lMaxBytes, sText);
    if (eRead != FileReadStatus::Read) {
        RegistryRead read;
        int lError = errno;
        read.sProblem = eRead == FileReadStatus::Missing ? std::string("no such file")
                        : lError == EFBIG                ? "larger than " + SizeText(lMaxBytes)
                        : lError == EISDIR || lError == EINVAL
                            ? std::string("not a regular file")
                            : "cannot be read: " + std::string(std::strerror(lError));
        return read;
    }
    return ParseRegistryKeys(sText, keyPaths);
}

} // namespace wine

// Reading a few keys of a Wine prefix's registry file (system.reg), where a Windows
// program's set-up, run under Wine, recorded where it installed itself:
//
//   WINE REGISTRY Version 2
//   ;; All keys relative to \\Machine
//   #arch=win64
//
//   [Software\\Wow6432Node\\Sierra Online\\Setup\\Tribes2] 1700000000
//   #time=1da2b3c4d5e6f70
//   "directory"="C:\\Dynamix\\Tribes2"
//   @="the unnamed value"
//
// Key names, value names and strings escape "\", the quote and the brackets with a
// backslash and write other characters as C escapes: \n, \x00e9 (a UTF-16 unit in
// hexadecimal), \033 (octal). A string value may also be written as hex(1): bytes of
// UTF-16LE text. Only the keys asked for are parsed; the rest of the file is skipped
// line by line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wine {

// Even a well-used prefix's system.reg is a few megabytes: a file far larger is not
// one, and reading it whole would hold up the programs' start-up.
inline constexpr std::size_t kMaxRegistryFileBytes = 64u << 20;

struct RegistryValue {
    std::string sName;
    bool bString = false; // a REG_SZ value, whose text is sText (UTF-8)
    std::string sText;
    std::string sKind; // what the value is when it is not a string ("dword", "hex(2)")
};

struct RegistryKey {
    bool bFound = false;
    std::vector<RegistryValue> values;
    // Value lines of the key that could not be read, each with its line number.
    std::vector<std::string> damaged;

    // The value of that name (letter case aside); nullptr when there is none.
    const RegistryValue *FindValue(const std::string &sName) const;
};

struct RegistryRead {
    bool bRead = false;
    std::string sProblem; // why the file could not be used, when bRead is false
    // One entry for each key asked for, in the order asked.
    std::vector<RegistryKey> keys;
};

// Reads the keys (paths relative to HKEY_LOCAL_MACHINE, matched without regard to
// case) from the Wine registry file sFile, reading at most lMaxBytes.
RegistryRead ReadRegistryKeys(const std::string &sFile, const std::vector<std::string> &keyPaths,
                              std::size_t lMaxBytes = kMaxRegistryFileBytes);

// The same from the file's content.
RegistryRead ParseRegistryKeys(const std::string &sText, const std::vector<std::string> &keyPaths);

} // namespace wine

// The content of the settings store in memory: keys in file order, each with its
// values as raw typed bytes, as the registry keeps them. Keys are addressed by their
// full path, root name first ("HKEY_LOCAL_MACHINE\SOFTWARE\Halvane"). Paths and value
// names match without regard to case; the first spelling stored is kept.
#pragma once

#include "support/modRegistry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace regstore {

// Registry value types.
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;
constexpr std::uint32_t REG_MULTI_SZ = 7;
constexpr std::uint32_t REG_QWORD = 11;

struct RegValue {
    std::string sName; // empty for the key's unnamed value
    std::uint32_t lType = REG_NONE;
    std::string sData; // raw bytes; a REG_SZ value normally ends in its NUL
};

struct RegKey {
    std::string sPath;
    std::vector<RegValue> values;

    const RegValue *FindValue(std::string_view sName) const;
    // Stores the value, keeping the spelling of an existing name. False when the value
    // already held exactly this type and data.
    bool SetValue(std::string_view sName, std::uint32_t lType, std::string_view sData);
    bool DeleteValue(std::string_view sName);
};

struct RegDocument {
    std::vector<RegKey> keys;

    const RegKey *FindKey(std::string_view sPath) const;
    RegKey *FindKey(std::string_view sPath);
    // True when the key has a section of its own or lies above a key that has one.
    bool KeyExists(std::string_view sPath) const;
    // The key at sPath, creating it and every missing key above it (below the root);
    // bCreated tells whether anything was added. New keys go after their parent's subtree.
    RegKey &EnsureKey(std::string_view sPath, bool *pbCreated = nullptr);
    // Removes the key and every key below it; false when there was none.
    bool DeleteKeyTree(std::string_view sPath);
};

// The full name of a root ("HKEY_LOCAL_MACHINE"), empty for an unknown one.
std::string RootName(RegRoot hKey);

// Recognises a root by its full or short name ("HKLM"), without regard to case.
bool ParseRootName(std::string_view sText, RegRoot &hKey);

// True when sPath is a usable key path below a root: no empty parts, and no character
// that the store's file cannot hold in a section line (line breaks, NUL).
bool IsValidKeyPath(std::string_view sPath);

// True when a value name can be written to the store's file (no line breaks or NUL).
bool IsValidValueName(std::string_view sName);

// Root name + "\" + sPath (just the root name when sPath is empty), or empty text when
// the root is unknown or the path is not valid. One trailing "\" is dropped from sPath.
std::string FullKeyPath(RegRoot hKey, std::string_view sPath);

} // namespace regstore

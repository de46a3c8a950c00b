// The settings store: string values below a root key, read with GetRegString
// and written with SetRegString. On Linux the store is one file per user,
// $XDG_CONFIG_HOME/Halvane/registry.reg, in the registry editor's export format.
// Key paths and value names match without regard to case. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum RegRoot : std::uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
};

// The text of a string value, or sDefault when the value cannot be read (missing key,
// missing value, a value of another type). Never creates anything.
std::string GetRegString(RegRoot hKey, const std::string &sPath, const std::string &sValue,
                         const std::string &sDefault);

// Stores sData as a string value, creating every missing key on the path. Reports nothing.
void SetRegString(RegRoot hKey, const std::string &sPath, const std::string &sValue,
                  const std::string &sData);

// Stores several string values of one key in one write of the store: all of them, or,
// when the store cannot be written, none. False then, with the reason in psError.
bool SetRegStrings(RegRoot hKey, const std::string &sPath,
                   const std::vector<std::pair<std::string, std::string>> &values,
                   std::string *psError = nullptr);

// The file that holds the store.
std::string RegistryFilePath();

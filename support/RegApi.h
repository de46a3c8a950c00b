// The registry calls that GetRegString and SetRegString are made of, over the file
// store: open a key, query a value's type and size or its data, create a key path, set
// a value, close a key. Each call reads the store afresh; each change is one locked,
// crash-safe rewrite of the file.
#pragma once

#include "support/RegDocument.h"

#include <cstdint>
#include <string>

namespace regstore {

using LONG = long;
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_KEY_DELETED = 1018;

// An open key: the full path of the key as the store spells it.
struct RegKeyHandle {
    std::string sPath;
};
using HKEY = RegKeyHandle *;

// Opens an existing key below the root; *phkResult stays null on failure.
LONG RegOpenKeyA(RegRoot hKey, const std::string &sSubKey, HKEY *phkResult);

// With pData null: reports the value's type and size in bytes. With a buffer of
// *plcbData bytes: fills it and sets *plcbData to the bytes written, or answers
// ERROR_MORE_DATA (with the size needed) when the buffer is too small.
LONG RegQueryValueExA(HKEY hKey, const std::string &sValueName, std::uint32_t *plType, char *pData,
                      std::uint32_t *plcbData);

// Closes the handle; a null handle fails harmlessly.
LONG RegCloseKey(HKEY hKey);

// Opens the key below the root, creating every missing key on the path.
LONG RegCreateKeyA(RegRoot hKey, const std::string &sSubKey, HKEY *phkResult);

// Stores lcbData bytes of pData as the value, of type lType.
LONG RegSetValueExA(HKEY hKey, const std::string &sValueName, std::uint32_t lReserved,
                    std::uint32_t lType, const char *pData, std::uint32_t lcbData);

} // namespace regstore

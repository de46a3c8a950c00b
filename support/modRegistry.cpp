#include "support/modRegistry.h"

#include "support/RegApi.h"

using namespace regstore;

std::string GetRegString(RegRoot hKey, const std::string &sPath, const std::string &sValue,
                         const std::string &sDefault) {
    std::string sResult = sDefault;
    HKEY hSubKey = nullptr;
    RegOpenKeyA(hKey, sPath, &hSubKey);
    // Another program may rewrite the value between the size query and the data query;
    // then the size is asked again, rather than handing back a buffer of blanks.
    for (int lAttempt = 0; lAttempt < 8; ++lAttempt) {
        std::uint32_t lType = 0;
        std::uint32_t lSize = 0;
        if (RegQueryValueExA(hSubKey, sValue, &lType, nullptr, &lSize) != ERROR_SUCCESS ||
            lType != REG_SZ) {
            break;
        }
        std::string sBuffer(lSize, ' ');
        std::uint32_t lFilled = lSize;
        LONG lStatus = RegQueryValueExA(hSubKey, sValue, &lType, sBuffer.data(), &lFilled);
        if (lStatus == ERROR_MORE_DATA) {
            continue;
        }
        if (lStatus == ERROR_SUCCESS && lType == REG_SZ) {
            sBuffer.resize(lFilled);
            // Up to the first NUL; a value stored without one comes back whole.
            sResult = sBuffer.substr(0, sBuffer.find('\0'));
        }
        break;
    }
    RegCloseKey(hSubKey);
    return sResult;
}

void SetRegString(RegRoot hKey, const std::string &sPath, const std::string &sValue,
                  const std::string &sData) {
    HKEY hSubKey = nullptr;
    RegCreateKeyA(hKey, sPath, &hSubKey);
    std::string sBytes = sData + '\0';
    RegSetValueExA(hSubKey, sValue, 0, REG_SZ, sBytes.data(),
                   static_cast<std::uint32_t>(sBytes.size()));
    RegCloseKey(hSubKey);
}

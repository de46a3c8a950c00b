#include "support/modRegistry.h"

#include "support/RegApi.h"
#include "support/RegStore.h"

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

bool SetRegStrings(RegRoot hKey, const std::string &sPath,
                   const std::vector<std::pair<std::string, std::string>> &values,
                   std::string *psError) {
    const std::string sFull = FullKeyPath(hKey, sPath);
    if (sFull.empty() || sFull.find('\\') == std::string::npos) {
        if (psError != nullptr)
            *psError = "the key " + sPath + " cannot be stored";
        return false;
    }
    for (const auto &value : values) {
        if (!IsValidValueName(value.first)) {
            if (psError != nullptr)
                *psError = "the value name " + value.first + " cannot be stored";
            return false;
        }
    }
    const StoreUpdate eResult = UpdateStore(
        [&](RegDocument &doc) {
            bool bChanged = false;
            RegKey &key = doc.EnsureKey(sFull, &bChanged);
            for (const auto &[sName, sData] : values) {
                const std::string sBytes = sData + '\0';
                bChanged |= key.SetValue(sName, REG_SZ, sBytes);
            }
            return bChanged;
        },
        psError);
    return eResult != StoreUpdate::Failed;
}

#include "support/RegApi.h"

#include "support/RegStore.h"

#include <cstring>

namespace regstore {

namespace {

// True when the path names the root itself, which always exists.
bool IsRoot(const std::string &sFullPath) {
    return sFullPath.find('\\') == std::string::npos;
}

} // namespace

LONG RegOpenKeyA(RegRoot hKey, const std::string &sSubKey, HKEY *phkResult) {
    *phkResult = nullptr;
    std::string sFull = FullKeyPath(hKey, sSubKey);
    if (sFull.empty()) {
        return ERROR_BAD_PATHNAME;
    }
    if (!IsRoot(sFull)) {
        RegDocument doc;
        ReadStore(doc);
        if (!doc.KeyExists(sFull)) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (const RegKey *pKey = doc.FindKey(sFull)) {
            sFull = pKey->sPath;
        }
    }
    *phkResult = new RegKeyHandle{sFull};
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, const std::string &sValueName, std::uint32_t *plType, char *pData,
                      std::uint32_t *plcbData) {
    if (hKey == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    RegDocument doc;
    ReadStore(doc);
    const RegKey *pKey = doc.FindKey(hKey->sPath);
    const RegValue *pValue = pKey == nullptr ? nullptr : pKey->FindValue(sValueName);
    if (pValue == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (plType != nullptr) {
        *plType = pValue->lType;
    }
    std::uint32_t lSize = static_cast<std::uint32_t>(pValue->sData.size());
    if (pData == nullptr) {
        if (plcbData != nullptr) {
            *plcbData = lSize;
        }
        return ERROR_SUCCESS;
    }
    if (plcbData == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (*plcbData < lSize) {
        *plcbData = lSize;
        return ERROR_MORE_DATA;
    }
    std::memcpy(pData, pValue->sData.data(), lSize);
    *plcbData = lSize;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    delete hKey;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyA(RegRoot hKey, const std::string &sSubKey, HKEY *phkResult) {
    *phkResult = nullptr;
    std::string sFull = FullKeyPath(hKey, sSubKey);
    if (sFull.empty()) {
        return ERROR_BAD_PATHNAME;
    }
    if (IsRoot(sFull)) {
        *phkResult = new RegKeyHandle{sFull};
        return ERROR_SUCCESS;
    }
    std::string sSpelled;
    StoreUpdate eResult = UpdateStore([&](RegDocument &doc) {
        bool bCreated = false;
        sSpelled = doc.EnsureKey(sFull, &bCreated).sPath;
        return bCreated;
    });
    if (eResult == StoreUpdate::Failed) {
        return ERROR_ACCESS_DENIED;
    }
    *phkResult = new RegKeyHandle{sSpelled};
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, const std::string &sValueName, std::uint32_t /*lReserved*/,
                    std::uint32_t lType, const char *pData, std::uint32_t lcbData) {
    if (hKey == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (!IsValidValueName(sValueName)) {
        return ERROR_BAD_PATHNAME;
    }
    bool bKeyGone = false;
    StoreUpdate eResult = UpdateStore([&](RegDocument &doc) {
        RegKey *pKey = doc.FindKey(hKey->sPath);
        if (pKey == nullptr) {
            // A key with no section of its own (the root, or a key only implied by the
            // keys below it in a hand-edited file) gets one; a removed key stays removed.
            if (!IsRoot(hKey->sPath) && !doc.KeyExists(hKey->sPath)) {
                bKeyGone = true;
                return false;
            }
            pKey = &doc.EnsureKey(hKey->sPath);
        }
        return pKey->SetValue(sValueName, lType,
                              std::string_view(pData == nullptr ? "" : pData, lcbData));
    });
    if (bKeyGone) {
        return ERROR_KEY_DELETED;
    }
    return eResult == StoreUpdate::Failed ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

} // namespace regstore

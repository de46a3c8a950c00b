#include "support/RegDocument.h"

#include "support/CaseBlind.h"

#include <algorithm>

namespace regstore {

namespace {

struct RootEntry {
    RegRoot hKey;
    const char *sName;
    const char *sShort;
};

const RootEntry ROOTS[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
};

bool HasUnwritableCharacter(std::string_view sText) {
    return sText.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

const RegValue *RegKey::FindValue(std::string_view sName) const {
    for (const RegValue &value : values) {
        if (SameCaseBlind(value.sName, sName)) {
            return &value;
        }
    }
    return nullptr;
}

bool RegKey::SetValue(std::string_view sName, std::uint32_t lType, std::string_view sData) {
    for (RegValue &value : values) {
        if (SameCaseBlind(value.sName, sName)) {
            if (value.lType == lType && value.sData == sData) {
                return false;
            }
            value.lType = lType;
            value.sData = std::string(sData);
            return true;
        }
    }
    values.push_back(RegValue{std::string(sName), lType, std::string(sData)});
    return true;
}

bool RegKey::DeleteValue(std::string_view sName) {
    auto it = std::find_if(values.begin(), values.end(), [&](const RegValue &value) {
        return SameCaseBlind(value.sName, sName);
    });
    if (it == values.end()) {
        return false;
    }
    values.erase(it);
    return true;
}

const RegKey *RegDocument::FindKey(std::string_view sPath) const {
    for (const RegKey &key : keys) {
        if (SameCaseBlind(key.sPath, sPath)) {
            return &key;
        }
    }
    return nullptr;
}

RegKey *RegDocument::FindKey(std::string_view sPath) {
    return const_cast<RegKey *>(static_cast<const RegDocument *>(this)->FindKey(sPath));
}

bool RegDocument::KeyExists(std::string_view sPath) const {
    std::string sBelow = std::string(sPath) + "\\";
    for (const RegKey &key : keys) {
        if (SameCaseBlind(key.sPath, sPath) || StartsWithCaseBlind(key.sPath, sBelow)) {
            return true;
        }
    }
    return false;
}

RegKey &RegDocument::EnsureKey(std::string_view sPath, bool *pbCreated) {
    if (pbCreated != nullptr) {
        *pbCreated = false;
    }
    // Walk down from the root, taking the stored spelling of every key that exists.
    std::string sSpelled;
    std::string_view sRest = sPath;
    bool bFirst = true;
    RegKey *pKey = nullptr;
    while (true) {
        std::string_view::size_type lSlash = sRest.find('\\');
        std::string_view sPart = sRest.substr(0, lSlash);
        std::string sParent = sSpelled;
        sSpelled = bFirst ? std::string(sPart) : sSpelled + "\\" + std::string(sPart);
        bool bLast = lSlash == std::string_view::npos;
        pKey = FindKey(sSpelled);
        if (pKey != nullptr) {
            sSpelled = pKey->sPath;
        } else if (!bFirst || bLast) {
            // A root gets a section of its own only when it is the key asked for.
            size_t lAt = keys.size();
            if (!bFirst) {
                auto itParent = std::find_if(keys.begin(), keys.end(), [&](const RegKey &key) {
                    return SameCaseBlind(key.sPath, sParent);
                });
                if (itParent != keys.end()) {
                    lAt = static_cast<size_t>(itParent - keys.begin()) + 1;
                    std::string sBelow = sParent + "\\";
                    while (lAt < keys.size() && StartsWithCaseBlind(keys[lAt].sPath, sBelow)) {
                        ++lAt;
                    }
                }
            }
            keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(lAt), RegKey{sSpelled, {}});
            pKey = &keys[lAt];
            if (pbCreated != nullptr) {
                *pbCreated = true;
            }
        }
        if (bLast) {
            return *pKey;
        }
        sRest = sRest.substr(lSlash + 1);
        bFirst = false;
    }
}

bool RegDocument::DeleteKeyTree(std::string_view sPath) {
    std::string sBelow = std::string(sPath) + "\\";
    size_t lBefore = keys.size();
    std::erase_if(keys, [&](const RegKey &key) {
        return SameCaseBlind(key.sPath, sPath) || StartsWithCaseBlind(key.sPath, sBelow);
    });
    return keys.size() != lBefore;
}

std::string RootName(RegRoot hKey) {
    for (const RootEntry &root : ROOTS) {
        if (root.hKey == hKey) {
            return root.sName;
        }
    }
    return {};
}

bool ParseRootName(std::string_view sText, RegRoot &hKey) {
    for (const RootEntry &root : ROOTS) {
        if (SameCaseBlind(sText, root.sName) || SameCaseBlind(sText, root.sShort)) {
            hKey = root.hKey;
            return true;
        }
    }
    return false;
}

bool IsValidKeyPath(std::string_view sPath) {
    if (sPath.empty()) {
        return true;
    }
    if (HasUnwritableCharacter(sPath)) {
        return false;
    }
    std::string_view::size_type lStart = 0;
    while (true) {
        std::string_view::size_type lSlash = sPath.find('\\', lStart);
        std::string_view sPart = sPath.substr(lStart, lSlash - lStart);
        if (sPart.empty()) {
            return false;
        }
        if (lSlash == std::string_view::npos) {
            return true;
        }
        lStart = lSlash + 1;
    }
}

bool IsValidValueName(std::string_view sName) {
    return !HasUnwritableCharacter(sName);
}

std::string FullKeyPath(RegRoot hKey, std::string_view sPath) {
    std::string sRoot = RootName(hKey);
    if (sRoot.empty()) {
        return {};
    }
    if (sPath.size() > 1 && sPath.back() == '\\') {
        sPath.remove_suffix(1);
    }
    if (!IsValidKeyPath(sPath)) {
        return {};
    }
    return sPath.empty() ? sRoot : sRoot + "\\" + std::string(sPath);
}

} // namespace regstore

// keplo-reg: reads and changes the settings store of Keplo and Pelterbox from the
// command line, in the manner of the registry's own "reg" command:
//
//   keplo-reg query  <KEY> [/v <name> | /ve]
//   keplo-reg add    <KEY> [/v <name> | /ve] [/t <type>] [/d <data>] [/f]
//   keplo-reg import <file.reg>
//   keplo-reg find-game [--save]
//
// The query output keeps reg's layout (a blank line, the key's full name, one line per
// value indented by four blanks, a blank line) so that scripts written for it work.
#include "platform/os/AtomicFile.h"
#include "support/CaseBlind.h"
#include "support/NativeGameSearch.h"
#include "support/RegFileFormat.h"
#include "support/RegStore.h"
#include "support/SettingsKeys.h"
#include "support/WineGameSearch.h"
#include "support/modRegistry.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace regstore;

namespace {

const char *const USAGE =
    "Usage:\n"
    "  keplo-reg query  <KEY> [/v <name> | /ve]\n"
    "  keplo-reg add    <KEY> [/v <name> | /ve] [/t <type>] [/d <data>] [/f]\n"
    "  keplo-reg import <file.reg>\n"
    "  keplo-reg find-game [--save]\n"
    "\n"
    "  <KEY>   ROOT\\Path\\Of\\Key, where ROOT is HKLM, HKCU, HKCR or HKU (or the\n"
    "          full names HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT,\n"
    "          HKEY_USERS). Quote it in the shell: 'HKLM\\SOFTWARE\\Sierra Online'.\n"
    "  /v      the value's name          /ve  the key's unnamed value\n"
    "  /t      REG_SZ (the default), REG_EXPAND_SZ, REG_DWORD or REG_BINARY\n"
    "  /d      the data: text; a number for REG_DWORD (decimal or 0x hexadecimal);\n"
    "          hexadecimal digits for REG_BINARY (\"0a1b\")\n"
    "  /f      accepted for compatibility; add never asks before replacing a value\n"
    "\n"
    "  import merges a .reg file (\"Windows Registry Editor Version 5.00\" format,\n"
    "  UTF-8 or UTF-16) into the store.\n"
    "\n"
    "  find-game looks for Tribes 2 in the Wine prefixes ($WINEPREFIX, ~/.wine,\n"
    "  Lutris' ~/Games/*, Bottles' bottles, PlayOnLinux' ~/.PlayOnLinux/wineprefix/*)\n"
    "  and prints what each one's registry holds for the game and for Photoshop 6.0;\n"
    "  then for native installs: a tribes2 folder (any letter case) in\n"
    "  /usr/local/games, /opt, /usr/games, ~/games or ~/.local/share/games.\n"
    "  --save stores the first usable game folder (a prefix's before a native one),\n"
    "  and Photoshop's folder from the same prefix when the store has none.\n"
    "  Exit code 0 when a usable folder was found.\n"
    "\n"
    "The store is $XDG_CONFIG_HOME/Halvane/registry.reg (default ~/.config/...).\n";

const char *const NOT_FOUND = "ERROR: The system was unable to find the specified registry "
                              "key or value.";
const char *const SUCCESS = "The operation completed successfully.";

// A mistake in what the user asked for: printed on standard error, exit code 1.
struct UsageError {
    std::string sText;
};

struct KeyArgument {
    std::string sFullPath; // "HKEY_LOCAL_MACHINE\SOFTWARE\..."
};

// The key path with its root named in full; empty when the root is unknown or the path
// has an empty part.
std::optional<std::string> NormaliseKeyPath(const std::string &sText, std::string &sProblem) {
    std::string::size_type lSlash = sText.find('\\');
    std::string sRoot = sText.substr(0, lSlash);
    std::string sRest = lSlash == std::string::npos ? std::string() : sText.substr(lSlash + 1);
    RegRoot hKey{};
    if (!ParseRootName(sRoot, hKey)) {
        sProblem = "unknown root key \"" + sRoot + "\" (use HKLM, HKCU, HKCR or HKU)";
        return std::nullopt;
    }
    std::string sFull = FullKeyPath(hKey, sRest);
    if (sFull.empty()) {
        sProblem = "invalid key path \"" + sText + "\"";
        return std::nullopt;
    }
    return sFull;
}

KeyArgument ParseKey(const std::string &sText) {
    std::string sProblem;
    std::optional<std::string> sFull = NormaliseKeyPath(sText, sProblem);
    if (!sFull) {
        throw UsageError{"ERROR: " + sProblem + "."};
    }
    return KeyArgument{*sFull};
}

bool IsOption(const std::string &sArg, const char *sName) {
    return (sArg.size() > 1 && (sArg[0] == '/' || sArg[0] == '-')) &&
           SameCaseBlind(sArg.substr(1), sName);
}

struct Options {
    std::optional<std::string> sValueName; // set by /v or /ve
    std::optional<std::string> sType;
    std::optional<std::string> sData;
    bool bForce = false;
};

Options ParseOptions(const std::vector<std::string> &args, size_t lFirst, bool bForAdd) {
    Options options;
    for (size_t i = lFirst; i < args.size(); ++i) {
        const std::string &sArg = args[i];
        auto next = [&](const char *sOption) -> std::string {
            if (i + 1 >= args.size()) {
                throw UsageError{std::string("ERROR: ") + sOption + " needs a value."};
            }
            return args[++i];
        };
        if (IsOption(sArg, "v") || IsOption(sArg, "ve")) {
            if (options.sValueName) {
                throw UsageError{"ERROR: give /v or /ve once."};
            }
            options.sValueName = IsOption(sArg, "ve") ? std::string() : next("/v");
        } else if (bForAdd && IsOption(sArg, "t")) {
            if (options.sType) {
                throw UsageError{"ERROR: give /t once."};
            }
            options.sType = next("/t");
        } else if (bForAdd && IsOption(sArg, "d")) {
            if (options.sData) {
                throw UsageError{"ERROR: give /d once."};
            }
            options.sData = next("/d");
        } else if (bForAdd && IsOption(sArg, "f")) {
            options.bForce = true;
        } else {
            throw UsageError{"ERROR: unknown option or extra argument \"" + sArg +
                             "\". Type \"keplo-reg /?\" for usage."};
        }
    }
    if (options.sValueName && !IsValidValueName(*options.sValueName)) {
        throw UsageError{"ERROR: a value name cannot hold a line break."};
    }
    return options;
}

std::string TypeName(std::uint32_t lType) {
    static const char *const NAMES[] = {"REG_NONE",
                                        "REG_SZ",
                                        "REG_EXPAND_SZ",
                                        "REG_BINARY",
                                        "REG_DWORD",
                                        "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",
                                        "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST",
                                        "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST",
                                        "REG_QWORD"};
    if (lType < sizeof NAMES / sizeof NAMES[0]) {
        return NAMES[lType];
    }
    char aText[24];
    std::snprintf(aText, sizeof aText, "0x%x", lType);
    return aText;
}

std::uint64_t LittleEndian(const std::string &sData) {
    std::uint64_t lNumber = 0;
    for (size_t i = sData.size(); i > 0; --i) {
        lNumber = (lNumber << 8) | static_cast<unsigned char>(sData[i - 1]);
    }
    return lNumber;
}

std::string DisplayData(const RegValue &value) {
    switch (value.lType) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return value.sData.substr(0, value.sData.find('\0'));
    case REG_MULTI_SZ: {
        std::string sText = value.sData;
        while (!sText.empty() && sText.back() == '\0') {
            sText.pop_back();
        }
        std::string sShown;
        for (char c : sText) {
            sShown += c == '\0' ? std::string("\\0") : std::string(1, c);
        }
        return sShown;
    }
    case REG_DWORD:
    case REG_QWORD:
        if (value.sData.size() == (value.lType == REG_DWORD ? 4u : 8u)) {
            char aText[24];
            std::snprintf(aText, sizeof aText, "0x%llx",
                          static_cast<unsigned long long>(LittleEndian(value.sData)));
            return aText;
        }
        [[fallthrough]];
    default: {
        std::string sHex;
        for (char c : value.sData) {
            char aByte[4];
            std::snprintf(aByte, sizeof aByte, "%02X", static_cast<unsigned char>(c));
            sHex += aByte;
        }
        return sHex;
    }
    }
}

void PrintValue(const RegValue &value) {
    std::cout << "    " << (value.sName.empty() ? std::string("(Default)") : value.sName) << "    "
              << TypeName(value.lType) << "    " << DisplayData(value) << "\n";
}

// The store as it stands; a damaged one is reported and reads as empty.
RegDocument LoadStoreForReading() {
    RegDocument doc;
    std::string sError;
    StoreRead eRead = ReadStore(doc, &sError);
    if (eRead == StoreRead::Unreadable) {
        throw UsageError{"ERROR: cannot read the settings store " + RegistryFilePath() + ": " +
                         sError + "."};
    }
    if (eRead == StoreRead::Damaged) {
        std::cerr << "WARNING: the settings store " << RegistryFilePath() << " is damaged ("
                  << sError << "); it reads as empty.\n";
    }
    return doc;
}

// Tells the outcome of a change on standard error (failure) or output (success).
int ReportUpdate(StoreUpdate eResult, const std::string &sError, const std::string &sKeptAside) {
    if (eResult == StoreUpdate::Failed) {
        std::cerr << "ERROR: " << sError << ".\n";
        return 1;
    }
    if (!sKeptAside.empty()) {
        std::cerr << "WARNING: the settings store was damaged; it was kept as " << sKeptAside
                  << " and replaced by a new one.\n";
    }
    std::cout << SUCCESS << "\n";
    return 0;
}

int Query(const std::vector<std::string> &args) {
    if (args.size() < 2) {
        throw UsageError{"ERROR: query needs a key. Type \"keplo-reg /?\" for usage."};
    }
    KeyArgument key = ParseKey(args[1]);
    Options options = ParseOptions(args, 2, false);
    RegDocument doc = LoadStoreForReading();
    if (!doc.KeyExists(key.sFullPath)) {
        std::cerr << NOT_FOUND << "\n";
        return 1;
    }
    const RegKey *pKey = doc.FindKey(key.sFullPath);
    std::string sShownPath = pKey != nullptr ? pKey->sPath : key.sFullPath;
    if (options.sValueName) {
        const RegValue *pValue = pKey == nullptr ? nullptr : pKey->FindValue(*options.sValueName);
        if (pValue == nullptr) {
            std::cerr << NOT_FOUND << "\n";
            return 1;
        }
        std::cout << "\n" << sShownPath << "\n";
        PrintValue(*pValue);
        std::cout << "\n";
        return 0;
    }
    std::cout << "\n" << sShownPath << "\n";
    if (pKey != nullptr) {
        for (const RegValue &value : pKey->values) {
            PrintValue(value);
        }
    }
    std::cout << "\n";
    // The keys directly below, each named once, in the spelling first stored.
    std::vector<std::string> subKeys;
    std::string sBelow = sShownPath + "\\";
    for (const RegKey &other : doc.keys) {
        if (!StartsWithCaseBlind(other.sPath, sBelow)) {
            continue;
        }
        std::string sChild = other.sPath.substr(0, other.sPath.find('\\', sBelow.size()));
        bool bSeen = false;
        for (const std::string &sKnown : subKeys) {
            bSeen = bSeen || SameCaseBlind(sKnown, sChild);
        }
        if (!bSeen) {
            subKeys.push_back(sChild);
        }
    }
    for (const std::string &sChild : subKeys) {
        std::cout << sBelow << sChild.substr(sBelow.size()) << "\n";
    }
    return 0;
}

std::string DataBytes(const std::string &sType, const std::optional<std::string> &sData,
                      std::uint32_t &lType) {
    std::string sText = sData.value_or("");
    if (SameCaseBlind(sType, "REG_SZ") || SameCaseBlind(sType, "REG_EXPAND_SZ")) {
        lType = SameCaseBlind(sType, "REG_SZ") ? REG_SZ : REG_EXPAND_SZ;
        return sText + '\0';
    }
    if (SameCaseBlind(sType, "REG_DWORD")) {
        lType = REG_DWORD;
        bool bHex = sText.size() > 2 && sText[0] == '0' && (sText[1] == 'x' || sText[1] == 'X');
        std::string sDigits = bHex ? sText.substr(2) : sText;
        const char *sAllowed = bHex ? "0123456789abcdefABCDEF" : "0123456789";
        if (sDigits.empty() || sDigits.find_first_not_of(sAllowed) != std::string::npos) {
            throw UsageError{"ERROR: REG_DWORD data must be a number (decimal, or hexadecimal "
                             "with 0x), not \"" +
                             sText + "\"."};
        }
        errno = 0;
        unsigned long long lNumber = std::strtoull(sDigits.c_str(), nullptr, bHex ? 16 : 10);
        if (errno == ERANGE || lNumber > 0xFFFFFFFFull) {
            throw UsageError{"ERROR: REG_DWORD data \"" + sText + "\" is larger than 32 bits."};
        }
        std::string sBytes;
        for (int i = 0; i < 4; ++i) {
            sBytes += static_cast<char>((lNumber >> (8 * i)) & 0xFF);
        }
        return sBytes;
    }
    if (SameCaseBlind(sType, "REG_BINARY")) {
        lType = REG_BINARY;
        if (sText.size() % 2 != 0 ||
            sText.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            throw UsageError{"ERROR: REG_BINARY data must be pairs of hexadecimal digits, not \"" +
                             sText + "\"."};
        }
        std::string sBytes;
        for (size_t i = 0; i < sText.size(); i += 2) {
            sBytes += static_cast<char>(std::stoul(sText.substr(i, 2), nullptr, 16));
        }
        return sBytes;
    }
    throw UsageError{"ERROR: unknown type \"" + sType +
                     "\" (use REG_SZ, REG_EXPAND_SZ, REG_DWORD or REG_BINARY)."};
}

int Add(const std::vector<std::string> &args) {
    if (args.size() < 2) {
        throw UsageError{"ERROR: add needs a key. Type \"keplo-reg /?\" for usage."};
    }
    KeyArgument key = ParseKey(args[1]);
    Options options = ParseOptions(args, 2, true);
    bool bSetsValue = options.sValueName || options.sData || options.sType;
    std::uint32_t lType = REG_SZ;
    std::string sBytes;
    if (bSetsValue) {
        if (SameCaseBlind(options.sType.value_or("REG_SZ"), "REG_DWORD") && !options.sData) {
            throw UsageError{"ERROR: REG_DWORD needs /d <number>."};
        }
        sBytes = DataBytes(options.sType.value_or("REG_SZ"), options.sData, lType);
    }
    std::string sError;
    std::string sKeptAside;
    StoreUpdate eResult = UpdateStore(
        [&](RegDocument &doc) {
            bool bCreated = false;
            RegKey &regKey = doc.EnsureKey(key.sFullPath, &bCreated);
            bool bChanged =
                bSetsValue && regKey.SetValue(options.sValueName.value_or(""), lType, sBytes);
            return bCreated || bChanged;
        },
        &sError, &sKeptAside);
    return ReportUpdate(eResult, sError, sKeptAside);
}

int Import(const std::vector<std::string> &args) {
    if (args.size() < 2) {
        throw UsageError{"ERROR: import needs a .reg file. Type \"keplo-reg /?\" for usage."};
    }
    if (args.size() > 2) {
        throw UsageError{"ERROR: import takes one file, not \"" + args[2] + "\"."};
    }
    const std::string &sFile = args[1];
    std::string sBytes;
    FileReadStatus eRead = ReadWholeFile(sFile, sBytes);
    if (eRead != FileReadStatus::Read) {
        throw UsageError{"ERROR: cannot read " + sFile + ": " +
                         (eRead == FileReadStatus::Missing ? std::string("no such file")
                                                           : std::string(std::strerror(errno))) +
                         "."};
    }
    RegFileParse parse = ParseRegFile(sBytes);
    if (!parse.bOk) {
        throw UsageError{"ERROR: " + sFile + " is not a registry file: " + parse.sError + "."};
    }
    for (RegFileSection &section : parse.sections) {
        std::string sProblem;
        std::optional<std::string> sFull = NormaliseKeyPath(section.sPath, sProblem);
        if (!sFull) {
            throw UsageError{"ERROR: " + sFile + ": line " + std::to_string(section.lLine) + ": " +
                             sProblem + "."};
        }
        section.sPath = *sFull;
        for (const RegFileEntry &entry : section.entries) {
            if (!IsValidValueName(entry.sName)) {
                throw UsageError{"ERROR: " + sFile + ": a value name below line " +
                                 std::to_string(section.lLine) + " holds a NUL character."};
            }
        }
    }
    std::string sError;
    std::string sKeptAside;
    StoreUpdate eResult = UpdateStore(
        [&](RegDocument &doc) {
            MergeSections(parse.sections, doc);
            return true;
        },
        &sError, &sKeptAside);
    return ReportUpdate(eResult, sError, sKeptAside);
}

void PrintRegistration(const wine::Registration &found) {
    std::string sLabel = wine::ProgramName(found.eProgram);
    sLabel.resize(16, ' ');
    std::cout << "    " << sLabel << found.sWindowsPath << "  ->  "
              << (found.sFolder.empty() ? "not usable: " + found.sProblem : found.sFolder) << "\n";
}

void PrintReport(const wine::PrefixReport &report) {
    std::cout << report.prefix.sFolder << " (" << report.prefix.sSource << ")\n";
    if (!report.sProblem.empty()) {
        std::cout << "    system.reg skipped: " << report.sProblem << "\n";
        return;
    }
    for (const std::string &sDamaged : report.damaged) {
        std::cout << "    damaged line skipped: " << sDamaged << "\n";
    }
    for (const wine::Registration &found : report.registrations) {
        PrintRegistration(found);
    }
    for (wine::Program eProgram : {wine::Program::Game, wine::Program::Photoshop}) {
        bool bRegistered = false;
        for (const wine::Registration &found : report.registrations) {
            bRegistered = bRegistered || found.eProgram == eProgram;
        }
        if (!bRegistered) {
            std::string sLabel = wine::ProgramName(eProgram);
            sLabel.resize(16, ' ');
            std::cout << "    " << sLabel << "not registered\n";
        }
    }
}

// Says what was stored; checks by reading the game's folder back, since the store's
// writer reports nothing.
int ReportStored(const wine::StoredFolders &stored) {
    const std::string sRead = GetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, "");
    if (sRead != stored.sGameFolder) {
        std::cerr << "ERROR: cannot write the settings store " << RegistryFilePath() << ".\n";
        return 1;
    }
    std::cout << "Stored the folder of Tribes 2: " << stored.sGameFolder << "\n";
    if (!stored.sPhotoshopFolder.empty()) {
        std::cout << "Stored the folder of Photoshop 6.0: " << stored.sPhotoshopFolder << "\n";
    }
    std::cout << SUCCESS << "\n";
    return 0;
}

void PrintInstall(const native::Install &install) {
    std::cout << install.sFolder << " (native install)\n"
              << "    Tribes 2        "
              << (install.sProblem.empty() ? std::string("usable")
                                           : "not usable: " + install.sProblem)
              << "\n";
}

int FindGame(const std::vector<std::string> &args) {
    bool bSave = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--save" || IsOption(args[i], "save")) {
            bSave = true;
        } else {
            throw UsageError{"ERROR: unknown option or extra argument \"" + args[i] +
                             "\". Type \"keplo-reg /?\" for usage."};
        }
    }
    const std::vector<wine::Prefix> prefixes = wine::PrefixesToSearch();
    const std::vector<native::Install> installs = native::FindInstalls(native::InstallRoots());
    if (prefixes.empty() && installs.empty()) {
        std::cerr << "No Wine prefix found ($WINEPREFIX, ~/.wine, ~/Games/*, Bottles' "
                     "bottles, ~/.PlayOnLinux/wineprefix/*), and no native install of Tribes 2 "
                     "(a tribes2 folder in "
                  << native::InstallRootsText() << ").\n";
        return 1;
    }
    std::optional<wine::PrefixReport> firstWithGame;
    for (const wine::Prefix &prefix : prefixes) {
        wine::PrefixReport report = wine::InspectPrefix(prefix);
        PrintReport(report);
        if (!firstWithGame && report.Usable(wine::Program::Game) != nullptr) {
            firstWithGame = std::move(report);
        }
    }
    // The Wine prefixes come first, as in the programs' own search.
    const native::Install *pNative = nullptr;
    for (const native::Install &install : installs) {
        PrintInstall(install);
        if (pNative == nullptr && install.sProblem.empty()) {
            pNative = &install;
        }
    }
    std::cout << "\n";
    if (!firstWithGame && pNative == nullptr) {
        std::cerr << "No Wine prefix or native install holds a usable folder of Tribes 2.\n";
        return 1;
    }
    if (firstWithGame) {
        std::cout << "Tribes 2: " << firstWithGame->Usable(wine::Program::Game)->sFolder << "\n";
        return bSave ? ReportStored(wine::StoreFoldersOf(*firstWithGame)) : 0;
    }
    std::cout << "Tribes 2: " << pNative->sFolder << "\n";
    if (!bSave) {
        return 0;
    }
    SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, pNative->sFolder);
    return ReportStored({pNative->sFolder, std::string()});
}

} // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string &sArg : args) {
        if (sArg == "/?" || sArg == "-?" || sArg == "-h" || sArg == "--help") {
            std::cout << USAGE;
            return 0;
        }
    }
    if (args.empty()) {
        std::cerr << USAGE;
        return 1;
    }
    try {
        if (SameCaseBlind(args[0], "query")) {
            return Query(args);
        }
        if (SameCaseBlind(args[0], "add")) {
            return Add(args);
        }
        if (SameCaseBlind(args[0], "import")) {
            return Import(args);
        }
        if (SameCaseBlind(args[0], "find-game")) {
            return FindGame(args);
        }
        throw UsageError{
            "ERROR: unknown command \"" + args[0] +
            "\" (use query, add, import or find-game). Type \"keplo-reg /?\" for usage."};
    } catch (const UsageError &error) {
        std::cerr << error.sText << "\n";
        return 1;
    } catch (const std::exception &error) {
        std::cerr << "ERROR: " << error.what() << "\n";
        return 1;
    }
}

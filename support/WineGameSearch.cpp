#include "support/WineGameSearch.h"

#include "platform/os/AtomicFile.h"
#include "platform/os/Log.h"
#include "support/SettingsKeys.h"
#include "support/WinePaths.h"
#include "support/WineRegistryFile.h"
#include "support/modOther.h"
#include "support/modRegistry.h"

#include <ostream>

namespace wine {

namespace {

struct Wanted {
    Program eProgram;
    std::string sKey;
    std::string sValue;
};

// A 64-bit Windows keeps what 32-bit programs write below SOFTWARE in
// SOFTWARE\Wow6432Node, and so does a 64-bit Wine prefix.
std::string Wow6432Twin(const std::string &sKey) {
    const std::string::size_type lSlash = sKey.find('\\');
    return sKey.substr(0, lSlash) + "\\Wow6432Node" + sKey.substr(lSlash);
}

std::vector<Wanted> WantedValues() {
    return {{Program::Game, kGameSetupKey, kGameFolderValue},
            {Program::Game, Wow6432Twin(kGameSetupKey), kGameFolderValue},
            {Program::Photoshop, kPhotoshopKey, ""},
            {Program::Photoshop, Wow6432Twin(kPhotoshopKey), ""}};
}

std::string ValueLabel(const Wanted &wanted) {
    return wanted.sValue.empty() ? std::string("the unnamed value") : "\"" + wanted.sValue + "\"";
}

// Checks a registered folder: it must be a string naming a folder of the prefix, and
// the game's must hold its archives.
Registration CheckRegistration(const Prefix &prefix, const Wanted &wanted,
                               const RegistryValue &value) {
    Registration found;
    found.eProgram = wanted.eProgram;
    found.sKey = wanted.sKey;
    found.sWindowsPath = value.sText;
    if (!value.bString) {
        found.sProblem = ValueLabel(wanted) + " is a " + value.sKind + " value, not a string";
        return found;
    }
    if (value.sText.empty()) {
        found.sProblem = ValueLabel(wanted) + " is empty";
        return found;
    }
    PrefixFolder folder = FolderInPrefix(prefix.sFolder, value.sText);
    if (folder.sFolder.empty()) {
        found.sProblem = folder.sProblem;
    } else if (wanted.eProgram == Program::Game &&
               !FolderExists(folder.sFolder + "/GameData/base")) {
        found.sProblem = folder.sFolder + " holds no GameData/base folder";
    } else {
        found.sFolder = folder.sFolder;
    }
    return found;
}

std::string StoredGameFolder() {
    return GetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, "");
}

std::string StoredPhotoshopFolder() {
    return GetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", "");
}

} // namespace

const char *ProgramName(Program eProgram) {
    return eProgram == Program::Game ? "Tribes 2" : "Photoshop 6.0";
}

const Registration *PrefixReport::Usable(Program eProgram) const {
    for (const Registration &found : registrations) {
        if (found.eProgram == eProgram && !found.sFolder.empty()) {
            return &found;
        }
    }
    return nullptr;
}

PrefixReport InspectPrefix(const Prefix &prefix) {
    PrefixReport report;
    report.prefix = prefix;
    const std::vector<Wanted> wanted = WantedValues();
    std::vector<std::string> keys;
    for (const Wanted &one : wanted) {
        keys.push_back(one.sKey);
    }
    RegistryRead read = ReadRegistryKeys(SystemRegistryFile(prefix), keys);
    if (!read.bRead) {
        report.sProblem = read.sProblem;
        return report;
    }
    for (size_t i = 0; i < wanted.size(); ++i) {
        const RegistryKey &key = read.keys[i];
        for (const std::string &sDamaged : key.damaged) {
            report.damaged.push_back("[" + wanted[i].sKey + "] " + sDamaged);
        }
        if (const RegistryValue *pValue = key.FindValue(wanted[i].sValue)) {
            report.registrations.push_back(CheckRegistration(prefix, wanted[i], *pValue));
        }
    }
    return report;
}

void WriteSkipNotes(const PrefixReport &report, std::ostream &notes) {
    const std::string sWhere = "Wine prefix " + report.prefix.sFolder + ": ";
    if (!report.sProblem.empty()) {
        notes << sWhere << "skipped " << SystemRegistryFile(report.prefix) << ": "
              << report.sProblem << "\n";
    }
    for (const std::string &sDamaged : report.damaged) {
        notes << sWhere << "skipped a damaged line of system.reg: " << sDamaged << "\n";
    }
    for (const Registration &found : report.registrations) {
        if (found.sFolder.empty()) {
            notes << sWhere << "skipped " << ProgramName(found.eProgram) << "'s folder \""
                  << found.sWindowsPath << "\": " << found.sProblem << "\n";
        }
    }
}

std::string PrefixSummary(const PrefixReport &report) {
    if (!report.sProblem.empty())
        return "its registry was skipped: " + report.sProblem;
    std::string sSummary;
    for (const Registration &found : report.registrations)
        sSummary += (sSummary.empty() ? "" : "; ") + std::string(ProgramName(found.eProgram)) +
                    " at \"" + found.sWindowsPath + "\"" +
                    (found.sFolder.empty() ? " (" + found.sProblem + ")" : " = " + found.sFolder);
    return sSummary.empty() ? "it names neither Tribes 2 nor Photoshop 6.0" : sSummary;
}

bool StoreHoldsUsableGameFolder() {
    const std::string sLong = GetLongFileName(StoredGameFolder());
    return !sLong.empty() && FolderExists(sLong);
}

StoredFolders StoreFoldersOf(const PrefixReport &report) {
    StoredFolders stored;
    if (const Registration *pGame = report.Usable(Program::Game)) {
        SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, pGame->sFolder);
        stored.sGameFolder = pGame->sFolder;
    }
    const Registration *pPhotoshop = report.Usable(Program::Photoshop);
    if (pPhotoshop != nullptr && StoredPhotoshopFolder().empty()) {
        // Photoshop's folder is kept with its closing separator, as its set-up
        // writes it: the plug-in paths are appended to it directly.
        const std::string sFolder = pPhotoshop->sFolder == "/" ? "/" : pPhotoshop->sFolder + "/";
        SetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", sFolder);
        stored.sPhotoshopFolder = sFolder;
    }
    return stored;
}

StoredFolders FindGameInWine(std::ostream &notes) noexcept {
    try {
        if (StoreHoldsUsableGameFolder()) {
            LogLine(LogArea::Wine, "the settings store names the game's folder " +
                                       StoredGameFolder() + ": no Wine prefix is searched");
            return {};
        }
        for (const Prefix &prefix : PrefixesToSearch()) {
            const PrefixReport report = InspectPrefix(prefix);
            WriteSkipNotes(report, notes);
            if (LogEnabled(LogArea::Wine))
                LogLine(LogArea::Wine, "looked at the Wine prefix " + prefix.sFolder + " (" +
                                           prefix.sSource + "): " + PrefixSummary(report));
            if (report.Usable(Program::Game) != nullptr) {
                return StoreFoldersOf(report);
            }
        }
        LogLine(LogArea::Wine, "no Wine prefix holds a usable folder of Tribes 2");
    } catch (...) {
        // The search only helps: when it fails the start-up goes on as if it found nothing.
    }
    return {};
}

} // namespace wine

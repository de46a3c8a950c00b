// keplo-kept: the kept versions of the game's archives from the command line, for a
// player whose game no longer starts after an edit:
//
//   keplo-kept [--game FOLDER] list
//   keplo-kept [--game FOLDER] restore NAME
//   keplo-kept [--game FOLDER] undo NAME
//   keplo-kept [--game FOLDER] forget NAME
//
// NAME is the archive's path below the game folder (GameData/base/scripts.vl2), its
// file name (scripts.vl2) or its name in Keplo's chooser (Scripts). The exit status is
// 0 only when the tool did what was asked; 1 when it did not (nothing kept, a damaged
// kept version, the archive unpacked in Keplo's work folder, a failure); 2 for a
// command it does not understand.
#include "support/GameFolders.h"
#include "support/kept/ArchiveCheck.h"
#include "support/kept/KeptVersions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

const char *const USAGE =
    "Usage:\n"
    "  keplo-kept [--game FOLDER] list\n"
    "  keplo-kept [--game FOLDER] restore NAME\n"
    "  keplo-kept [--game FOLDER] undo NAME\n"
    "  keplo-kept [--game FOLDER] forget NAME\n"
    "\n"
    "Before Keplo or Pelterbox writes one of the game's archives, the archive as it\n"
    "was is kept: its original once, at the first write, and its previous version at\n"
    "every write. This tool puts them back.\n"
    "\n"
    "  list     every kept version: archive, kind, date, size, link or copy\n"
    "  restore  puts the original of the archive back\n"
    "  undo     puts the previous version back (undoes the last write, or restore)\n"
    "  forget   drops the kept versions of the archive\n"
    "\n"
    "  NAME     the archive's path below the game folder (GameData/base/scripts.vl2),\n"
    "           its file name (scripts.vl2) or its name in Keplo (Scripts)\n"
    "  --game   the game folder; by default the one in the settings store\n"
    "\n"
    "restore and undo check the kept version first and keep the archive as it is as\n"
    "the new previous version, so that undo takes either back. They refuse while the\n"
    "archive is unpacked in Keplo's work folder: save or cancel it in Keplo first.\n"
    "\n"
    "Exit status: 0 when done, 1 when not done, 2 for a wrong command.\n"
    "The kept versions lie in $XDG_DATA_HOME/Keplo/kept (default ~/.local/share/...).\n";

// A command the tool does not understand: standard error, exit status 2.
struct UsageError {
    std::string sText;
};

// A thing that could not be done: standard error, exit status 1.
struct NotDone {
    std::string sText;
};

struct Command {
    std::string sGameFolder;
    std::string sVerb;
    std::string sName;
};

std::string AbsoluteFolder(const std::string &sFolder) {
    char *sReal = realpath(sFolder.c_str(), nullptr);
    if (!sReal)
        throw NotDone{"keplo-kept: the game folder " + sFolder + " does not exist."};
    std::string sResult(sReal);
    std::free(sReal);
    if (sResult.back() != '/')
        sResult += '/';
    return sResult;
}

Command ParseCommand(const std::vector<std::string> &args) {
    Command command;
    std::vector<std::string> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--game") {
            if (i + 1 == args.size())
                throw UsageError{"keplo-kept: --game needs a folder."};
            command.sGameFolder = AbsoluteFolder(args[++i]);
        } else if (args[i].rfind("--game=", 0) == 0) {
            command.sGameFolder = AbsoluteFolder(args[i].substr(7));
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw UsageError{"keplo-kept: unknown option " + args[i] + "."};
        } else {
            words.push_back(args[i]);
        }
    }
    if (words.empty())
        throw UsageError{"keplo-kept: no command given."};
    command.sVerb = words[0];
    const bool bList = command.sVerb == "list";
    if (!bList && command.sVerb != "restore" && command.sVerb != "undo" &&
        command.sVerb != "forget")
        throw UsageError{"keplo-kept: unknown command " + command.sVerb +
                         " (use list, restore, undo or forget)."};
    if (bList ? words.size() != 1 : words.size() != 2)
        throw UsageError{bList ? "keplo-kept: list takes no archive."
                               : "keplo-kept: " + command.sVerb + " needs one archive name."};
    if (!bList)
        command.sName = words[1];
    if (command.sGameFolder.empty()) {
        command.sGameFolder = ReadGameFolders().sGameFolder;
        if (command.sGameFolder.empty())
            throw NotDone{"keplo-kept: no game folder is registered (keplo-reg find-game "
                          "looks for it); name one with --game FOLDER."};
    }
    return command;
}

std::string StemOf(const std::string &sFileName) {
    return sFileName.size() > 4 ? sFileName.substr(0, sFileName.size() - 4) : sFileName;
}

// The archive NAME names: among those with kept versions, by key, file name or
// chooser name, letter case aside.
KeptPlace FindArchive(const std::string &sGameFolder, const std::string &sName) {
    const std::vector<KeptArchive> kept = ListKept(sGameFolder);
    for (const KeptArchive &archive : kept)
        if (archive.place.sKey == sName)
            return archive.place;
    const std::string sWanted = FoldNameCase(sName);
    std::vector<KeptPlace> found;
    for (const KeptArchive &archive : kept) {
        const std::string sKey = FoldNameCase(archive.place.sKey);
        const std::string sFile = FoldNameCase(archive.place.FileName());
        // A mod's archive also by the chooser's name for it: "mymod/Scripts".
        const std::string sFolder = archive.place.Folder();
        const std::string sChooserName =
            sFolder.substr(sFolder.rfind('/') + 1) + "/" + StemOf(archive.place.FileName());
        if (sKey == sWanted || sFile == sWanted || FoldNameCase(StemOf(archive.place.FileName())) == sWanted ||
            FoldNameCase(sChooserName) == sWanted ||
            (sKey.size() > sWanted.size() &&
             sKey.compare(sKey.size() - sWanted.size() - 1, std::string::npos, "/" + sWanted) == 0))
            found.push_back(archive.place);
    }
    if (found.size() == 1)
        return found.front();
    if (found.empty())
        throw NotDone{"keplo-kept: nothing is kept of an archive named " + sName +
                      " in the game " + sGameFolder + " (keplo-kept list shows what is)."};
    std::string sText = "keplo-kept: " + sName + " names more than one archive; give its path:";
    for (const KeptPlace &place : found)
        sText += "\n  " + place.sKey;
    throw NotDone{sText};
}

std::string SizeText(const KeptRecord &record) {
    return record.eState == KeptState::File ? std::to_string(record.before.lSize) : "-";
}

std::string HowText(const KeptArchive &archive, KeptKind eKind) {
    const KeptRecord &record = *archive.Version(eKind);
    if (record.eState == KeptState::None)
        return "none: " + (record.sProgram.empty() ? std::string("a write") : record.sProgram) +
               " created the archive";
    std::string sHow = record.eHow == KeptHow::Link ? "link" : "copy";
    struct stat st {};
    if (lstat(archive.FilePath(eKind).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        sHow += " (the kept file is missing)";
    return sHow;
}

int List(const Command &command) {
    const std::vector<KeptArchive> kept = ListKept(command.sGameFolder);
    if (kept.empty()) {
        std::cout << "Nothing is kept of the game in " << command.sGameFolder << ".\n";
        return 0;
    }
    std::size_t lWidth = 7;
    for (const KeptArchive &archive : kept)
        lWidth = std::max(lWidth, archive.place.sKey.size());
    std::cout << "Kept versions of the game in " << command.sGameFolder << ":\n";
    char sLine[512];
    std::snprintf(sLine, sizeof sLine, "%-*s  %-8s  %-16s  %12s  %s\n", static_cast<int>(lWidth),
                  "ARCHIVE", "KIND", "DATE", "SIZE", "KEPT AS");
    std::cout << sLine;
    for (const KeptArchive &archive : kept) {
        for (const KeptKind eKind : {KeptKind::Original, KeptKind::Previous}) {
            const std::optional<KeptRecord> &record = archive.Version(eKind);
            if (!record)
                continue;
            std::snprintf(sLine, sizeof sLine, "%-*s  %-8s  %-16s  %12s  ",
                          static_cast<int>(lWidth), archive.place.sKey.c_str(),
                          eKind == KeptKind::Original ? "original" : "previous",
                          KeptDateText(record->lKeptAt).c_str(), SizeText(*record).c_str());
            std::cout << sLine << HowText(archive, eKind) << "\n";
        }
        if (archive.bChangedOutside)
            std::cout << "  (" << archive.place.sKey
                      << " has changed since Keplo or Pelterbox last wrote it)\n";
    }
    return 0;
}

int Restore(const Command &command, KeptKind eKind) {
    const KeptPlace place = FindArchive(command.sGameFolder, command.sName);
    const KeptArchive kept = ReadKept(place);
    const std::optional<KeptRecord> &record = kept.Version(eKind);
    const std::string sWhich = eKind == KeptKind::Original ? "original" : "previous version";
    if (!record)
        throw NotDone{"keplo-kept: no " + sWhich + " of " + place.sKey + " is kept."};
    const std::string sUnpacked = UnpackedFolderOf(ReadWorkFolder(), place);
    if (!sUnpacked.empty())
        throw NotDone{"keplo-kept: " + place.sKey + " is unpacked in Keplo's work folder (" +
                      sUnpacked + "); save or cancel it in Keplo first. Nothing was changed."};
    if (kept.bChangedOutside)
        std::cout << "Note: " << place.sKey
                  << " has changed since Keplo or Pelterbox last wrote it (a game patch?); "
                     "that version is kept as the previous version.\n";

    const KeptOutcome outcome = RestoreKept(
        place, eKind, [](const std::string &sPath) { return CheckArchiveFile(sPath); },
        "keplo-kept");
    switch (outcome.eKind) {
    case KeptOutcome::Kind::Done:
        break;
    case KeptOutcome::Kind::NothingKept:
        throw NotDone{"keplo-kept: no " + sWhich + " of " + place.sKey + " is kept."};
    case KeptOutcome::Kind::Damaged:
        throw NotDone{"keplo-kept: the kept " + sWhich + " of " + place.sKey +
                      " is damaged, so it was not put back; nothing was changed.\n  " +
                      outcome.sReason + "\n  " + outcome.sPath};
    case KeptOutcome::Kind::Failed:
        throw NotDone{"keplo-kept: the " + sWhich + " of " + place.sKey +
                      " could not be put back; the archive is as it was.\n  " + outcome.sReason +
                      "\n  " + outcome.sPath};
    }
    if (record->eState == KeptState::None)
        std::cout << place.sKey << " was taken out of the game, as it was before "
                  << KeptDateText(record->lKeptAt) << ".\n";
    else
        std::cout << "The " << sWhich << " of " << place.sKey << ", kept "
                  << KeptDateText(record->lKeptAt) << ", was put back.\n";
    std::cout << "The archive as it was is kept as the previous version: keplo-kept undo "
              << place.sKey << " takes this back.\n";
    return 0;
}

int Forget(const Command &command) {
    const KeptPlace place = FindArchive(command.sGameFolder, command.sName);
    const KeptOutcome outcome = ForgetKept(place);
    if (outcome.eKind == KeptOutcome::Kind::NothingKept)
        throw NotDone{"keplo-kept: nothing is kept of " + place.sKey + "."};
    if (!outcome.IsDone())
        throw NotDone{"keplo-kept: the kept versions of " + place.sKey +
                      " could not all be dropped: " + outcome.sReason};
    std::cout << "The kept versions of " << place.sKey << " were dropped.\n";
    if (!outcome.sReason.empty())
        std::cout << "Note: " << outcome.sReason << ".\n";
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string &sArg : args) {
        if (sArg == "-h" || sArg == "--help") {
            std::cout << USAGE;
            return 0;
        }
    }
    try {
        const Command command = ParseCommand(args);
        if (command.sVerb == "list")
            return List(command);
        if (command.sVerb == "restore")
            return Restore(command, KeptKind::Original);
        if (command.sVerb == "undo")
            return Restore(command, KeptKind::Previous);
        return Forget(command);
    } catch (const UsageError &error) {
        std::cerr << error.sText << "\n\n" << USAGE;
        return 2;
    } catch (const NotDone &error) {
        std::cerr << error.sText << "\n";
        return 1;
    } catch (const std::exception &error) {
        std::cerr << "keplo-kept: " << error.what() << "\n";
        return 1;
    }
}

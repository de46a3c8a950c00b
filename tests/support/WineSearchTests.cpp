// Finding the game in Wine prefixes: Wine's registry file, Windows paths in a prefix,
// the order of the prefixes, and what the start-up's search stores.
#include "support/SettingsKeys.h"
#include "support/WineGameSearch.h"
#include "support/WinePaths.h"
#include "support/WineRegistryFile.h"
#include "support/modRegistry.h"
#include "tests/support/WineTestHome.h"

#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Key names as Wine writes them: relative to HKEY_LOCAL_MACHINE, "\" escaped.
const std::string kGameKey = R"(Software\\Sierra Online\\Setup\\Tribes2)";
const std::string kGameKey64 = R"(Software\\Wow6432Node\\Sierra Online\\Setup\\Tribes2)";
const std::string kPhotoshopKey64 =
    R"(Software\\Wow6432Node\\Adobe\\Photoshop\\6.0\\ApplicationPath)";

std::string DirectoryLine(const std::string &sEscapedPath) {
    return "\"directory\"=\"" + sEscapedPath + "\"\n";
}

// A 32-bit prefix's registry naming the game's folder.
std::string GameRegistry(const std::string &sEscapedPath) {
    return WineRegistry(WineKey(kGameKey, DirectoryLine(sEscapedPath)));
}

std::string StoredGame() {
    return GetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, "");
}

std::string StoredPhotoshop() {
    return GetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", "");
}

using WineRegistryTest = WineTestHome;
using WinePathTest = WineTestHome;
using WinePrefixTest = WineTestHome;
using WineSearchTest = WineTestHome;

TEST(WineRegistryFile, ValuesAreReadWithWinesEscapesInAKeyOfAnyCase) {
    const std::string sText = WineRegistry(R"([Software\\Other] 1700000000
"plain"="from another key"

[SOFTWARE\\sierra online\\SETUP\\tribes2] 1700000000
#time=1da2b3c4d5e6f70
"plain"="C:\\Games\\Tribes 2"
"quote"="say \"hi\" [x]"
"accent"="C:\\Jeux\\Caf\xe9"
"pair"="\xd83d\xde00!"
"lone"="a\xd83db"
"octal"="\101\t\033"
"four digits"="\x00e9e"
"utf16"=hex(1):43,00,3a,00,5c,00,54,00,00,00
"utf16 long"=hex(1):43,00,\
  3a,00,00,00,41,00
"expand"=str(2):"%ProgramFiles%"
"number"=dword:00000001
"binary"=hex:01,02
"\x0044ir"="escaped name"
@="unnamed"
"open"="no closing quote
"bad hex"=hex(1):4
"no equals" "x"
"utf8"="Café"
)");
    const wine::RegistryRead read = wine::ParseRegistryKeys(
        sText, {"Software\\Sierra Online\\Setup\\Tribes2", "Software\\Nowhere"});

    ASSERT_TRUE(read.bRead) << read.sProblem;
    ASSERT_EQ(read.keys.size(), 2u);
    EXPECT_FALSE(read.keys[1].bFound);
    const wine::RegistryKey &key = read.keys[0];
    ASSERT_TRUE(key.bFound);
    struct Case {
        const char *sName;
        const char *sText; // nullptr: not a string value
        const char *sKind;
    } cases[] = {
        {"PLAIN", "C:\\Games\\Tribes 2", "string"},
        {"quote", "say \"hi\" [x]", "string"},
        {"accent", "C:\\Jeux\\Caf\xC3\xA9", "string"},
        {"pair", "\xF0\x9F\x98\x80!", "string"},
        {"lone",
         "a\xEF\xBF\xBD"
         "b",
         "string"},
        {"octal", "A\t\033", "string"},
        {"four digits",
         "\xC3\xA9"
         "e",
         "string"},
        {"utf16", "C:\\T", "string"},
        {"utf16 long", "C:", "string"},
        {"expand", nullptr, "str(2)"},
        {"number", nullptr, "dword"},
        {"binary", nullptr, "hex"},
        {"Dir", "escaped name", "string"},
        {"", "unnamed", "string"},
        {"utf8", "Caf\xC3\xA9", "string"},
    };
    for (const Case &c : cases) {
        const wine::RegistryValue *pValue = key.FindValue(c.sName);
        ASSERT_NE(pValue, nullptr) << c.sName;
        EXPECT_EQ(pValue->bString, c.sText != nullptr) << c.sName;
        EXPECT_EQ(pValue->sText, c.sText != nullptr ? c.sText : "") << c.sName;
        EXPECT_EQ(pValue->sKind, c.sKind) << c.sName;
    }
    ASSERT_EQ(key.damaged.size(), 3u);
    EXPECT_EQ(key.damaged[0], "line 26: the string has no closing quote");
    EXPECT_EQ(key.damaged[1], "line 27: hex data must be two-digit bytes separated by commas");
    EXPECT_EQ(key.damaged[2], "line 28: \"=\" expected after the value name");
}

TEST_F(WineRegistryTest, AFileThatIsNoWineRegistryOrCannotBeReadIsReportedAndNotRead) {
    const std::string sRegistry = Root() + "/system.reg";
    struct Case {
        const char *sWhat;
        std::string sBytes; // written as the file unless the case makes something else
        std::string sProblem;
    } cases[] = {
        {"empty", "", "not a Wine registry file"},
        {"a registry editor export", "Windows Registry Editor Version 5.00\n",
         "not a Wine registry file"},
        {"another version", "WINE REGISTRY Version 1\n[Software] 1\n", "not a Wine registry file"},
        {"binary",
         std::string("\x7f"
                     "ELF\0\0\0",
                     7),
         "not a Wine registry file"},
        {"too large", WineRegistry(std::string(200, ';')), "larger than 128 bytes"},
        {"a folder", "", "not a regular file"},
        {"a pipe", "", "not a regular file"},
        {"missing", "", "no such file"},
    };
    for (const Case &c : cases) {
        fs::remove_all(sRegistry);
        const std::string sWhat = c.sWhat;
        if (sWhat == "a folder")
            fs::create_directory(sRegistry);
        else if (sWhat == "a pipe")
            ASSERT_EQ(mkfifo(sRegistry.c_str(), 0600), 0);
        else if (sWhat != "missing")
            WriteFile(sRegistry, c.sBytes);

        const wine::RegistryRead read = wine::ReadRegistryKeys(sRegistry, {"Software"}, 128);

        EXPECT_FALSE(read.bRead) << sWhat;
        EXPECT_NE(read.sProblem.find(c.sProblem), std::string::npos)
            << sWhat << ": " << read.sProblem;
        EXPECT_TRUE(read.keys.empty()) << sWhat;
    }
}

TEST_F(WinePathTest, WindowsPathsLeadThroughTheDriveLinksWithoutRegardToCase) {
    const std::string sPrefix = MakePrefix(".wine", "");
    const std::string sGame = MakeGame(sPrefix, "Dynamix/Tribes2");
    const std::string sDriveC = fs::canonical(sPrefix + "/drive_c").string();
    WriteFile(sGame + "/readme.txt", "x");
    fs::create_directories(Root() + "/elsewhere/Jeux");
    fs::create_directory_symlink(Root() + "/elsewhere", sPrefix + "/dosdevices/Z:");
    fs::create_directory_symlink(Root() + "/gone", sPrefix + "/dosdevices/e:");
    struct Case {
        std::string sWindows;
        std::string sFolder;
        std::string sProblem;
    } cases[] = {
        {"C:\\Dynamix\\Tribes2", sDriveC + "/Dynamix/Tribes2", ""},
        {"c:\\DYNAMIX\\tribes2\\", sDriveC + "/Dynamix/Tribes2", ""},
        {"C:/Dynamix//Tribes2/", sDriveC + "/Dynamix/Tribes2", ""},
        {"C:\\Windows\\..\\Dynamix\\.\\Tribes2", sDriveC + "/Dynamix/Tribes2", ""},
        {"\\\\?\\C:\\Dynamix\\Tribes2", sDriveC + "/Dynamix/Tribes2", ""},
        {"C:", sDriveC, ""},
        {"z:\\jeux", Root() + "/elsewhere/Jeux", ""},
        {"C:\\Dynamix\\Tribes2\\readme.txt", "", "is not a folder"},
        {"C:\\Dynamix\\Missing", "", sDriveC + "/Dynamix/Missing does not exist"},
        {"D:\\Games", "", "the prefix has no drive D: (no dosdevices/d:)"},
        {"E:\\Games", "", "leads to no folder"},
        {"Dynamix\\Tribes2", "", "is not a full path on a drive"},
        {"\\\\server\\share\\Tribes2", "", "is not a full path on a drive"},
        {"C:Dynamix", "", "is not a full path on a drive"},
        {"", "", "is not a full path on a drive"},
    };
    for (const Case &c : cases) {
        const wine::PrefixFolder found = wine::FolderInPrefix(sPrefix, c.sWindows);
        EXPECT_EQ(found.sFolder, c.sFolder) << c.sWindows;
        if (c.sProblem.empty())
            EXPECT_EQ(found.sProblem, "") << c.sWindows;
        else
            EXPECT_NE(found.sProblem.find(c.sProblem), std::string::npos)
                << c.sWindows << ": " << found.sProblem;
    }
}

TEST_F(WinePrefixTest, PrefixesAreSearchedInTheUsualOrderEachFolderOnce) {
    const std::string sRegistry = WineRegistry("");
    MakePrefix("wine-env", sRegistry);
    MakePrefix(".wine", "");
    MakePrefix("Games/b-game", sRegistry);
    MakePrefix("Games/a-game", sRegistry);
    fs::create_directories(Home() + "/Games/native-game");
    MakePrefix(".local/share/bottles/bottles/Gaming", sRegistry);
    MakePrefix(".var/app/com.usebottles.bottles/data/bottles/bottles/Flat", sRegistry);
    MakePrefix(".PlayOnLinux/wineprefix/Tribes2", sRegistry);
    fs::create_directory_symlink(Home() + "/wine-env", Home() + "/Games/link-to-env");
    setenv("WINEPREFIX", (Home() + "/wine-env/").c_str(), 1);

    std::vector<std::string> found;
    for (const wine::Prefix &prefix : wine::PrefixesToSearch())
        found.push_back(prefix.sFolder + " " + prefix.sSource);

    const std::vector<std::string> expected = {
        Home() + "/wine-env $WINEPREFIX",
        Home() + "/.wine ~/.wine",
        Home() + "/Games/a-game Lutris",
        Home() + "/Games/b-game Lutris",
        Home() + "/.local/share/bottles/bottles/Gaming Bottles",
        Home() + "/.var/app/com.usebottles.bottles/data/bottles/bottles/Flat Bottles (Flatpak)",
        Home() + "/.PlayOnLinux/wineprefix/Tribes2 PlayOnLinux",
    };
    EXPECT_EQ(found, expected);

    // ~/.wine named again through $WINEPREFIX is searched once, first.
    setenv("WINEPREFIX", (Home() + "/.wine").c_str(), 1);
    const std::vector<wine::Prefix> again = wine::PrefixesToSearch();
    ASSERT_GE(again.size(), 2u);
    EXPECT_EQ(again[0].sSource, "$WINEPREFIX");
    EXPECT_EQ(again[1].sFolder, Home() + "/Games/a-game");
}

TEST_F(WineSearchTest, A32BitPrefixGivesTheGameAndPhotoshopFoldersInTheirSpellingOnDisk) {
    const std::string sPrefix = MakePrefix(
        ".wine", WineRegistry(WineKey(kGameKey, DirectoryLine(R"(C:\\DYNAMIX\\tribes2)")) +
                              WineKey(R"(Software\\Adobe\\Photoshop\\6.0\\ApplicationPath)",
                                      R"(@="C:\\Program Files\\Adobe\\Photoshop 6.0\\")")));
    const std::string sGame = MakeGame(sPrefix, "Dynamix/Tribes2");
    fs::create_directories(sPrefix + "/drive_c/Program Files/Adobe/Photoshop 6.0");
    const std::string sDriveC = fs::canonical(sPrefix + "/drive_c").string();
    std::ostringstream notes;

    const wine::StoredFolders stored = wine::FindGameInWine(notes);

    EXPECT_EQ(stored.sGameFolder, sDriveC + "/Dynamix/Tribes2");
    EXPECT_EQ(StoredGame(), sDriveC + "/Dynamix/Tribes2");
    EXPECT_EQ(StoredPhotoshop(), sDriveC + "/Program Files/Adobe/Photoshop 6.0/");
    EXPECT_EQ(notes.str(), "");
    EXPECT_TRUE(wine::StoreHoldsUsableGameFolder());
}

TEST_F(WineSearchTest, A64BitPrefixKeepsThe32BitGameUnderWow6432Node) {
    const std::string sPrefix = MakePrefix(
        ".wine", WineRegistry(WineKey(kGameKey64, DirectoryLine(R"(C:\\Sierra\\Tribes2)")) +
                                  WineKey(kPhotoshopKey64, R"(@="C:\\Photoshop\\")"),
                              "win64"));
    const std::string sGame = MakeGame(sPrefix, "Sierra/Tribes2");
    fs::create_directories(sPrefix + "/drive_c/Photoshop");
    std::ostringstream notes;

    wine::FindGameInWine(notes);

    EXPECT_EQ(StoredGame(), fs::canonical(sGame).string());
    EXPECT_EQ(StoredPhotoshop(), fs::canonical(sPrefix + "/drive_c/Photoshop").string() + "/");
    EXPECT_EQ(notes.str(), "");
}

TEST_F(WineSearchTest, TheFirstPrefixWithAUsableFolderWinsAndEarlierOnesAreNoted) {
    // ~/.wine names a folder that was removed; the Lutris prefix holds the game; the
    // PlayOnLinux one would too, but comes later.
    MakePrefix(".wine", GameRegistry(R"(C:\\Dynamix\\Tribes2)"));
    const std::string sLutris = MakePrefix("Games/tribes-2", GameRegistry(R"(C:\\T2)"));
    const std::string sGame = MakeGame(sLutris, "T2");
    const std::string sLater = MakePrefix(".PlayOnLinux/wineprefix/T2", GameRegistry(R"(C:\\T2)"));
    MakeGame(sLater, "T2");
    std::ostringstream notes;

    wine::FindGameInWine(notes);

    EXPECT_EQ(StoredGame(), fs::canonical(sGame).string());
    EXPECT_EQ(StoredPhotoshop(), "");
    EXPECT_NE(notes.str().find("Wine prefix " + Home() +
                               "/.wine: skipped Tribes 2's folder "
                               "\"C:\\Dynamix\\Tribes2\": "),
              std::string::npos)
        << notes.str();
    EXPECT_EQ(notes.str().find("PlayOnLinux"), std::string::npos) << notes.str();
}

TEST_F(WineSearchTest, WinePrefixComesBeforeTheDefaultPrefix) {
    const std::string sDefault = MakePrefix(".wine", GameRegistry(R"(C:\\T2)"));
    MakeGame(sDefault, "T2");
    const std::string sChosen = MakePrefix("tribes", GameRegistry(R"(C:\\T2)"));
    const std::string sGame = MakeGame(sChosen, "T2");
    setenv("WINEPREFIX", sChosen.c_str(), 1);
    std::ostringstream notes;

    wine::FindGameInWine(notes);

    EXPECT_EQ(StoredGame(), fs::canonical(sGame).string());
}

TEST_F(WineSearchTest, BrokenPrefixesAreNotedAndNothingIsStored) {
    struct Case {
        const char *sWhat;
        std::string sRegistry;
        std::string sNote;
    } cases[] = {
        {"damaged file", "\x01\x02garbage\n" + WineKey(kGameKey, DirectoryLine(R"(C:\\T2)")),
         "skipped " + Home() + "/.wine/system.reg: not a Wine registry file"},
        {"folder that is a file", GameRegistry(R"(C:\\T2\\GameData\\base\\x.vl2)"),
         "/T2/GameData/base/x.vl2 is not a folder"},
        {"missing folder", GameRegistry(R"(C:\\Nowhere)"), "/Nowhere does not exist"},
        {"dangling drive", GameRegistry(R"(E:\\T2)"), "dosdevices/e: leads to no folder"},
        {"missing drive", GameRegistry(R"(F:\\T2)"), "the prefix has no drive F:"},
        {"number", WineRegistry(WineKey(kGameKey, "\"directory\"=dword:00000001\n")),
         "\"directory\" is a dword value, not a string"},
        {"empty", GameRegistry(""), "\"directory\" is empty"},
        {"no archives", GameRegistry(R"(C:\\T2\\GameData)"), "holds no GameData/base folder"},
        {"damaged line", WineRegistry(WineKey(kGameKey, "\"directory\"=\"C:\\\\T2\n")),
         "skipped a damaged line of system.reg: [SOFTWARE\\Sierra Online\\Setup\\Tribes2] "
         "line 8: the string has no closing quote"},
    };
    for (const Case &c : cases) {
        fs::remove_all(Home() + "/.wine");
        const std::string sPrefix = MakePrefix(".wine", c.sRegistry);
        MakeGame(sPrefix, "T2");
        WriteFile(sPrefix + "/drive_c/T2/GameData/base/x.vl2", "PK");
        fs::create_directory_symlink(Root() + "/gone", sPrefix + "/dosdevices/e:");
        std::ostringstream notes;

        const wine::StoredFolders stored = wine::FindGameInWine(notes);

        EXPECT_EQ(stored.sGameFolder, "") << c.sWhat;
        EXPECT_FALSE(StoreExists()) << c.sWhat;
        EXPECT_NE(notes.str().find(c.sNote), std::string::npos) << c.sWhat << ": " << notes.str();
    }
}

TEST_F(WineSearchTest, AUsableStoredFolderIsKeptAndNoPrefixIsRead) {
    const std::string sPrefix = MakePrefix(".wine", "not a registry");
    fs::create_directories(Root() + "/Tribes2");
    SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, Root() + "/TRIBES2");
    const std::string sBefore = StoreText();
    std::ostringstream notes;

    const wine::StoredFolders stored = wine::FindGameInWine(notes);

    EXPECT_EQ(stored.sGameFolder, "");
    EXPECT_EQ(StoreText(), sBefore);
    EXPECT_EQ(notes.str(), "");
}

TEST_F(WineSearchTest, AStoredFolderThatIsGoneIsReplacedAndAStoredPhotoshopIsKept) {
    const std::string sPrefix = MakePrefix(
        ".wine", WineRegistry(WineKey(kGameKey, DirectoryLine(R"(C:\\T2)")) +
                              WineKey(R"(Software\\Adobe\\Photoshop\\6.0\\ApplicationPath)",
                                      R"(@="C:\\PS\\")")));
    const std::string sGame = MakeGame(sPrefix, "T2");
    fs::create_directories(sPrefix + "/drive_c/PS");
    SetRegString(HKEY_LOCAL_MACHINE, kGameSetupKey, kGameFolderValue, Root() + "/removed");
    SetRegString(HKEY_LOCAL_MACHINE, kPhotoshopKey, "", "/opt/photoshop/");
    std::ostringstream notes;

    const wine::StoredFolders stored = wine::FindGameInWine(notes);

    EXPECT_EQ(StoredGame(), fs::canonical(sGame).string());
    EXPECT_EQ(stored.sPhotoshopFolder, "");
    EXPECT_EQ(StoredPhotoshop(), "/opt/photoshop/");
}

} // namespace

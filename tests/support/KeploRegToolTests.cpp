// The keplo-reg command-line tool, run as a real program over the test's own store.
#include "support/modRegistry.h"
#include "tests/support/StoreTestFolder.h"

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string GAME_KEY = "HKLM\\SOFTWARE\\Sierra Online\\Setup\\Tribes2";
const char *const NOT_FOUND =
    "ERROR: The system was unable to find the specified registry key or value.\n";

class KeploRegTool : public StoreTestFolder {
protected:
    ProcessResult Run(const std::vector<std::string> &args) {
        return RunProcess(KEPLO_REG_TOOL, args);
    }

    // Runs the tool expecting a refusal: exit 1, nothing on standard output, a message on
    // standard error holding sExpected, and the store exactly as it was.
    void ExpectRefused(const std::vector<std::string> &args, const std::string &sExpected) {
        bool bExisted = StoreExists();
        std::string sBefore = StoreText();
        ProcessResult result = Run(args);
        EXPECT_EQ(result.lExitCode, 1) << result.sErr;
        EXPECT_EQ(result.sOut, "");
        EXPECT_NE(result.sErr.find(sExpected), std::string::npos) << result.sErr;
        EXPECT_EQ(StoreExists(), bExisted);
        EXPECT_EQ(StoreText(), sBefore);
    }

    std::string WriteImport(const std::string &sName, const std::string &sBytes) {
        std::string sPath = Root() + "/" + sName;
        WriteFile(sPath, sBytes);
        return sPath;
    }
};

TEST_F(KeploRegTool, AddThenQueryPrintsTheRegistryCommandsLayout) {
    ProcessResult added = Run({"add", GAME_KEY, "/v", "directory", "/d", "/games/Tribes 2"});
    EXPECT_EQ(added.lExitCode, 0) << added.sErr;
    EXPECT_EQ(added.sOut, "The operation completed successfully.\n");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2",
                           "directory", ""),
              "/games/Tribes 2");

    ProcessResult queried =
        Run({"query", "hkey_local_machine\\software\\sierra online\\setup\\tribes2", "/V",
             "DIRECTORY"});
    EXPECT_EQ(queried.lExitCode, 0);
    EXPECT_EQ(queried.sOut, "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Sierra Online\\Setup\\Tribes2\n"
                            "    directory    REG_SZ    /games/Tribes 2\n\n");
    EXPECT_EQ(queried.sErr, "");
}

TEST_F(KeploRegTool, AddingAgainWithoutForceReplacesTheValueWithoutAsking) {
    EXPECT_EQ(Run({"add", GAME_KEY, "/v", "directory", "/d", "/old"}).lExitCode, 0);
    EXPECT_EQ(Run({"add", GAME_KEY, "/v", "directory", "/d", "/new"}).lExitCode, 0);
    EXPECT_EQ(Run({"add", GAME_KEY, "/v", "directory", "/d", "/forced", "/f"}).lExitCode, 0);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2",
                           "directory", ""),
              "/forced");
}

TEST_F(KeploRegTool, QueryOfAWholeKeyListsValuesOfEveryTypeThenSubKeys) {
    ASSERT_EQ(Run({"add", "HKCU\\Test", "/ve", "/d", "unnamed"}).lExitCode, 0);
    ASSERT_EQ(Run({"add", "HKCU\\Test", "/v", "n", "/t", "REG_DWORD", "/d", "0x2A"}).lExitCode, 0);
    ASSERT_EQ(Run({"add", "HKCU\\Test", "/v", "b", "/t", "reg_binary", "/d", "0aff"}).lExitCode, 0);
    ASSERT_EQ(
        Run({"add", "HKCU\\Test", "/v", "e", "/t", "REG_EXPAND_SZ", "/d", "%HOME%"}).lExitCode, 0);
    ASSERT_EQ(Run({"add", "HKCU\\Test\\Sub\\Deeper"}).lExitCode, 0);
    ProcessResult result = Run({"query", "HKCU\\test"});
    EXPECT_EQ(result.lExitCode, 0);
    EXPECT_EQ(result.sOut, "\nHKEY_CURRENT_USER\\Test\n"
                           "    (Default)    REG_SZ    unnamed\n"
                           "    n    REG_DWORD    0x2a\n"
                           "    b    REG_BINARY    0AFF\n"
                           "    e    REG_EXPAND_SZ    %HOME%\n"
                           "\nHKEY_CURRENT_USER\\Test\\Sub\n");
    // Only string values count for the programs.
    EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, "Test", "e", "default"), "default");
    EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, "Test", "", "default"), "unnamed");
}

TEST_F(KeploRegTool, MissingKeyOrValueIsAnErrorOnStandardError) {
    ProcessResult result = Run({"query", GAME_KEY, "/v", "directory"});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_EQ(result.sOut, "");
    EXPECT_EQ(result.sErr, NOT_FOUND);
    EXPECT_FALSE(StoreExists());

    ASSERT_EQ(Run({"add", GAME_KEY}).lExitCode, 0);
    result = Run({"query", GAME_KEY, "/v", "directory"});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_EQ(result.sErr, NOT_FOUND);
    EXPECT_EQ(Run({"query", GAME_KEY, "/ve"}).lExitCode, 1);
    EXPECT_EQ(Run({"query", GAME_KEY}).lExitCode, 0);
}

TEST_F(KeploRegTool, BadCommandLinesAreRefusedAndChangeNothing) {
    ASSERT_EQ(Run({"add", GAME_KEY, "/v", "directory", "/d", "/games"}).lExitCode, 0);
    ExpectRefused({"add", "HKXX\\SOFTWARE\\X", "/v", "a", "/d", "b"}, "unknown root key \"HKXX\"");
    ExpectRefused({"query", "SOFTWARE\\X"}, "unknown root key");
    ExpectRefused({"add"}, "add needs a key");
    ExpectRefused({"query"}, "query needs a key");
    ExpectRefused({"add", GAME_KEY, "/v"}, "/v needs a value");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/ve"}, "give /v or /ve once");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/x"}, "unknown option or extra argument \"/x\"");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/d", "1", "/d", "2"}, "give /d once");
    ExpectRefused({"query", GAME_KEY, "/d", "x"}, "unknown option");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/t", "REG_MULTI"}, "unknown type \"REG_MULTI\"");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/t", "REG_DWORD"}, "REG_DWORD needs /d");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/t", "REG_DWORD", "/d", "-1"}, "must be a number");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/t", "REG_DWORD", "/d", "4294967296"},
                  "larger than 32 bits");
    ExpectRefused({"add", GAME_KEY, "/v", "a", "/t", "REG_BINARY", "/d", "abc"}, "pairs");
    ExpectRefused({"add", "HKLM\\SOFTWARE\\\\X"}, "invalid key path");
    ExpectRefused({"add", GAME_KEY, "/v", "line\nbreak", "/d", "x"}, "line break");
    ExpectRefused({"remove", GAME_KEY}, "unknown command \"remove\"");
}

TEST_F(KeploRegTool, UsageIsShownForAQuestionMarkOrNoArguments) {
    ProcessResult help = Run({"/?"});
    EXPECT_EQ(help.lExitCode, 0);
    EXPECT_NE(help.sOut.find("keplo-reg query  <KEY> [/v <name> | /ve]"), std::string::npos);
    ProcessResult bare = Run({});
    EXPECT_EQ(bare.lExitCode, 1);
    EXPECT_NE(bare.sErr.find("Usage:"), std::string::npos);
}

TEST_F(KeploRegTool, ImportMergesAFileIntoTheStore) {
    ASSERT_EQ(Run({"add", GAME_KEY, "/v", "directory", "/d", "/games"}).lExitCode, 0);
    ASSERT_EQ(Run({"add", "HKLM\\SOFTWARE\\Old", "/v", "x", "/d", "1"}).lExitCode, 0);
    std::string sFile =
        WriteImport("settings.reg", "Windows Registry Editor Version 5.00\r\n\r\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Adobe\\Photoshop\\6.0\\"
                                    "ApplicationPath]\r\n@=\"/opt/ps/\"\r\n\r\n"
                                    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n"
                                    "[HKLM\\SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo]\r\n"
                                    "\"tempdir\"=\"/work\"\r\n");
    ProcessResult result = Run({"import", sFile});
    EXPECT_EQ(result.lExitCode, 0) << result.sErr;
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Adobe\\Photoshop\\6.0\\ApplicationPath",
                           "", ""),
              "/opt/ps/");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo",
                           "tempdir", ""),
              "/work");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sierra Online\\Setup\\Tribes2",
                           "directory", ""),
              "/games");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old", "x", ""), "");
    EXPECT_NE(StoreText().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvane\\Game Editors]"),
              std::string::npos);
}

TEST_F(KeploRegTool, ImportReadsUtf16FilesWithAByteOrderMark) {
    std::string sText = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"
                        "\"n\"=\"v\"\r\n";
    std::string sUtf16 = "\xff\xfe";
    for (char c : sText) {
        sUtf16 += c;
        sUtf16 += '\0';
    }
    ProcessResult result = Run({"import", WriteImport("utf16.reg", sUtf16)});
    EXPECT_EQ(result.lExitCode, 0) << result.sErr;
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "A", "n", ""), "v");
}

TEST_F(KeploRegTool, ImportOfABadFileIsRefusedAndChangesNothing) {
    ASSERT_EQ(Run({"add", GAME_KEY, "/v", "directory", "/d", "/games"}).lExitCode, 0);
    ExpectRefused({"import", Root() + "/missing.reg"},
                  "cannot read " + Root() + "/missing.reg: no such file");
    ExpectRefused({"import", Root()}, "cannot read");
    ExpectRefused({"import"}, "import needs a .reg file");
    ExpectRefused({"import", "a.reg", "b.reg"}, "import takes one file");
    ExpectRefused({"import", WriteImport("text.reg", "just some text\n")},
                  "is not a registry file: line 1");
    // A good section before the bad line must not be half applied.
    ExpectRefused({"import", WriteImport("half.reg", "Windows Registry Editor Version 5.00\n"
                                                     "[HKEY_LOCAL_MACHINE\\Good]\n\"a\"=\"b\"\n"
                                                     "\"c\"=hex:zz\n")},
                  "line 4");
    ExpectRefused({"import", WriteImport("root.reg", "Windows Registry Editor Version 5.00\n"
                                                     "[HKEY_LOCAL_MACHINE\\Good]\n\"a\"=\"b\"\n"
                                                     "[HKEY_NOWHERE\\X]\n")},
                  "line 4: unknown root key \"HKEY_NOWHERE\"");
}

TEST_F(KeploRegTool, DamagedStoreIsReportedByQueryAndKeptAsideByAdd) {
    PlantStore("garbage");
    ProcessResult result = Run({"query", GAME_KEY});
    EXPECT_EQ(result.lExitCode, 1);
    EXPECT_NE(result.sErr.find("is damaged"), std::string::npos) << result.sErr;
    ProcessResult added = Run({"add", GAME_KEY, "/v", "directory", "/d", "/games"});
    EXPECT_EQ(added.lExitCode, 0);
    std::vector<std::string> aside = FilesBesideStore("registry.reg.damaged-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_NE(added.sErr.find("was damaged; it was kept as " + Root() + "/Halvane/" + aside[0]),
              std::string::npos)
        << added.sErr;
    EXPECT_EQ(ReadFile(Root() + "/Halvane/" + aside[0]), "garbage");
    EXPECT_EQ(Run({"query", GAME_KEY, "/v", "directory"}).lExitCode, 0);
}

TEST_F(KeploRegTool, TwoToolsAddingAtOnceLoseNoValue) {
    const int lEach = 60;
    std::vector<pid_t> children;
    for (int w = 0; w < 2; ++w) {
        pid_t lPid = fork();
        if (lPid == 0) {
            int lFailures = 0;
            for (int i = 0; i < lEach; ++i) {
                std::string sName = "t" + std::to_string(w) + "-" + std::to_string(i);
                lFailures += RunProcess(KEPLO_REG_TOOL,
                                        {"add", "HKLM\\SOFTWARE\\Race", "/v", sName, "/d", sName})
                                 .lExitCode != 0;
            }
            _exit(lFailures == 0 ? 0 : 1);
        }
        children.push_back(lPid);
    }
    for (pid_t lPid : children) {
        int lStatus = 0;
        waitpid(lPid, &lStatus, 0);
        EXPECT_TRUE(WIFEXITED(lStatus) && WEXITSTATUS(lStatus) == 0);
    }
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < lEach; ++i) {
            std::string sName = "t" + std::to_string(w) + "-" + std::to_string(i);
            EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Race", sName, ""), sName);
        }
    }
}

} // namespace

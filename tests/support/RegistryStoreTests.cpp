// GetRegString and SetRegString over the store's file.
#include "support/RegApi.h"
#include "support/modRegistry.h"
#include "tests/support/StoreTestFolder.h"

#include <filesystem>

namespace {

const char *const HEADER = "Windows Registry Editor Version 5.00\n";
const std::string KEY = "SOFTWARE\\Halvane\\Game Editors\\Tribes2\\Keplo";

std::string Section(const std::string &sPath) {
    return "\n[HKEY_LOCAL_MACHINE\\" + sPath + "]\n";
}

class RegistryStore : public StoreTestFolder {};

TEST_F(RegistryStore, PlantedStringWithoutTerminatingNulComesBackWhole) {
    PlantStore(HEADER + Section(KEY) + "\"tempdir\"=hex(1):2f,74,6d,70\n");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "/tmp");
}

TEST_F(RegistryStore, PlantedStringWithNulInsideIsCutAtTheFirstNul) {
    PlantStore(HEADER + Section(KEY) + "\"tempdir\"=hex(1):61,62,00,63,64,00\n");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "ab");
}

TEST_F(RegistryStore, StringsOfZeroBytesOrOneNulReadEmptyNotAsTheDefault) {
    PlantStore(HEADER + Section(KEY) + "\"none\"=hex(1):\n\"nul\"=hex(1):00\n\"quoted\"=\"\"\n");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "none", "default"), "");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "nul", "default"), "");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "quoted", "default"), "");
}

TEST_F(RegistryStore, ValuesOfOtherTypesReadAsTheDefault) {
    PlantStore(HEADER + Section(KEY) +
               "\"expand\"=hex(2):2f,00\n"
               "\"number\"=dword:0000002a\n"
               "\"bytes\"=hex:2f,74,00\n"
               "\"multi\"=hex(7):61,00,00\n"
               "\"none\"=hex(0):\n");
    for (const char *sName : {"expand", "number", "bytes", "multi", "none"}) {
        EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, sName, "default"), "default") << sName;
    }
}

TEST_F(RegistryStore, MissingKeyValueOrStoreReadsAsTheDefault) {
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "default");
    PlantStore(HEADER + Section(KEY) + "\"other\"=\"x\"\n");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "default");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY + "\\Programs", "PNG", ""), "");
    EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, KEY, "other", "default"), "default");
}

TEST_F(RegistryStore, EmptyValueNameReadsTheUnnamedValue) {
    PlantStore(HEADER + Section("SOFTWARE\\Adobe\\Photoshop\\6.0\\ApplicationPath") +
               "@=\"/opt/Photoshop/\"\n\"other\"=\"x\"\n");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Adobe\\Photoshop\\6.0\\ApplicationPath",
                           "", ""),
              "/opt/Photoshop/");
}

TEST_F(RegistryStore, ReadingNeverCreatesTheStoreOrAKey) {
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", ""), "");
    EXPECT_FALSE(std::filesystem::exists(Root() + "/Halvane"));

    std::string sPlanted = HEADER + Section("SOFTWARE\\Other") + "\"a\"=\"b\"\n";
    PlantStore(sPlanted);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", ""), "");
    EXPECT_EQ(StoreText(), sPlanted);
    EXPECT_TRUE(FilesBesideStore("registry.reg.").empty());
}

TEST_F(RegistryStore, WritingCreatesEveryMissingKeyOnThePathInOrder) {
    SetRegString(HKEY_LOCAL_MACHINE, KEY + "\\Programs", "PNG", "/usr/bin/gimp");
    EXPECT_EQ(StoreText(), std::string(HEADER) + Section("SOFTWARE") +
                               Section("SOFTWARE\\Halvane") +
                               Section("SOFTWARE\\Halvane\\Game Editors") +
                               Section("SOFTWARE\\Halvane\\Game Editors\\Tribes2") + Section(KEY) +
                               Section(KEY + "\\Programs") + "\"PNG\"=\"/usr/bin/gimp\"\n");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY + "\\Programs", "PNG", ""), "/usr/bin/gimp");
}

TEST_F(RegistryStore, NewKeyGoesBelowItsParentNotAtTheEnd) {
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "v", "1");
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\B", "v", "2");
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\A\\Child", "v", "3");
    std::string sText = StoreText();
    EXPECT_LT(sText.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\Child]"),
              sText.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]"));
}

TEST_F(RegistryStore, WritingEmptyTextStoresAnEmptyStringAndKeepsTheValue) {
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/work");
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "");
    EXPECT_NE(StoreText().find("\"tempdir\"=\"\"\n"), std::string::npos);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "default"), "");
}

TEST_F(RegistryStore, NamesMatchWithoutRegardToCaseAndTheFirstSpellingIsKept) {
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvane\\Keplo", "TempDir", "first");
    SetRegString(HKEY_LOCAL_MACHINE, "software\\HALVANE\\keplo", "TEMPDIR", "second");
    SetRegString(HKEY_LOCAL_MACHINE, "software\\halvane\\Programs", "png", "gimp");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "Software\\Halvane\\KEPLO", "tempdir", ""),
              "second");
    std::string sText = StoreText();
    EXPECT_NE(
        sText.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvane\\Keplo]\n\"TempDir\"=\"second\"\n"),
        std::string::npos)
        << sText;
    EXPECT_NE(sText.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvane\\Programs]"), std::string::npos);
    EXPECT_EQ(sText.find("TEMPDIR"), std::string::npos);
    EXPECT_EQ(sText.find("keplo]"), std::string::npos);
}

TEST_F(RegistryStore, BackslashesAndQuotesRoundTripThroughTheFile) {
    const std::string sTricky = "C:\\Games\\ \"Tribes 2\" \\\\server\\";
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "a \"quoted\\name\"", sTricky);
    EXPECT_NE(StoreText().find("\"a \\\"quoted\\\\name\\\"\"=\"C:\\\\Games\\\\ \\\"Tribes 2\\\" "
                               "\\\\\\\\server\\\\\"\n"),
              std::string::npos)
        << StoreText();
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "A \"QUOTED\\NAME\"", ""), sTricky);
}

TEST_F(RegistryStore, TextThatAQuotedStringCannotHoldIsStoredAsBytes) {
    const std::string sLines = "line one\nline two\r\n";
    const std::string sLatin1 = "caf\xe9";
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "lines", sLines);
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "latin1", sLatin1);
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "utf8",
                 "Gr\xc3\xbc\xc3\x9f"
                 "e");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "lines", ""), sLines);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, KEY, "latin1", ""), sLatin1);
    EXPECT_NE(StoreText().find("\"utf8\"=\"Gr\xc3\xbc\xc3\x9f"
                               "e\""),
              std::string::npos);
    EXPECT_NE(StoreText().find("\"latin1\"=hex(1):63,61,66,e9,00"), std::string::npos);
}

TEST_F(RegistryStore, ValuesOfOtherTypesAndUnknownSectionsSurviveARewrite) {
    std::string sLongHex = "hex:";
    for (int i = 0; i < 60; ++i) {
        sLongHex += "ab,";
    }
    sLongHex += "cd";
    PlantStore(HEADER + Section(KEY) +
               "\"expand\"=hex(2):25,00,48,00,00,00\n"
               "\"number\"=dword:0000002a\n"
               "\"qword\"=hex(b):01,00,00,00,00,00,00,00\n"
               "\"long\"=" +
               sLongHex +
               "\n"
               "\n[HKEY_CURRENT_CONFIG\\Unknown Root]\n\"keep\"=\"me\"\n"
               "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Only\\Deep]\n@=\"deep\"\n");
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/work");
    std::string sText = StoreText();
    EXPECT_NE(sText.find("\"expand\"=hex(2):25,00,48,00,00,00\n"), std::string::npos) << sText;
    EXPECT_NE(sText.find("\"number\"=dword:0000002a\n"), std::string::npos);
    EXPECT_NE(sText.find("\"qword\"=hex(b):01,00,00,00,00,00,00,00\n"), std::string::npos);
    EXPECT_NE(sText.find("[HKEY_CURRENT_CONFIG\\Unknown Root]\n\"keep\"=\"me\"\n"),
              std::string::npos);
    EXPECT_NE(sText.find("\"tempdir\"=\"/work\""), std::string::npos);
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Only\\Deep", "", ""), "deep");
    // The long value is wrapped over several lines and still reads back byte for byte.
    EXPECT_NE(sText.find(",\\\n  "), std::string::npos);
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/work2");
    EXPECT_EQ(StoreText(), sText.replace(sText.find("/work"), 5, "/work2"));
}

TEST_F(RegistryStore, KeyImpliedByADeeperSectionCanBeOpenedAndWritten) {
    PlantStore(HEADER + Section("SOFTWARE\\Only\\Deep") + "@=\"deep\"\n");
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Only", "v", "1");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Only", "v", ""), "1");
    EXPECT_EQ(GetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Only\\Deep", "", ""), "deep");
}

TEST_F(RegistryStore, UnusableKeyPathsAndNamesChangeNothing) {
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Empty", "v", "1");
    SetRegString(HKEY_LOCAL_MACHINE, "\\SOFTWARE", "v", "1");
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\nInjected]", "v", "1");
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE", "name\n[HKEY_LOCAL_MACHINE\\X]", "1");
    SetRegString(static_cast<RegRoot>(42), "SOFTWARE", "v", "1");
    EXPECT_EQ(StoreText().find("Injected"), std::string::npos);
    EXPECT_EQ(StoreText().find("[HKEY_LOCAL_MACHINE\\X]"), std::string::npos);
    EXPECT_EQ(GetRegString(static_cast<RegRoot>(42), "SOFTWARE", "v", "d"), "d");
}

TEST_F(RegistryStore, ValueOnARootKeyItselfIsStoredInTheRootsSection) {
    SetRegString(HKEY_CURRENT_USER, "", "v", "root");
    EXPECT_NE(StoreText().find("[HKEY_CURRENT_USER]\n\"v\"=\"root\"\n"), std::string::npos);
    EXPECT_EQ(GetRegString(HKEY_CURRENT_USER, "", "v", ""), "root");
}

TEST_F(RegistryStore, QueryIntoTooSmallABufferAsksForMoreAndLeavesItAlone) {
    using namespace regstore;
    SetRegString(HKEY_LOCAL_MACHINE, KEY, "tempdir", "/work");
    HKEY hKey = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, KEY, &hKey), ERROR_SUCCESS);
    std::uint32_t lType = 0;
    std::uint32_t lSize = 0;
    ASSERT_EQ(RegQueryValueExA(hKey, "tempdir", &lType, nullptr, &lSize), ERROR_SUCCESS);
    EXPECT_EQ(lType, REG_SZ);
    EXPECT_EQ(lSize, 6u);
    char aBuffer[4] = {' ', ' ', ' ', ' '};
    std::uint32_t lSmall = sizeof aBuffer;
    EXPECT_EQ(RegQueryValueExA(hKey, "tempdir", &lType, aBuffer, &lSmall), ERROR_MORE_DATA);
    EXPECT_EQ(lSmall, 6u);
    EXPECT_EQ(std::string(aBuffer, 4), "    ");
    EXPECT_EQ(RegCloseKey(hKey), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(nullptr, "tempdir", &lType, nullptr, &lSize), ERROR_INVALID_HANDLE);
}

} // namespace

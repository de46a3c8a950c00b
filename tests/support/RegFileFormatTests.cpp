// Reading and writing the store's file format.
#include "support/RegFileFormat.h"

#include <gtest/gtest.h>

using namespace regstore;

namespace {

const std::string HEADER = "Windows Registry Editor Version 5.00\r\n";

std::string ErrorOf(const std::string &sText) {
    RegFileParse parse = ParseRegFile(sText);
    EXPECT_FALSE(parse.bOk) << sText;
    return parse.sError;
}

TEST(RegFileFormat, ReadsEveryKindOfValueWithWindowsLineEndsAndComments) {
    RegFileParse parse = ParseRegFile(HEADER + "; a comment\r\n"
                                               "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n"
                                               "@=\"unnamed\"\r\n"
                                               "\"text\"=\"a\\\\b\\\"c\"\r\n"
                                               "\"number\" = dword:0000002A\r\n"
                                               "\"bytes\"=hex:01,02,\\\r\n"
                                               "  03\r\n"
                                               "\"expand\"=hex(2):41,00\r\n"
                                               "\"gone\"=-\r\n"
                                               "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n");
    ASSERT_TRUE(parse.bOk) << parse.sError;
    ASSERT_EQ(parse.sections.size(), 2u);
    const std::vector<RegFileEntry> &entries = parse.sections[0].entries;
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].sName, "");
    EXPECT_EQ(entries[0].sData, std::string("unnamed\0", 8));
    EXPECT_EQ(entries[1].sData, std::string("a\\b\"c\0", 6));
    EXPECT_EQ(entries[2].lType, REG_DWORD);
    EXPECT_EQ(entries[2].sData, std::string("\x2a\0\0\0", 4));
    EXPECT_EQ(entries[3].lType, REG_BINARY);
    EXPECT_EQ(entries[3].sData, "\x01\x02\x03");
    EXPECT_EQ(entries[4].lType, REG_EXPAND_SZ);
    EXPECT_TRUE(entries[5].bDelete);
    EXPECT_TRUE(parse.sections[1].bDelete);
    EXPECT_EQ(parse.sections[1].sPath, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Old");
}

TEST(RegFileFormat, ReadsUtf16LittleEndianFilesAsTheRegistryEditorWritesThem) {
    std::string sUtf8 = HEADER +
                        "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"name\"=\"Gr\xc3\xbc\xc3\x9f"
                        "e \xf0\x9f\x8e\xae\"\r\n";
    std::string sUtf16 = "\xff\xfe";
    // Encode by hand: the test text holds U+00FC, U+00DF and U+1F3AE beside ASCII.
    for (size_t i = 0; i < sUtf8.size();) {
        unsigned char c = static_cast<unsigned char>(sUtf8[i]);
        std::uint32_t lCode;
        if (c < 0x80) {
            lCode = c;
            i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            lCode = ((c & 0x1F) << 6) | (sUtf8[i + 1] & 0x3F);
            i += 2;
        } else {
            lCode = ((c & 0x07) << 18) | ((sUtf8[i + 1] & 0x3F) << 12) |
                    ((sUtf8[i + 2] & 0x3F) << 6) | (sUtf8[i + 3] & 0x3F);
            i += 4;
        }
        auto unit = [&](std::uint32_t lUnit) {
            sUtf16 += static_cast<char>(lUnit & 0xFF);
            sUtf16 += static_cast<char>(lUnit >> 8);
        };
        if (lCode >= 0x10000) {
            unit(0xD800 + ((lCode - 0x10000) >> 10));
            unit(0xDC00 + ((lCode - 0x10000) & 0x3FF));
        } else {
            unit(lCode);
        }
    }
    RegFileParse parse = ParseRegFile(sUtf16);
    ASSERT_TRUE(parse.bOk) << parse.sError;
    ASSERT_EQ(parse.sections.size(), 1u);
    EXPECT_EQ(parse.sections[0].entries.at(0).sData, std::string("Gr\xc3\xbc\xc3\x9f"
                                                                 "e \xf0\x9f\x8e\xae",
                                                                 12) +
                                                         '\0');
    EXPECT_FALSE(ParseRegFile(sUtf16 + "x").bOk);
}

TEST(RegFileFormat, BrokenFilesAreRefusedWithTheLineAtFault) {
    EXPECT_NE(ErrorOf("").find("does not start with"), std::string::npos);
    EXPECT_NE(ErrorOf("[HKEY_LOCAL_MACHINE\\X]\n").find("line 1"), std::string::npos);
    EXPECT_NE(ErrorOf(HEADER + "\"a\"=\"b\"\n").find("line 2: a value before"), std::string::npos);
    EXPECT_NE(ErrorOf(HEADER + "[HKEY_LOCAL_MACHINE\\X\n").find("line 2"), std::string::npos);
    EXPECT_NE(ErrorOf(HEADER + "[]\n").find("empty key name"), std::string::npos);
    const std::string sKey = HEADER + "[HKEY_LOCAL_MACHINE\\X]\n";
    EXPECT_NE(ErrorOf(sKey + "\"a\"=\"unterminated\n").find("line 3"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=\"b\" trailing\n").find("line 3"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"\"b\"\n").find("\"=\" expected"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=dword:123456789\n").find("dword"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=dword:xyz\n").find("dword"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=hex:1,2g\n").find("hex data"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=hex:100\n").find("hex data"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=hex(zz):00\n").find("hex(N)"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=hex:01,\\\n").find("line 4: hex data continues onto an empty"),
              std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=hex:01,\\").find("the file ends inside hex data"),
              std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=hex:01,0").find("hex data"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=hex:01,").find("hex data"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "\"a\"=str:x\n").find("unknown kind"), std::string::npos);
    EXPECT_NE(ErrorOf(sKey + "garbage\n").find("line 3"), std::string::npos);
}

TEST(RegFileFormat, WrittenDocumentReadsBackToTheSameDocument) {
    RegDocument doc;
    RegKey &key = doc.EnsureKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
    key.SetValue("", REG_SZ, std::string("unnamed\0", 8));
    key.SetValue("no nul", REG_SZ, "abc");
    key.SetValue("empty", REG_SZ, "");
    key.SetValue("nul inside", REG_SZ, std::string("a\0b\0", 4));
    key.SetValue("short dword", REG_DWORD, "\x01\x02");
    key.SetValue("dword", REG_DWORD, std::string("\xff\0\0\x80", 4));
    key.SetValue("big", REG_BINARY, std::string(300, '\x5a'));
    key.SetValue("type 0x20000", 0x20000u, "\x01");
    std::string sText = FormatRegFile(doc);
    RegFileParse parse = ParseRegFile(sText);
    ASSERT_TRUE(parse.bOk) << parse.sError;
    RegDocument again;
    std::string sError;
    ASSERT_TRUE(BuildDocument(parse.sections, again, sError)) << sError;
    ASSERT_EQ(again.keys.size(), doc.keys.size());
    for (size_t k = 0; k < doc.keys.size(); ++k) {
        ASSERT_EQ(again.keys[k].values.size(), doc.keys[k].values.size());
        for (size_t v = 0; v < doc.keys[k].values.size(); ++v) {
            EXPECT_EQ(again.keys[k].values[v].sName, doc.keys[k].values[v].sName);
            EXPECT_EQ(again.keys[k].values[v].lType, doc.keys[k].values[v].lType);
            EXPECT_EQ(again.keys[k].values[v].sData, doc.keys[k].values[v].sData);
        }
    }
    EXPECT_NE(sText.find("\"dword\"=dword:800000ff\n"), std::string::npos);
    EXPECT_NE(sText.find("\"type 0x20000\"=hex(20000):01\n"), std::string::npos);
}

TEST(RegFileFormat, StoreDocumentMergesRepeatedSectionsAndRefusesDeletions) {
    RegFileParse parse =
        ParseRegFile(HEADER + "[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"1\"\n"
                              "[hkey_local_machine\\a]\n\"X\"=\"2\"\n\"y\"=\"3\"\n");
    ASSERT_TRUE(parse.bOk);
    RegDocument doc;
    std::string sError;
    ASSERT_TRUE(BuildDocument(parse.sections, doc, sError));
    ASSERT_EQ(doc.keys.size(), 1u);
    EXPECT_EQ(doc.keys[0].sPath, "HKEY_LOCAL_MACHINE\\A");
    ASSERT_EQ(doc.keys[0].values.size(), 2u);
    EXPECT_EQ(doc.keys[0].values[0].sName, "x");
    EXPECT_EQ(doc.keys[0].values[0].sData, std::string("2\0", 2));

    RegFileParse deletion = ParseRegFile(HEADER + "[-HKEY_LOCAL_MACHINE\\A]\n");
    ASSERT_TRUE(deletion.bOk);
    EXPECT_FALSE(BuildDocument(deletion.sections, doc, sError));
}

TEST(RegFileFormat, MergeCreatesParentsSetsValuesAndCarriesOutDeletions) {
    RegDocument doc;
    doc.EnsureKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Old\\Sub").SetValue("v", REG_SZ, "x");
    doc.EnsureKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Keep").SetValue("gone", REG_SZ, "x");
    RegFileParse parse =
        ParseRegFile(HEADER + "[-HKEY_LOCAL_MACHINE\\software\\old]\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Keep]\n\"gone\"=-\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\New\\Deep]\n\"a\"=\"b\"\n");
    ASSERT_TRUE(parse.bOk);
    MergeSections(parse.sections, doc);
    EXPECT_FALSE(doc.KeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Old"));
    EXPECT_EQ(doc.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Keep")->FindValue("gone"), nullptr);
    EXPECT_NE(doc.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\New"), nullptr);
    EXPECT_NE(doc.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\New\\Deep")->FindValue("A"), nullptr);
}

} // namespace

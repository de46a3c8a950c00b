// The listing reads the central directory itself; every name it reports
// must be the name libzip gives the same entry, as the listing gave it when
// it went through libzip, and as extraction (which still opens archives with
// libzip) names the files.
#include "ReaderFixture.h"

#include "../engine-writer/RawZip.h"

#include <zip.h>
#include <zlib.h>

namespace {

std::string UnicodePath(const std::string &storedName, const std::string &utf8, uint32_t crcAdjust = 0) {
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(storedName.data()), static_cast<uInt>(storedName.size())));
    std::string data(1, '\x01');
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<char>((crc + crcAdjust) >> (8 * i)));
    return ExtraField(0x7075, data + utf8);
}

struct NameCase {
    const char *what;
    std::string stored;
    uint16_t flags = 0;
    std::string extra = "";
};

std::vector<NameCase> Cases() {
    return {
        {"plain ASCII", "textures/skins/warrior.png"},
        {"code page 437", "scripts/caf\x82.cs"},
        {"control bytes read as code page 437 graphics", std::string("a\x01\x09\x0a\x0d\x7f\x82", 7)},
        {"tab and line breaks in an ASCII name", "a\tb\nc\rd"},
        {"a zero byte reads as a space", std::string("zero\0byte.txt", 13)},
        {"UTF-8 not flagged", "m\xc3\xbcsli.txt"},
        {"UTF-8 flagged", "m\xc3\xbcsli.txt", 0x0800},
        {"a cut UTF-8 sequence", "end\xc3"},
        {"a Unicode path field that matches", "caf\x82.txt", 0, UnicodePath("caf\x82.txt", "caf\xc3\xa9.txt")},
        {"a Unicode path field that does not match", "caf\x82.txt", 0,
         UnicodePath("caf\x82.txt", "other.txt", 1)},
        {"a Unicode path field that is no UTF-8", "plain.txt", 0, UnicodePath("plain.txt", "bad\xff")},
        {"an empty Unicode path field", "plain.txt", 0, UnicodePath("plain.txt", "")},
    };
}

class NameDecodingTest : public ReaderTest {};

TEST_F(NameDecodingTest, TheListingNamesEveryEntryAsLibzipDoes) {
    std::vector<RawEntry> entries;
    for (const NameCase &name : Cases()) {
        RawEntry entry;
        entry.name = name.stored;
        entry.contents = name.what;
        entry.flags = name.flags;
        entry.centralExtra = name.extra;
        entries.push_back(entry);
    }
    const fs::path archive = m_root / "names.zip";
    WriteText(archive, BuildZip(entries));

    int error = 0;
    zip_t *zip = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr);
    ASSERT_EQ(List(archive.string()), ENGINE_OK);
    ASSERT_EQ(m_recorder.listed.size(), Cases().size());
    for (size_t i = 0; i < Cases().size(); ++i) {
        SCOPED_TRACE(Cases()[i].what);
        std::string expected = zip_get_name(zip, i, 0);
        for (char &c : expected)
            if (c == '\\')
                c = '/';
        EXPECT_EQ(m_recorder.listed[i].path, expected);
    }
    zip_discard(zip);
}

} // namespace

// The components driving the real engine libraries that lie beside this test
// program: pack a folder, list the archive, extract it and compare, then update,
// extract a selection, extract flat and delete entries.
#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "tests/archive/FileBytes.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

struct CountingOwner : cUnzipEvents, cZipEvents {
    int lProgress = 0;
    void Progress(std::int32_t, const std::string &) override { ++lProgress; }
};

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        m_tStartFolder = fs::current_path();
        m_tRoot = fs::temp_directory_path() / ("keplo-round-trip-" + std::to_string(::getpid()));
        fs::remove_all(m_tRoot);
        fs::create_directories(m_tRoot);
        m_tSource = m_tRoot / "source";

        std::mt19937 tRandom(20261207);
        std::string sNoise(70000, '\0');
        for (char &c : sNoise)
            c = static_cast<char>(tRandom());
        std::string sText;
        for (int i = 0; i < 2000; ++i)
            sText += "datablock ShapeBaseImageData(Item" + std::to_string(i) + ") { mass = 1; };\n";
        m_mFiles = {
            {"a.txt", "plain text at the root\n"},
            {"empty.cs", ""},
            {"textures/skins/warrior.png", sNoise},
            {"scripts/ui/menu.cs", sText},
            {"scripts/ui/my file.txt", "blanks in the name"},
            {"deep/er/and/deeper/leaf.dat", sNoise.substr(0, 333)},
        };
        for (const auto &[sPath, sData] : m_mFiles)
            WriteFile(m_tSource / sPath, sData);
    }

    void TearDown() override {
        fs::current_path(m_tStartFolder);
        fs::remove_all(m_tRoot);
    }

    // Every regular file below tFolder, by its relative path with "/" separators.
    static std::map<std::string, std::string> FilesBelow(const fs::path &tFolder) {
        std::map<std::string, std::string> mFiles;
        for (const fs::directory_entry &tEntry : fs::recursive_directory_iterator(tFolder))
            if (tEntry.is_regular_file())
                mFiles[fs::relative(tEntry.path(), tFolder).generic_string()] =
                    ReadFile(tEntry.path());
        return mFiles;
    }

    // Packs the source folder into the archive the way both programs do.
    void Pack(cZip &oZip) {
        oZip.SetZipFile(Archive().string());
        oZip.SetBasePath(m_tSource.string());
        oZip.ClearFileSpecs();
        oZip.AddFileSpec("*");
        oZip.SetStoreFolderNames(true);
        oZip.SetRecurseSubDirs(true);
        oZip.Zip();
    }

    // The listing as archive path -> index.
    static std::map<std::string, std::int32_t> Listing(cUnzip &oUnzip) {
        std::map<std::string, std::int32_t> mListing;
        for (std::int32_t i = 1; i <= oUnzip.FileCount(); ++i) {
            std::string sFolder = oUnzip.FileDirectory(i);
            for (char &c : sFolder)
                if (c == '\\')
                    c = '/';
            mListing[sFolder.empty() ? oUnzip.Filename(i) : sFolder + "/" + oUnzip.Filename(i)] = i;
        }
        return mListing;
    }

    fs::path Archive() const { return m_tRoot / "out.vl2"; }

    fs::path m_tStartFolder;
    fs::path m_tRoot;
    fs::path m_tSource;
    std::map<std::string, std::string> m_mFiles;
};

TEST_F(RoundTrip, PackedFolderListsAndExtractsToTheSameFiles) {
    CountingOwner tOwner;
    cZip oZip;
    oZip.SetOwner(&tOwner);
    Pack(oZip);
    ASSERT_EQ(oZip.LastEngineResult(), 0);
    ASSERT_TRUE(fs::exists(Archive()));

    cUnzip oUnzip;
    oUnzip.SetZipFile(Archive().string());
    oUnzip.Directory();
    const auto mListing = Listing(oUnzip);
    ASSERT_EQ(mListing.size(), m_mFiles.size());
    for (const auto &[sPath, sData] : m_mFiles) {
        ASSERT_TRUE(mListing.count(sPath)) << sPath;
        const std::int32_t i = mListing.at(sPath);
        EXPECT_EQ(oUnzip.FileSize(i), static_cast<std::int32_t>(sData.size())) << sPath;
        EXPECT_EQ(oUnzip.FileCRC(i), crc32(0, reinterpret_cast<const Bytef *>(sData.data()),
                                           static_cast<uInt>(sData.size())))
            << sPath;
        EXPECT_FALSE(oUnzip.FileEncrypted(i));
        EXPECT_FALSE(oUnzip.FileCompressionMethod(i).empty());
        EXPECT_GE(oUnzip.FileDate(i).Year, 2020);
    }
    EXPECT_EQ(oUnzip.FileDirectory(mListing.at("textures/skins/warrior.png")), "textures\\skins");

    const fs::path tTarget = m_tRoot / "extracted";
    oUnzip.SetOwner(&tOwner);
    oUnzip.SetUseFolderNames(true);
    oUnzip.SetUnzipFolder(tTarget.string());
    EXPECT_FALSE(oUnzip.Unzip());
    EXPECT_EQ(FilesBelow(tTarget), m_mFiles);
    EXPECT_GT(tOwner.lProgress, 0);
}

TEST_F(RoundTrip, RepackingReplacesChangedFilesAndKeepsTheRest) {
    cZip oZip;
    Pack(oZip);
    ASSERT_EQ(oZip.LastEngineResult(), 0);

    m_mFiles["a.txt"] = "changed by the editor\n";
    m_mFiles["textures/skins/new.png"] = "a new skin";
    WriteFile(m_tSource / "a.txt", m_mFiles["a.txt"]);
    WriteFile(m_tSource / "textures/skins/new.png", m_mFiles["textures/skins/new.png"]);
    Pack(oZip);
    ASSERT_EQ(oZip.LastEngineResult(), 0);

    cUnzip oUnzip;
    oUnzip.SetZipFile(Archive().string());
    oUnzip.SetUseFolderNames(true);
    oUnzip.SetUnzipFolder((m_tRoot / "again").string());
    EXPECT_FALSE(oUnzip.Unzip());
    EXPECT_EQ(FilesBelow(m_tRoot / "again"), m_mFiles);
}

TEST_F(RoundTrip, SelectedEntriesAloneAreExtractedAndFlatExtractionDropsFolders) {
    cZip oZip;
    Pack(oZip);
    cUnzip oUnzip;
    oUnzip.SetZipFile(Archive().string());
    oUnzip.Directory();
    const auto mListing = Listing(oUnzip);
    for (std::int32_t i = 1; i <= oUnzip.FileCount(); ++i)
        oUnzip.SetFileSelected(i, false);
    oUnzip.SetFileSelected(mListing.at("scripts/ui/my file.txt"), true);
    oUnzip.SetFileSelected(mListing.at("a.txt"), true);
    oUnzip.SetUseFolderNames(true);
    oUnzip.SetUnzipFolder((m_tRoot / "some").string());
    EXPECT_FALSE(oUnzip.Unzip());
    EXPECT_EQ(FilesBelow(m_tRoot / "some"),
              (std::map<std::string, std::string>{
                  {"a.txt", m_mFiles["a.txt"]},
                  {"scripts/ui/my file.txt", m_mFiles["scripts/ui/my file.txt"]}}));

    cUnzip oFlat;
    oFlat.SetZipFile(Archive().string());
    oFlat.SetUseFolderNames(false);
    oFlat.SetUnzipFolder((m_tRoot / "flat").string());
    EXPECT_FALSE(oFlat.Unzip());
    std::map<std::string, std::string> mFlat;
    for (const auto &[sPath, sData] : m_mFiles)
        mFlat[fs::path(sPath).filename().string()] = sData;
    EXPECT_EQ(FilesBelow(m_tRoot / "flat"), mFlat);
}

TEST_F(RoundTrip, DeleteRemovesTheNamedEntriesOnly) {
    cZip oZip;
    Pack(oZip);
    oZip.ClearFileSpecs();
    oZip.AddFileSpec("a.txt");
    oZip.AddFileSpec("scripts/ui/menu.cs");
    oZip.Delete();
    EXPECT_EQ(oZip.LastEngineResult(), 0);

    cUnzip oUnzip;
    oUnzip.SetZipFile(Archive().string());
    oUnzip.Directory();
    const auto mListing = Listing(oUnzip);
    EXPECT_EQ(mListing.size(), m_mFiles.size() - 2);
    EXPECT_FALSE(mListing.count("a.txt"));
    EXPECT_FALSE(mListing.count("scripts/ui/menu.cs"));
    EXPECT_TRUE(mListing.count("textures/skins/warrior.png"));

    // The delete field is off again: the next Zip adds the files back.
    oZip.ClearFileSpecs();
    oZip.AddFileSpec("*");
    oZip.Zip();
    oUnzip.SetZipFile(Archive().string());
    oUnzip.Directory();
    EXPECT_EQ(Listing(oUnzip).size(), m_mFiles.size());
}

TEST_F(RoundTrip, MissingArchiveIsAnEngineComplaintNotAnError) {
    cUnzip oUnzip;
    oUnzip.SetZipFile((m_tRoot / "no-such.vl2").string());
    oUnzip.Directory();
    EXPECT_EQ(oUnzip.FileCount(), 0);
    oUnzip.SetUnzipFolder((m_tRoot / "x").string());
    EXPECT_TRUE(oUnzip.Unzip());
}

TEST_F(RoundTrip, VersionComesFromTheEngine) {
    cUnzip oUnzip;
    std::int32_t lMajor = -1, lMinor = -1, lRevision = -1;
    ArchiveDate dDate;
    std::string sExtra;
    oUnzip.GetVersion(lMajor, lMinor, lRevision, dDate, sExtra);
    EXPECT_GE(lMajor, 0);
    EXPECT_EQ(sExtra.size(), 10u);
}

} // namespace

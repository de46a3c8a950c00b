// The archive jobs against the real engine libraries beside this test program: the
// outcome each job reads from the engine (done, partly, failed, with the engine's own
// words), the bytes their progress counts, and a process whose current folder no job
// moves. The reading of the engine's messages is checked on its own first.
#include "archive/jobs/ArchiveJobs.h"
#include "tests/archive/FileBytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <map>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(EngineMessages, ComplaintsAndTheNamesTheyLeaveOutAreTold) {
    const struct {
        const char *sLine;
        bool bComplaint;
        const char *sLeftOut;
    } cases[] = {
        {"  inflating: textures/a.png", false, ""},
        {"adding: scripts/a.cs (deflated 40%)", false, ""},
        {"/tmp/x.vl2 is up to date", false, ""},
        {"zip warning: skipping scripts/pipe.cs (not a regular file)", true, "scripts/pipe.cs"},
        {"zip warning: skipping my (old) file.cs (not a regular file)", true, "my (old) file.cs"},
        {"zip warning: name not matched: gone.cs", true, "gone.cs"},
        {"   skipping: ../evil.txt  (the name climbs out of the target folder)", true,
         "../evil.txt"},
        {"caution: filename not matched:  a.png", true, "a.png"},
        {"error: cannot read /x.vl2: Not a zip archive", true, ""},
        {"zip error: could not write /x.vl2: No space left on device; the archive was left as it "
         "was",
         true, ""},
        {"incorrect password for a.png", true, ""},
        {"zip: cancelled; the archive was left as it was", true, ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(IsEngineComplaint(c.sLine), c.bComplaint) << c.sLine;
        EXPECT_EQ(LeftOutName(c.sLine), c.sLeftOut) << c.sLine;
    }
    EngineReport report;
    report.Add("  inflating: a.png\n");
    EXPECT_EQ(report.Reason(0), "");
    EXPECT_EQ(report.Reason(2), "the archive is damaged or not a zip archive");
    report.Add("   skipping: b.png  (a symbolic link; links are never created)\n");
    report.Add("error: c.png: bad CRC 00000000 (should be 12345678)\n");
    EXPECT_EQ(report.Reason(1), "skipping: b.png  (a symbolic link; links are never created)\n"
                                "error: c.png: bad CRC 00000000 (should be 12345678)");
    EXPECT_EQ(report.LeftOut(), std::vector<std::string>{"b.png"});
}

// Runs the work on a thread of its own, as a window's long job does, and keeps every
// different progress it reads meanwhile.
class SamplingRunner final : public JobRunner {
public:
    void Run(const std::function<void()> &fnWork,
             const std::function<JobFraction()> &fnProgress) override {
        std::atomic<bool> bEnded{false};
        std::exception_ptr pFailure;
        std::thread worker([&] {
            try {
                fnWork();
            } catch (...) {
                pFailure = std::current_exception();
            }
            bEnded = true;
        });
        while (!bEnded)
            Keep(fnProgress());
        worker.join();
        Keep(fnProgress());
        if (pFailure)
            std::rethrow_exception(pFailure);
    }

    std::vector<JobFraction> samples;

private:
    void Keep(const JobFraction &fraction) {
        if (samples.empty() || samples.back().lDone != fraction.lDone ||
            samples.back().lTotal != fraction.lTotal)
            samples.push_back(fraction);
    }
};

class ArchiveJobsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_tStart = fs::current_path();
        m_tRoot = fs::temp_directory_path() / ("keplo-jobs-" + std::to_string(::getpid()));
        fs::remove_all(m_tRoot);
        fs::create_directories(m_tRoot / "source");
    }
    void TearDown() override {
        fs::current_path(m_tStart);
        fs::remove_all(m_tRoot);
    }

    std::string Source() const { return (m_tRoot / "source").string() + "/"; }
    std::string Archive() const { return (m_tRoot / "pack.vl2").string(); }

    // One big entry, streamed while it is unpacked, among many small ones.
    std::uint64_t WriteBigAndSmallFiles() {
        WriteFile(m_tRoot / "source/big/level.dat", std::string(24u << 20, 'z'));
        std::uint64_t lBytes = 24u << 20;
        for (int i = 0; i < 400; ++i) {
            const std::string sText(100 + i, static_cast<char>('a' + i % 26));
            WriteFile(m_tRoot / "source/small" / ("f" + std::to_string(i) + ".cs"), sText);
            lBytes += sText.size();
        }
        return lBytes;
    }

    // The progress read along a job: never back, done never past the total, ending
    // at the total with bytes between 0 and the end read on the way.
    static void ExpectBytesRising(const std::vector<JobFraction> &samples,
                                  std::uint64_t lTotal) {
        ASSERT_FALSE(samples.empty());
        bool bBetween = false;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            // Before the engine knows its total, nothing is known.
            if (samples[i].lTotal != lTotal) {
                EXPECT_EQ(samples[i].lTotal, 0u) << i;
                EXPECT_EQ(samples[i].lDone, 0u) << i;
                continue;
            }
            EXPECT_EQ(samples[i].lTotal, lTotal) << i;
            EXPECT_LE(samples[i].lDone, samples[i].lTotal) << i;
            if (i > 0 && samples[i - 1].lTotal == lTotal) {
                EXPECT_GE(samples[i].lDone, samples[i - 1].lDone) << i;
            }
            bBetween |= samples[i].lDone > 0 && samples[i].lDone < lTotal;
        }
        EXPECT_EQ(samples.back().lDone, lTotal);
        EXPECT_TRUE(bBetween) << "no progress was read between the start and the end";
    }

    fs::path m_tStart;
    fs::path m_tRoot;
    cUnzip m_cUnzip;
    cZip m_cZ;
    ArchiveJobs m_jobs{m_cUnzip, m_cZ};
    DirectRunner m_direct;
};

TEST_F(ArchiveJobsTest, UnpackAndPackCountBytesOfEntryDataAsTheyGo) {
    const std::uint64_t lBytes = WriteBigAndSmallFiles();
    ASSERT_TRUE(m_jobs.Pack({Archive(), Source(), {}, false}, m_direct).IsDone());

    SamplingRunner unpacking;
    ASSERT_TRUE(m_jobs.List(Archive(), m_direct).IsDone());
    EXPECT_EQ(m_cUnzip.FileCount(), 401);
    const JobOutcome unpacked =
        m_jobs.Unpack(Archive(), (m_tRoot / "out").string(), UnpackLayout::Folders, unpacking);
    EXPECT_TRUE(unpacked.IsDone()) << unpacked.sReason;
    ExpectBytesRising(unpacking.samples, lBytes);

    // An update that changes one small file still counts the big entry it carries over
    // untouched, and the file it checks for a change.
    WriteFile(m_tRoot / "source/small/f7.cs", "changed");
    SamplingRunner packing;
    const JobOutcome packed = m_jobs.Pack({Archive(), Source(), {"small/f7.cs"}, false}, packing);
    EXPECT_TRUE(packed.IsDone()) << packed.sReason;
    const std::uint64_t lNow = lBytes - (100 + 7) + 7;
    ASSERT_FALSE(packing.samples.empty());
    EXPECT_EQ(packing.samples.back().lTotal, lNow);
    EXPECT_EQ(packing.samples.back().lDone, lNow);
}

TEST_F(ArchiveJobsTest, UnpackEntriesWritesOnlyThoseOfTheListingAndSelectsAllAgain) {
    WriteFile(m_tRoot / "source/scripts/a.cs", "a");
    WriteFile(m_tRoot / "source/scripts/A.CS", "upper");
    WriteFile(m_tRoot / "source/textures/b.png", "b");
    WriteFile(m_tRoot / "source/c[1].txt", "c");
    ASSERT_TRUE(m_jobs.Pack({Archive(), Source(), {}, false}, m_direct).IsDone());
    const std::string sOut = (m_tRoot / "out").string();

    // Not listed yet: refused, nothing written.
    EXPECT_TRUE(m_jobs.UnpackEntries(Archive(), sOut, {1}, m_direct).IsFailed());
    EXPECT_FALSE(fs::exists(sOut));

    ASSERT_TRUE(m_jobs.List(Archive(), m_direct).IsDone());
    ASSERT_EQ(m_cUnzip.FileCount(), 4);
    std::map<std::string, std::int32_t> byPath;
    for (std::int32_t i = 1; i <= 4; ++i)
        byPath[m_cUnzip.FileDirectory(i) + "/" + m_cUnzip.Filename(i)] = i;
    for (const char *sPath : {"scripts/a.cs", "/c[1].txt"}) {
        SCOPED_TRACE(sPath);
        fs::remove_all(sOut);
        const std::string sEntry = std::string(sPath).substr(sPath[0] == '/' ? 1 : 0);
        const JobOutcome outcome = m_jobs.UnpackEntries(Archive(), sOut, {byPath.at(sPath)}, m_direct);
        EXPECT_TRUE(outcome.IsDone()) << outcome.sReason;
        std::vector<std::string> written;
        for (const auto &entry : fs::recursive_directory_iterator(sOut))
            if (entry.is_regular_file())
                written.push_back(fs::relative(entry.path(), sOut).string());
        // Only the one asked for: not the name that differs only in letter case.
        EXPECT_EQ(written, std::vector<std::string>{sEntry});
        for (std::int32_t i = 1; i <= 4; ++i)
            EXPECT_TRUE(m_cUnzip.FileSelected(i)) << i;
    }
    for (const std::vector<std::int32_t> &bad : {std::vector<std::int32_t>{},
                                                 std::vector<std::int32_t>{0},
                                                 std::vector<std::int32_t>{5}})
        EXPECT_TRUE(m_jobs.UnpackEntries(Archive(), sOut, bad, m_direct).IsFailed());
}

TEST_F(ArchiveJobsTest, AFileThePackerSkipsMakesTheOutcomePartlyWithItsName) {
    WriteFile(m_tRoot / "source/scripts/a.cs", "a");
    ASSERT_EQ(mkfifo((m_tRoot / "source/scripts/pipe.cs").c_str(), 0600), 0);
    const JobOutcome packed = m_jobs.Pack({Archive(), Source(), {}, false}, m_direct);
    EXPECT_TRUE(packed.IsPartly());
    EXPECT_EQ(packed.lResult, ENGINE_WARNING);
    EXPECT_EQ(packed.vLeftOut, std::vector<std::string>{"scripts/pipe.cs"});
    EXPECT_NE(packed.sReason.find("scripts/pipe.cs (not a regular file)"), std::string::npos)
        << packed.sReason;
    // The rest was written.
    ASSERT_TRUE(m_jobs.List(Archive(), m_direct).IsDone());
    EXPECT_EQ(m_cUnzip.FileCount(), 1);
}

TEST_F(ArchiveJobsTest, JobsThatCannotBeDoneFailWithTheEngineOwnWords) {
    WriteFile(m_tRoot / "zero.vl2", "");
    WriteFile(m_tRoot / "text.vl2", "not a zip archive at all");
    const struct {
        std::string sArchive;
        const char *sReasonPart;
    } listings[] = {
        {(m_tRoot / "zero.vl2").string(), "is empty, not a zip archive"},
        {(m_tRoot / "text.vl2").string(), "Not a zip archive"},
        {(m_tRoot / "missing.vl2").string(), "cannot find or open"},
    };
    for (const auto &c : listings) {
        const JobOutcome listed = m_jobs.List(c.sArchive, m_direct);
        EXPECT_TRUE(listed.IsFailed()) << c.sArchive;
        EXPECT_NE(listed.sReason.find(c.sReasonPart), std::string::npos) << listed.sReason;
        const JobOutcome unpacked =
            m_jobs.Unpack(c.sArchive, (m_tRoot / "out").string(), UnpackLayout::Flat, m_direct);
        EXPECT_TRUE(unpacked.IsFailed()) << c.sArchive;
    }
    // A base folder that cannot be reached, and none at all: nothing is packed from
    // wherever the process happens to be.
    for (const std::string &sBase : {(m_tRoot / "nowhere").string() + "/", std::string("  ")}) {
        const JobOutcome packed = m_jobs.Pack({Archive(), sBase, {}, false}, m_direct);
        EXPECT_TRUE(packed.IsFailed()) << sBase;
        EXPECT_EQ(packed.lResult, -1);
        EXPECT_FALSE(packed.sReason.empty());
    }
    EXPECT_FALSE(fs::exists(Archive()));
}

TEST_F(ArchiveJobsTest, AReplacingPackTakesThePlaceWholeOrLeavesTheOldArchive) {
    WriteFile(m_tRoot / "source/textures/skins/red.png", "red");
    WriteFile(m_tRoot / "old/old.txt", "old");
    ASSERT_TRUE(m_jobs.Pack({Archive(), (m_tRoot / "old").string() + "/", {}, false}, m_direct)
                    .IsDone());
    const std::string sOld = ReadFile(Archive());

    // Nothing to pack: the old archive stays as it was, and no new one lies beside it.
    const JobOutcome failed =
        m_jobs.Pack({Archive(), (m_tRoot / "empty").string() + "/", {}, true}, m_direct);
    EXPECT_TRUE(failed.IsFailed());
    EXPECT_EQ(ReadFile(Archive()), sOld);

    ASSERT_TRUE(m_jobs.Pack({Archive(), Source(), {}, true}, m_direct).IsDone());
    ASSERT_TRUE(m_jobs.List(Archive(), m_direct).IsDone());
    ASSERT_EQ(m_cUnzip.FileCount(), 1);
    EXPECT_EQ(m_cUnzip.Filename(1), "red.png");
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(m_tRoot))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"old", "pack.vl2", "source"}));
}

// Damages one byte of the stored data of an entry, which the archive holds after its
// local header (30 bytes, its name and its extra field).
void DamageEntryData(const fs::path &tArchive, const std::string &sEntry) {
    std::string sBytes;
    {
        std::ifstream tIn(tArchive, std::ios::binary);
        sBytes.assign(std::istreambuf_iterator<char>(tIn), std::istreambuf_iterator<char>());
    }
    const std::size_t lName = sBytes.find(sEntry);
    ASSERT_NE(lName, std::string::npos);
    const std::size_t lHeader = lName - 30;
    ASSERT_EQ(sBytes.compare(lHeader, 4, "PK\x03\x04"), 0);
    const std::size_t lExtra = static_cast<unsigned char>(sBytes[lHeader + 28]) |
                               static_cast<unsigned char>(sBytes[lHeader + 29]) << 8;
    sBytes[lName + sEntry.size() + lExtra + 2] ^= 0x55;
    std::ofstream(tArchive, std::ios::binary | std::ios::trunc) << sBytes;
}

TEST_F(ArchiveJobsTest, TestChecksEveryEntryAndCountsTheOnesThatFail) {
    const std::uint64_t lBytes = WriteBigAndSmallFiles();
    ASSERT_TRUE(m_jobs.Pack({Archive(), Source(), {}, false}, m_direct).IsDone());
    SamplingRunner testing;
    const JobOutcome sound = m_jobs.Test(Archive(), testing);
    EXPECT_TRUE(sound.IsDone()) << sound.sReason;
    EXPECT_EQ(sound.lFailedEntries, 0u);
    ExpectBytesRising(testing.samples, lBytes);
    // Testing writes nothing.
    EXPECT_FALSE(fs::exists(m_tRoot / "small"));

    DamageEntryData(Archive(), "small/f3.cs");
    DamageEntryData(Archive(), "small/f250.cs");
    const JobOutcome damaged = m_jobs.Test(Archive(), m_direct);
    EXPECT_TRUE(damaged.IsPartly());
    EXPECT_EQ(damaged.lFailedEntries, 2u);
    EXPECT_NE(damaged.sReason.find("small/f3.cs"), std::string::npos) << damaged.sReason;
    EXPECT_NE(damaged.sReason.find("small/f250.cs"), std::string::npos) << damaged.sReason;

    // The component unpacks again after a test.
    ASSERT_TRUE(m_jobs.List(Archive(), m_direct).IsDone());
    m_jobs.Unpack(Archive(), (m_tRoot / "out").string(), UnpackLayout::Folders, m_direct);
    EXPECT_EQ(ReadFile(m_tRoot / "out/small/f7.cs"), ReadFile(m_tRoot / "source/small/f7.cs"));
}

TEST_F(ArchiveJobsTest, AnArchiveThatCannotBeReadFailsItsTest) {
    WriteFile(m_tRoot / "text.vl2", "not a zip archive at all");
    WriteFile(m_tRoot / "source/a.cs", std::string(5000, 'a'));
    ASSERT_TRUE(m_jobs.Pack({Archive(), Source(), {}, false}, m_direct).IsDone());
    const std::string sWhole = ReadFile(Archive());
    WriteFile(m_tRoot / "cut.vl2", sWhole.substr(0, sWhole.size() / 2));
    for (const char *sName : {"text.vl2", "cut.vl2", "missing.vl2"}) {
        const JobOutcome tested = m_jobs.Test((m_tRoot / sName).string(), m_direct);
        EXPECT_TRUE(tested.IsFailed()) << sName;
        EXPECT_EQ(tested.lFailedEntries, 0u) << sName;
        EXPECT_FALSE(tested.sReason.empty()) << sName;
    }
}

TEST_F(ArchiveJobsTest, NoJobMovesTheProcesssCurrentFolder) {
    WriteFile(m_tRoot / "source/scripts/a.cs", "a");
    const fs::path tBefore = fs::current_path();
    ASSERT_TRUE(m_jobs.Pack({Archive(), Source(), {}, false}, m_direct).IsDone());
    ASSERT_TRUE(m_jobs.List(Archive(), m_direct).IsDone());
    ASSERT_TRUE(m_jobs.Unpack(Archive(), (m_tRoot / "out").string(), UnpackLayout::Folders,
                              m_direct)
                    .IsDone());
    EXPECT_EQ(fs::current_path(), tBefore);
    EXPECT_EQ(ReadFile(m_tRoot / "out/scripts/a.cs"), "a");
}

} // namespace

// timed-run, which takes every benchmark figure: it passes the command's exit
// status on, sets NAME=VALUE words as the command's environment, and writes
// its two figures where asked.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class TimedRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("timed-run-test-" + std::to_string(getpid()));
        fs::create_directories(m_folder);
        m_result = m_folder / "figure";
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Runs timed-run with these words after the result file; its exit status.
    int Run(const std::string &words)
    {
        const std::string command = std::string("'") + TIMED_RUN + "' '" + m_result.string() + "' " + words;
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_folder;
    fs::path m_result;
};

TEST_F(TimedRunTest, WritesSecondsAndPeakMemoryAndPassesTheStatusOn)
{
    EXPECT_EQ(Run("sh -c 'exit 3'"), 3);
    std::ifstream figure(m_result);
    double seconds = -1;
    long kib = -1;
    ASSERT_TRUE(figure >> seconds >> kib);
    EXPECT_GT(seconds, 0.0);
    EXPECT_LT(seconds, 60.0);
    EXPECT_GT(kib, 0);
    EXPECT_EQ(Run("true"), 0);
}

TEST_F(TimedRunTest, LeadingAssignmentsBecomeTheCommandsEnvironment)
{
    EXPECT_EQ(Run("KEPLO_TIMED=yes OTHER_1=2 sh -c 'test \"$KEPLO_TIMED$OTHER_1\" = yes2'"), 0);
    // A word with "=" after the command is an argument, not an assignment.
    EXPECT_EQ(Run("sh -c 'test \"$0\" = A=1' A=1"), 0);
}

TEST_F(TimedRunTest, ACommandThatCannotStartIs127AndASignalIs128Plus)
{
    EXPECT_EQ(Run("/nonexistent/program 2>/dev/null"), 127);
    EXPECT_EQ(Run("sh -c 'kill -TERM $$'"), 128 + 15);
}

} // namespace

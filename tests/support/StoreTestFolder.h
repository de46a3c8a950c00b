// A temporary folder per test that holds the test's own settings store, and a way to
// run a program and collect its exit code and output.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

class StoreTestFolder : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The folder that XDG_CONFIG_HOME names for this test.
    const std::string &Root() const { return m_sRoot; }
    std::string StorePath() const;
    // Writes sText as the store's file, creating its folder.
    void PlantStore(const std::string &sText) const;
    // The store file's bytes; empty when missing.
    std::string StoreText() const;
    bool StoreExists() const;
    // Names of the files in the store's folder that start with sPrefix.
    std::vector<std::string> FilesBesideStore(const std::string &sPrefix) const;

private:
    std::string m_sRoot;
    std::string m_sOldConfig;
    bool m_bHadConfig = false;
};

struct ProcessResult {
    int lExitCode = -1; // -1 when the process did not exit normally
    std::string sOut;
    std::string sErr;
};

// Runs sProgram with the arguments, standard input from /dev/null, and waits for it.
ProcessResult RunProcess(const std::string &sProgram, const std::vector<std::string> &args);

void WriteFile(const std::string &sPath, const std::string &sBytes);
std::string ReadFile(const std::string &sPath);

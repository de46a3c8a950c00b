// Shared pieces of the component tests: a fixture that starts each test with an
// empty stand-in engine and puts the current folder back afterwards, and owners
// that record every event and answer as a test tells them.
#pragma once

#include "archive/ArchiveError.h"
#include "archive/cUnzip.h"
#include "archive/cZip.h"
#include "tests/archive/FakeEngine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeEngineReset();
        m_tStartFolder = std::filesystem::current_path();
    }
    void TearDown() override { std::filesystem::current_path(m_tStartFolder); }

    FakeEngineState &Engine() { return FakeEngine(); }

    // A fresh folder below the system's temporary folder, removed by the next run.
    std::filesystem::path TempFolder(const std::string &sName) {
        std::filesystem::path tFolder = std::filesystem::temp_directory_path() /
                                        ("keplo-archive-tests-" + std::to_string(::getpid())) /
                                        sName;
        std::filesystem::remove_all(tFolder);
        std::filesystem::create_directories(tFolder);
        return tFolder;
    }

private:
    std::filesystem::path m_tStartFolder;
};

struct RecordingUnzipOwner : cUnzipEvents {
    std::vector<std::string> vCancel;
    std::vector<std::string> vOverwrite;
    std::vector<std::pair<std::int32_t, std::string>> vProgress;
    int lPasswordRequests = 0;

    bool bAnswerCancel = false;
    std::int32_t eAnswerResponse = -1; // -1: leave the response as it starts
    std::string sAnswerPassword;
    bool bAnswerPasswordCancel = false;
    bool bThrow = false;

    void Cancel(const std::string &sMsg, bool &bCancel) override {
        vCancel.push_back(sMsg);
        if (bAnswerCancel)
            bCancel = true;
        if (bThrow)
            throw std::runtime_error("handler failed");
    }
    void OverwritePrompt(const std::string &sName, std::int32_t &eResponse) override {
        vOverwrite.push_back(sName);
        if (eAnswerResponse != -1)
            eResponse = eAnswerResponse;
        if (bThrow)
            throw std::runtime_error("handler failed");
    }
    void PasswordRequest(std::string &sPassword, bool &bCancel) override {
        ++lPasswordRequests;
        sPassword = sAnswerPassword;
        bCancel = bAnswerPasswordCancel;
        if (bThrow)
            throw std::runtime_error("handler failed");
    }
    void Progress(std::int32_t lCount, const std::string &sMsg) override {
        vProgress.emplace_back(lCount, sMsg);
        if (bThrow)
            throw std::runtime_error("handler failed");
    }
};

struct RecordingZipOwner : cZipEvents {
    std::vector<std::string> vCancel;
    std::vector<std::pair<std::int32_t, std::string>> vProgress;
    int lPasswordRequests = 0;

    bool bAnswerCancel = false;
    std::string sAnswerPassword;
    bool bAnswerPasswordCancel = false;
    bool bThrow = false;

    void Cancel(const std::string &sMsg, bool &bCancel) override {
        vCancel.push_back(sMsg);
        if (bAnswerCancel)
            bCancel = true;
        if (bThrow)
            throw std::runtime_error("handler failed");
    }
    void PasswordRequest(std::string &sPassword, bool &bCancel) override {
        ++lPasswordRequests;
        sPassword = sAnswerPassword;
        bCancel = bAnswerPasswordCancel;
        if (bThrow)
            throw std::runtime_error("handler failed");
    }
    void Progress(std::int32_t lCount, const std::string &sMsg) override {
        vProgress.emplace_back(lCount, sMsg);
        if (bThrow)
            throw std::runtime_error("handler failed");
    }
};

// The texts in slots 0 to lCount-1 of a name list as the engine saw it.
inline std::vector<std::string> NamesIn(const FakeNameSlots &vSlots, std::int32_t lCount) {
    std::vector<std::string> vNames;
    for (std::int32_t i = 0; i < lCount && static_cast<std::size_t>(i) < vSlots.size(); ++i)
        vNames.push_back(vSlots[static_cast<std::size_t>(i)].value_or("<null>"));
    return vNames;
}

// Every slot from lFirst on is null.
inline bool NullFrom(const FakeNameSlots &vSlots, std::size_t lFirst) {
    for (std::size_t i = lFirst; i < vSlots.size(); ++i)
        if (vSlots[i].has_value())
            return false;
    return true;
}

// An ArchiveError with that number, description and source is raised by fAction.
inline ::testing::AssertionResult RaisesArchiveError(const std::function<void()> &fAction,
                                                     std::int32_t lNumber,
                                                     const std::string &sDescription,
                                                     const std::string &sSource) {
    try {
        fAction();
    } catch (const ArchiveError &e) {
        if (e.Number() == lNumber && e.Description() == sDescription && e.Source() == sSource)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "raised " << e.Number() << " \"" << e.Description()
                                             << "\" from \"" << e.Source() << "\"";
    } catch (const std::exception &e) {
        return ::testing::AssertionFailure() << "raised another exception: " << e.what();
    }
    return ::testing::AssertionFailure() << "raised nothing";
}

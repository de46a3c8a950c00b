// A home of its own for each test of the kept versions (HOME and the XDG folders point
// into a temporary folder, so the kept folder and the settings store are the test's),
// a game folder in it, and archives written with libzip as the engine writes them: a
// new file renamed over the old one.
#pragma once

#include "support/kept/KeptVersions.h"
#include "tests/support/StoreTestFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using ZipEntries = std::vector<std::pair<std::string, std::string>>;

class KeptTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string &Root() const { return m_sRoot; }
    // The game folder, ending in "/".
    std::string Game() const { return m_sRoot + "/Tribes2/"; }
    std::string Work() const { return m_sRoot + "/work"; }
    std::string PathOf(const std::string &sKey) const { return Game() + sKey; }
    KeptPlace Place(const std::string &sKey) const { return KeptPlace{Game(), sKey}; }
    // The archive's kept folder.
    std::string KeptFolder(const std::string &sKey) const;

    // Writes an archive of stored entries at sPath, by a new file renamed over it.
    static void WriteZip(const std::string &sPath, const ZipEntries &entries);
    // One write of the archive as the programs make it: kept, written, recorded.
    void Save(const std::string &sKey, const ZipEntries &entries,
              const std::string &sProgram = "Keplo");
    // Puts the version back, checked by the engine.
    KeptOutcome Restore(const std::string &sKey, KeptKind eKind);

    // Registers the game and the work folder in the test's settings store.
    void RegisterGame() const;

private:
    std::string m_sRoot;
    std::vector<std::pair<std::string, std::string>> m_saved; // variable, old value
    std::vector<std::string> m_unset;
};

std::string FileBytes(const std::string &sPath);
void PutFile(const std::string &sPath, const std::string &sBytes);
// Archive bytes to tell versions apart by: one stored entry holding sText.
ZipEntries Version(const std::string &sText);

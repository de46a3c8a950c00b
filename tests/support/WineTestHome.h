// A home folder of the test's own for the Wine search: HOME points into the test's
// temporary folder, XDG_DATA_HOME and WINEPREFIX are unset, and helpers lay out Wine
// prefixes with hand-written registry files and the game's folders in them.
#pragma once

#include "tests/support/StoreTestFolder.h"

#include <string>

class WineTestHome : public StoreTestFolder {
protected:
    void SetUp() override;
    void TearDown() override;

    // HOME, without a trailing "/".
    std::string Home() const { return Root() + "/home"; }

    // Makes the prefix Home()/sBelowHome with drive C: (dosdevices/c: -> ../drive_c)
    // and, when sRegistry is not empty, the system.reg that holds it. Returns its path.
    std::string MakePrefix(const std::string &sBelowHome, const std::string &sRegistry) const;

    // Makes a game folder (one that holds GameData/base) inside the prefix's drive C:.
    std::string MakeGame(const std::string &sPrefix, const std::string &sBelowDriveC) const;

private:
    std::string m_sOldHome;
};

// A Wine registry file: the header Wine writes, then the sections given.
std::string WineRegistry(const std::string &sSections, const std::string &sArch = "win32");

// A section of a Wine registry file: the key's escaped name and a time stamp, then the
// value lines given.
std::string WineKey(const std::string &sEscapedName, const std::string &sValueLines);

// What a listed archive holds, as far as installing it into the game goes: a skin
// is a file below textures/skins (in any letter case, as the game finds it); an
// archive that holds other files as well is one of the game's own, or a mod.
#pragma once

#include <cstdint>
#include <string>

class cUnzip;

struct ArchiveHoldings {
    std::int32_t nFiles = 0; // file entries (folder entries are not listed)
    std::int32_t nSkins = 0; // of them, below textures/skins

    bool HoldsOtherThanSkins() const { return nSkins < nFiles; }
};

// Whether an entry's folder, as the unzip component reports it ("\" between
// folders), is textures\skins or lies below it.
bool IsSkinFolder(const std::string &sFolder);

// What the archive listed last in the component holds.
ArchiveHoldings HoldingsOf(const cUnzip &oUnzip);

// keplo-demo <folder>: builds a small demo game for trying Keplo without Tribes 2.
// <folder>/GameData/base/ receives a few generated .vl2 archives shaped like the
// game's: scripts and GUI files, player skins, sounds, shapes of the game data
// types that Keplo keeps out of its tree, a mission, and an interiors.vl2 that the
// archive chooser leaves out. Every shown file is a real, valid file of its type.
//
// <folder>/downloads/ receives what a player gets from friends, for trying
// Pelterbox: a skin archive to install (demoteam.vl2) and loose PNG skins to pack.
//
// An archive or file that exists already is left alone, so running the tool again
// never undoes a user's edits to the demo.
#include <zip.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// ---- Small file formats ---------------------------------------------------------

using Bytes = std::string;

void PutBigEndian32(Bytes &out, std::uint32_t n) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((n >> shift) & 0xFF));
}

void PutLittleEndian(Bytes &out, std::uint32_t n, int nBytes) {
    for (int i = 0; i < nBytes; ++i)
        out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
}

std::uint32_t Crc32(const Bytes &data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint32_t Adler32(const Bytes &data) {
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

// A zlib stream of stored (uncompressed) deflate blocks: valid, and needs no compressor.
Bytes ZlibStored(const Bytes &raw) {
    Bytes out("\x78\x01", 2);
    std::size_t nDone = 0;
    do {
        const std::size_t nBlock = std::min<std::size_t>(raw.size() - nDone, 65535);
        const bool bLast = nDone + nBlock == raw.size();
        out.push_back(bLast ? 1 : 0);
        PutLittleEndian(out, static_cast<std::uint32_t>(nBlock), 2);
        PutLittleEndian(out, static_cast<std::uint32_t>(~nBlock & 0xFFFF), 2);
        out.append(raw, nDone, nBlock);
        nDone += nBlock;
    } while (nDone < raw.size());
    PutBigEndian32(out, Adler32(raw));
    return out;
}

struct Rgb {
    unsigned char r, g, b;
};

// A pixel of a skin-like picture: a colour field with bands and a darker frame.
using Painter = Rgb (*)(int x, int y, int w, int h, Rgb base);

Rgb SkinPixel(int x, int y, int w, int h, Rgb base) {
    const bool bFrame = x < 2 || y < 2 || x >= w - 2 || y >= h - 2;
    const bool bBand = (y / 4) % 3 == 0;
    auto shade = [](unsigned char c, int percent) {
        return static_cast<unsigned char>(c * percent / 100);
    };
    const int nPercent = bFrame ? 45 : bBand ? 75 : 100;
    return {shade(base.r, nPercent), shade(base.g, nPercent), shade(base.b, nPercent)};
}

Bytes PngChunk(const char *sType, const Bytes &data) {
    Bytes chunk;
    PutBigEndian32(chunk, static_cast<std::uint32_t>(data.size()));
    Bytes typed(sType, 4);
    typed += data;
    chunk += typed;
    PutBigEndian32(chunk, Crc32(typed));
    return chunk;
}

// An 8-bit RGB PNG image.
Bytes Png(int w, int h, Rgb base, Painter paint = SkinPixel) {
    Bytes header;
    PutBigEndian32(header, static_cast<std::uint32_t>(w));
    PutBigEndian32(header, static_cast<std::uint32_t>(h));
    header +=
        Bytes("\x08\x02\x00\x00\x00", 5); // depth 8, RGB, deflate, no filter set, no interlace
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0); // filter type None
        for (int x = 0; x < w; ++x) {
            const Rgb p = paint(x, y, w, h, base);
            raw.push_back(static_cast<char>(p.r));
            raw.push_back(static_cast<char>(p.g));
            raw.push_back(static_cast<char>(p.b));
        }
    }
    return Bytes("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) +
           PngChunk("IDAT", ZlibStored(raw)) + PngChunk("IEND", Bytes());
}

// A 24-bit Windows bitmap with a grid pattern.
Bytes Bmp(int w, int h) {
    const int nRow = (w * 3 + 3) / 4 * 4;
    const std::uint32_t nPixels = static_cast<std::uint32_t>(nRow * h);
    Bytes out("BM", 2);
    PutLittleEndian(out, 54 + nPixels, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 54, 4);
    PutLittleEndian(out, 40, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(w), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(h), 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, 24, 2);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, nPixels, 4);
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 0, 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool bLine = x % 8 == 0 || y % 8 == 0;
            const char c = static_cast<char>(bLine ? 0x30 : 0xA0);
            out += Bytes(3, c);
        }
        out += Bytes(static_cast<std::size_t>(nRow - w * 3), '\0');
    }
    return out;
}

// An 8-bit mono PCM WAV file: a tone that glides from one pitch to another.
Bytes Wav(double dFromHz, double dToHz, double dSeconds) {
    constexpr std::uint32_t kRate = 8000;
    const auto nSamples = static_cast<std::uint32_t>(kRate * dSeconds);
    Bytes out("RIFF", 4);
    PutLittleEndian(out, 36 + nSamples, 4);
    out += "WAVEfmt ";
    PutLittleEndian(out, 16, 4);
    PutLittleEndian(out, 1, 2); // PCM
    PutLittleEndian(out, 1, 2); // mono
    PutLittleEndian(out, kRate, 4);
    PutLittleEndian(out, kRate, 4); // bytes a second
    PutLittleEndian(out, 1, 2);     // block align
    PutLittleEndian(out, 8, 2);     // bits a sample
    out += "data";
    PutLittleEndian(out, nSamples, 4);
    double dPhase = 0;
    for (std::uint32_t i = 0; i < nSamples; ++i) {
        const double t = static_cast<double>(i) / nSamples;
        dPhase += 2 * M_PI * (dFromHz + (dToHz - dFromHz) * t) / kRate;
        const double dFade = std::min(1.0, std::min(t, 1 - t) * 20);
        out.push_back(static_cast<char>(128 + std::lround(90 * dFade * std::sin(dPhase))));
    }
    return out;
}

// Stand-in data for the game's own binary formats (shapes, interiors, terrains),
// which Keplo lists in no tree and edits with no program.
Bytes GameData(const std::string &sWhat) {
    Bytes out = "KEPLO-DEMO " + sWhat + " (placeholder game data)\n";
    for (int i = 0; i < 64; ++i)
        out.push_back(static_cast<char>((i * 37) & 0xFF));
    return out;
}

// ---- The demo archives ----------------------------------------------------------

struct Entry {
    std::string sName;
    Bytes data;
};

struct Archive {
    std::string sFileName;
    std::vector<Entry> entries;
};

std::vector<Archive> DemoArchives() {
    const Bytes sClient = "// Client start-up for the Keplo demo game.\n"
                          "function demoClientStart()\n{\n"
                          "   echo(\"Demo client starting\");\n"
                          "   exec(\"scripts/demoTools.cs\");\n"
                          "   Canvas.setContent(DemoMainMenu);\n}\n";
    const Bytes sServer = "// Server settings for the Keplo demo game.\n"
                          "$Host::GameName = \"Keplo Demo Server\";\n"
                          "$Host::MaxPlayers = 16;\n"
                          "$Host::TimeLimit = 30;\n\n"
                          "function demoServerStart()\n{\n"
                          "   echo(\"Demo server on \" @ $Host::GameName);\n}\n";
    const Bytes sTools = "// Small helpers used by the demo scripts.\n"
                         "function demoClamp(%value, %low, %high)\n{\n"
                         "   if (%value < %low)\n      return %low;\n"
                         "   if (%value > %high)\n      return %high;\n"
                         "   return %value;\n}\n";
    const Bytes sMenuGui = "//--- OBJECT WRITE BEGIN ---\n"
                           "new GuiControl(DemoMainMenu) {\n"
                           "   profile = \"GuiDefaultProfile\";\n"
                           "   position = \"0 0\";\n   extent = \"640 480\";\n\n"
                           "   new GuiTextCtrl() {\n"
                           "      profile = \"GuiTextProfile\";\n"
                           "      position = \"20 20\";\n      extent = \"200 20\";\n"
                           "      text = \"Keplo demo main menu\";\n   };\n};\n"
                           "//--- OBJECT WRITE END ---\n";
    const Bytes sOptionsGui = "//--- OBJECT WRITE BEGIN ---\n"
                              "new GuiControl(DemoOptions) {\n"
                              "   profile = \"GuiDefaultProfile\";\n"
                              "   position = \"0 0\";\n   extent = \"640 480\";\n};\n"
                              "//--- OBJECT WRITE END ---\n";
    const Bytes sMission = "// DisplayName = Demo Valley\n"
                           "// MissionTypes = CTF\n\n"
                           "//--- MISSION QUOTE BEGIN ---\n"
                           "//A valley made for trying out Keplo.\n"
                           "//--- MISSION QUOTE END ---\n\n"
                           "//--- OBJECT WRITE BEGIN ---\n"
                           "new SimGroup(MissionGroup) {\n"
                           "   musicTrack = \"lush\";\n"
                           "   cdTrack = \"2\";\n};\n"
                           "//--- OBJECT WRITE END ---\n";

    return {
        {"scripts.vl2",
         {{"scripts/client.cs", sClient},
          {"scripts/server.cs", sServer},
          {"scripts/demoTools.cs", sTools},
          {"scripts/client.cs.dso", GameData("compiled script")},
          {"gui/DemoMainMenu.gui", sMenuGui},
          {"gui/DemoOptions.gui", sOptionsGui}}},
        {"skins.vl2",
         {{"textures/skins/demored.lmale.png", Png(64, 64, {200, 40, 40})},
          {"textures/skins/demoblue.lmale.png", Png(64, 64, {40, 80, 210})},
          {"textures/skins/demogreen.hmale.png", Png(64, 64, {50, 170, 60})},
          {"textures/skins/readme.txt", Bytes("Demo skins made for trying out Keplo.\n")}}},
        {"sounds.vl2",
         {{"audio/fx/demo_beep.wav", Wav(880, 880, 0.25)},
          {"audio/fx/demo_rise.wav", Wav(300, 1200, 0.4)},
          {"audio/voice/demo_fall.wav", Wav(1000, 250, 0.4)}}},
        {"shapes.vl2",
         {{"shapes/demo_tower.dts", GameData("shape")},
          {"shapes/demo_tower_idle.dsq", GameData("shape sequence")},
          {"shapes/demo_tower.ifl", Bytes("demo_metal.png\ndemo_grid.bmp\n")},
          {"interiors/demo_bunker.dif", GameData("interior")},
          {"textures/demo_metal.png", Png(32, 32, {150, 150, 160})},
          {"textures/demo_grid.bmp", Bmp(32, 32)}}},
        {"missions.vl2",
         {{"missions/DemoValley.mis", sMission},
          {"terrains/DemoValley.ter", GameData("terrain")},
          {"terrains/DemoValley.spn", GameData("spawn graph")},
          {"terrains/DemoValley.nav", GameData("navigation graph")}}},
        {"interiors.vl2",
         {{"interiors/demo_base.dif", GameData("interior")},
          {"textures/demo_floor.png", Png(32, 32, {120, 100, 70})}}},
    };
}

// A skin archive as players share them: every skin below textures/skins.
Archive DemoSkinArchive() {
    return {"demoteam.vl2",
            {{"textures/skins/demoorange.lmale.png", Png(64, 64, {230, 130, 30})},
             {"textures/skins/demoorange.lfemale.png", Png(64, 64, {240, 150, 50})},
             {"textures/skins/demopurple.hmale.png", Png(64, 64, {130, 50, 170})}}};
}

// Loose skins of the player's own, waiting to be packed.
std::vector<Entry> DemoLooseSkins() {
    return {{"demoyellow.lmale.png", Png(64, 64, {220, 200, 40})},
            {"democyan.mfemale.png", Png(64, 64, {40, 190, 200})}};
}

// ---- Writing --------------------------------------------------------------------

struct ZipDiscard {
    void operator()(zip_t *pZip) const { zip_discard(pZip); }
};

// Writes the archive; false with a message on standard error when it cannot.
// libzip writes to a temporary file and renames it into place only when it is
// complete, so a failure never leaves half an archive behind.
bool WriteArchive(const std::filesystem::path &path, const Archive &archive) {
    int nError = 0;
    std::unique_ptr<zip_t, ZipDiscard> pZip(zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &nError));
    if (!pZip) {
        zip_error_t error;
        zip_error_init_with_code(&error, nError);
        std::fprintf(stderr, "keplo-demo: cannot create %s: %s\n", path.c_str(),
                     zip_error_strerror(&error));
        zip_error_fini(&error);
        return false;
    }
    for (const Entry &entry : archive.entries) {
        // The buffers belong to the caller's archive, which outlives zip_close.
        zip_source_t *pSource =
            zip_source_buffer(pZip.get(), entry.data.data(), entry.data.size(), 0);
        if (!pSource ||
            zip_file_add(pZip.get(), entry.sName.c_str(), pSource, ZIP_FL_ENC_UTF_8) < 0) {
            if (pSource)
                zip_source_free(pSource);
            std::fprintf(stderr, "keplo-demo: cannot add %s to %s: %s\n", entry.sName.c_str(),
                         path.c_str(), zip_strerror(pZip.get()));
            return false;
        }
    }
    if (zip_close(pZip.get()) != 0) {
        std::fprintf(stderr, "keplo-demo: cannot write %s: %s\n", path.c_str(),
                     zip_strerror(pZip.get()));
        return false;
    }
    // Release the handle: zip_close has freed it.
    (void)pZip.release();
    return true;
}

// Writes a loose file that does not exist yet; false with a message when it cannot,
// leaving no part of it behind (a second run would keep it).
bool WriteNewFile(const std::filesystem::path &path, const Bytes &data) {
    std::FILE *pFile = std::fopen(path.c_str(), "wbx");
    bool bWritten = pFile && std::fwrite(data.data(), 1, data.size(), pFile) == data.size();
    if (pFile && std::fclose(pFile) != 0)
        bWritten = false;
    if (!bWritten) {
        std::fprintf(stderr, "keplo-demo: cannot write %s\n", path.c_str());
        if (pFile)
            std::remove(path.c_str());
    }
    return bWritten;
}

// Makes folder; false with a message when it cannot.
bool MakeFolder(const std::filesystem::path &folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::fprintf(stderr, "keplo-demo: cannot create the folder %s: %s\n", folder.c_str(),
                     error ? error.message().c_str() : "a file of that name is in the way");
        return false;
    }
    return true;
}

bool Exists(const std::filesystem::path &path) {
    if (!std::filesystem::exists(std::filesystem::symlink_status(path)))
        return false;
    std::printf("kept    %s\n", path.c_str());
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: keplo-demo <folder>\n"
                             "Builds a small demo game in <folder>, with its archives in "
                             "<folder>/GameData/base and skins to try in <folder>/downloads.\n");
        return 2;
    }
    const std::filesystem::path base = std::filesystem::path(argv[1]) / "GameData" / "base";
    const std::filesystem::path downloads = std::filesystem::path(argv[1]) / "downloads";
    if (!MakeFolder(base) || !MakeFolder(downloads))
        return 1;

    int nFailed = 0;
    std::vector<std::pair<std::filesystem::path, Archive>> archives;
    for (Archive &archive : DemoArchives())
        archives.emplace_back(base, std::move(archive));
    archives.emplace_back(downloads, DemoSkinArchive());
    for (const auto &[folder, archive] : archives) {
        const std::filesystem::path path = folder / archive.sFileName;
        if (Exists(path))
            continue;
        if (WriteArchive(path, archive))
            std::printf("created %s\n", path.c_str());
        else
            ++nFailed;
    }
    for (const Entry &skin : DemoLooseSkins()) {
        const std::filesystem::path path = downloads / skin.sName;
        if (Exists(path))
            continue;
        if (WriteNewFile(path, skin.data))
            std::printf("created %s\n", path.c_str());
        else
            ++nFailed;
    }
    return nFailed == 0 ? 0 : 1;
}

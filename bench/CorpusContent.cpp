#include "CorpusContent.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const char *const kWords[] = {
    "Blaster",  "Plasma",   "Chaingun",  "Disc",      "Mortar",    "Missile",  "Grenade",
    "Mine",     "Beacon",   "Turret",    "Sensor",    "Generator", "Inventory", "Station",
    "Vehicle",  "Shrike",   "Havoc",     "Bomber",    "Beowulf",   "Jericho",  "Wildcat",
    "Flag",     "Base",     "Bunker",    "Tower",     "Bridge",    "Lush",     "Desert",
    "Ice",      "Badlands", "Lava",      "Storm",     "Inferno",   "Phoenix",  "Blood",
    "Eagle",    "Diamond",  "Sword",     "Starwolf",  "Bioderm",   "Medium",   "Light",
    "Heavy",    "Armor",    "Pack",      "Repair",    "Shield",    "Energy",   "Cloak",
    "Ammo",     "Satchel",  "Targeting", "Laser",     "Elf",       "Shocklance", "Spinfusor",
    "Projectile", "Explosion", "Debris", "Splash",    "Emitter",   "Particle", "Camera",
    "Team",     "Player",   "Client",    "Server",    "Mission",   "Hud",      "Chat",
    "Score",    "Objective", "Waypoint", "Deploy",    "Jetpack",   "Hover",    "Tank",
    "Gravcycle", "Outpost", "Rock",      "Tree",      "Crystal",   "Spire",    "Dome",
};
constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];

const char *const kProfiles[] = {"GuiDefaultProfile", "ShellButtonProfile", "ShellTextProfile",
                                 "GuiTextListProfile", "ShellPopupProfile", "HudScoreProfile"};
const char *const kSizing[] = {"right", "left", "width", "center", "relative"};

std::string Lower(std::string_view text) {
    std::string result;
    for (char c : text)
        result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string Number(CorpusRandom &random, int low, int high) {
    return std::to_string(static_cast<long long>(random.Between(0, high - low)) + low);
}

std::string Decimal(CorpusRandom &random) {
    return Number(random, -500, 500) + "." + Number(random, 0, 99);
}

void Append(std::vector<unsigned char> &out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void AppendBig32(std::vector<unsigned char> &out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void AppendLittle(std::vector<unsigned char> &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void AppendPngChunk(std::vector<unsigned char> &out, const char *type,
                    const unsigned char *data, size_t length) {
    AppendBig32(out, static_cast<uint32_t>(length));
    size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + length);
    uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(4 + length));
    AppendBig32(out, static_cast<uint32_t>(crc));
}

// A PNG frame (signature, header, data, end) around random bytes: what an
// already compressed image looks like to deflate.
std::vector<unsigned char> MakeImage(size_t size, CorpusRandom &random) {
    const size_t frame = 8 + 25 + 12 + 12;
    size_t payload = size > frame ? size - frame : 0;
    uint32_t side = 16;
    while (static_cast<size_t>(side) * side * 4 < payload * 3)
        side *= 2;
    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.reserve(size);
    unsigned char header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<unsigned char>(side >> (24 - 8 * i));
        header[4 + i] = header[i];
    }
    header[8] = 8; // bits per channel
    header[9] = 6; // RGBA
    AppendPngChunk(out, "IHDR", header, sizeof header);
    std::vector<unsigned char> data(payload);
    random.Fill(data.data(), data.size());
    AppendPngChunk(out, "IDAT", data.data(), data.size());
    AppendPngChunk(out, "IEND", nullptr, 0);
    return out;
}

// Binary model data whose bytes come from a small per-file alphabet of
// twelve values, four of them twice as common: three and a half bits of
// information a byte, so deflate about halves it, as it roughly does for
// the game's shapes and interiors.
std::vector<unsigned char> MakeModel(const char *magic, size_t size, CorpusRandom &random) {
    std::vector<unsigned char> out;
    out.reserve(size);
    Append(out, magic);
    AppendLittle(out, static_cast<uint32_t>(random.Between(20, 26)), 4);
    unsigned char alphabet[12];
    random.Fill(alphabet, sizeof alphabet);
    while (out.size() < size) {
        uint64_t bits = random.Next();
        for (int i = 0; i < 16 && out.size() < size; ++i, bits >>= 4)
            out.push_back(alphabet[(bits & 15) % 12]);
    }
    return out;
}

// 16-bit mono sound: a few tones with noise in the low bits, which deflate
// shrinks only a little.
std::vector<unsigned char> MakeSound(size_t size, CorpusRandom &random) {
    const uint32_t rate = 22050;
    size_t samples = size > 44 ? (size - 44) / 2 : 0;
    std::vector<unsigned char> out;
    out.reserve(44 + samples * 2);
    Append(out, "RIFF");
    AppendLittle(out, static_cast<uint32_t>(36 + samples * 2), 4);
    Append(out, "WAVEfmt ");
    AppendLittle(out, 16, 4);
    AppendLittle(out, 1, 2); // PCM
    AppendLittle(out, 1, 2); // mono
    AppendLittle(out, rate, 4);
    AppendLittle(out, rate * 2, 4);
    AppendLittle(out, 2, 2);
    AppendLittle(out, 16, 2);
    Append(out, "data");
    AppendLittle(out, static_cast<uint32_t>(samples * 2), 4);
    double pitch = 80.0 + static_cast<double>(random.Between(0, 900));
    double step = 2.0 * 3.14159265358979 * pitch / rate;
    for (size_t i = 0; i < samples; ++i) {
        double fade = 1.0 - static_cast<double>(i) / static_cast<double>(samples + 1);
        double wave = 9000.0 * fade * (std::sin(step * static_cast<double>(i)) +
                                       0.4 * std::sin(2.7 * step * static_cast<double>(i)));
        int sample = static_cast<int>(wave) + static_cast<int>(random.Between(0, 511)) - 256;
        AppendLittle(out, static_cast<uint32_t>(static_cast<uint16_t>(sample)), 2);
    }
    while (out.size() < size)
        out.push_back(0);
    return out;
}

// A 256 x 256 height field of rolling hills and a material map.
std::vector<unsigned char> MakeTerrain(CorpusRandom &random) {
    const int side = 256;
    std::vector<unsigned char> out;
    out.reserve(1 + side * side * 3);
    out.push_back(3); // version
    double f1 = 0.01 + 0.05 * random.Unit(), f2 = 0.01 + 0.05 * random.Unit();
    double p1 = 6.28 * random.Unit(), p2 = 6.28 * random.Unit();
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            double h = 20000.0 + 9000.0 * std::sin(f1 * x + p1) * std::cos(f2 * y + p2) +
                       3000.0 * std::sin(0.13 * (x + y));
            uint32_t height = static_cast<uint32_t>(h) + static_cast<uint32_t>(random.Between(0, 31));
            AppendLittle(out, height, 2);
        }
    for (int i = 0; i < side * side; ++i)
        out.push_back(static_cast<unsigned char>(random.Chance(0.9) ? (i / 4096) % 4 : random.Between(0, 7)));
    return out;
}

std::string ScriptBlock(std::string_view stem, CorpusRandom &random) {
    std::string name = MakeIdentifier(random);
    switch (random.Between(0, 3)) {
    case 0:
        return "datablock ShapeBaseImageData(" + name + "Image)\n{\n   className = WeaponImage;\n"
               "   shapeFile = \"" + std::string(stem) + ".dts\";\n   item = " + name +
               ";\n   offset = \"" + Decimal(random) + " " + Decimal(random) + " " +
               Decimal(random) + "\";\n   projectile = " + MakeIdentifier(random) +
               ";\n   projectileType = LinearProjectile;\n   fireTimeout = " +
               Number(random, 100, 3000) + ";\n   minEnergy = " + Number(random, 0, 40) +
               ";\n};\n\n";
    case 1:
        return "function " + name + "::onFire(%data, %obj, %slot)\n{\n   %p = new (" +
               "%data.projectileType)() {\n      dataBlock = %data.projectile;\n"
               "      initialDirection = %obj.getMuzzleVector(%slot);\n"
               "      initialPosition = %obj.getMuzzlePoint(%slot);\n"
               "      sourceObject = %obj;\n      sourceSlot = %slot;\n   };\n"
               "   MissionCleanup.add(%p);\n   %obj.decInventory(%data.ammo, " +
               Number(random, 1, 3) + ");\n   return %p;\n}\n\n";
    case 2:
        return "function " + name + "(%client, %team)\n{\n   if (%client.team != %team)\n"
               "   {\n      messageClient(%client, 'Msg" + MakeIdentifier(random) +
               "', '\\c2" + Lower(name) + " " + Number(random, 1, 99) +
               "');\n      return false;\n   }\n   $" + MakeIdentifier(random) + "[%team] += " +
               Number(random, 1, 50) + ";\n   schedule(" + Number(random, 100, 9000) +
               ", 0, \"" + MakeIdentifier(random) + "\", %client);\n   return true;\n}\n\n";
    default:
        return "datablock AudioProfile(" + name + "Sound)\n{\n   filename = \"fx/" +
               MakeFileStem(random) + ".wav\";\n   description = AudioClose3d;\n"
               "   preload = true;\n};\n\n";
    }
}

std::string GuiBlock(CorpusRandom &random, int depth) {
    std::string indent(static_cast<size_t>(depth) * 3, ' ');
    std::string text = indent + "new " +
                       (random.Chance(0.5) ? std::string("ShellFieldCtrl") : "GuiTextCtrl") +
                       "(" + MakeIdentifier(random) + ") {\n";
    text += indent + "   profile = \"" + random.Pick(kProfiles, 6) + "\";\n";
    text += indent + "   horizSizing = \"" + random.Pick(kSizing, 5) + "\";\n";
    text += indent + "   vertSizing = \"" + random.Pick(kSizing, 5) + "\";\n";
    text += indent + "   position = \"" + Number(random, 0, 640) + " " + Number(random, 0, 480) +
            "\";\n";
    text += indent + "   extent = \"" + Number(random, 8, 640) + " " + Number(random, 8, 480) +
            "\";\n";
    text += indent + "   visible = \"1\";\n   helpTag = \"0\";\n";
    if (depth < 3 && random.Chance(0.4))
        text += GuiBlock(random, depth + 1);
    text += indent + "};\n";
    return text;
}

std::string MissionBlock(CorpusRandom &random) {
    return "      new InteriorInstance() {\n         position = \"" + Decimal(random) + " " +
           Decimal(random) + " " + Decimal(random) + "\";\n         rotation = \"0 0 1 " +
           Number(random, 0, 359) + "\";\n         scale = \"1 1 1\";\n         interiorFile = \"" +
           MakeFileStem(random) + ".dif\";\n         showTerrainInside = \"0\";\n"
           "         team = \"" + Number(random, 0, 2) + "\";\n      };\n";
}

std::vector<unsigned char> MakeText(ContentKind kind, size_t size, std::string_view stem,
                                    CorpusRandom &random) {
    std::string text;
    if (kind == ContentKind::Script)
        text = "// " + std::string(stem) + ".cs\n// Tribes 2 script\n\n";
    else if (kind == ContentKind::Gui)
        text = "//--- OBJECT WRITE BEGIN ---\nnew GuiControl(" + MakeIdentifier(random) + ") {\n";
    else
        text = "// MissionTypes = CTF Siege\n\n//--- OBJECT WRITE BEGIN ---\n"
               "new SimGroup(MissionGroup) {\n   musicTrack = \"lush\";\n";
    while (text.size() < size) {
        if (kind == ContentKind::Script)
            text += ScriptBlock(stem, random);
        else if (kind == ContentKind::Gui)
            text += GuiBlock(random, 1);
        else
            text += MissionBlock(random);
    }
    text.resize(size);
    return std::vector<unsigned char>(text.begin(), text.end());
}

} // namespace

std::string_view ContentExtension(ContentKind kind) {
    switch (kind) {
    case ContentKind::Image:
        return ".png";
    case ContentKind::Shape:
        return ".dts";
    case ContentKind::Interior:
        return ".dif";
    case ContentKind::Script:
        return ".cs";
    case ContentKind::Gui:
        return ".gui";
    case ContentKind::Mission:
        return ".mis";
    case ContentKind::Sound:
        return ".wav";
    case ContentKind::Terrain:
        return ".ter";
    }
    return "";
}

std::vector<unsigned char> MakeContent(ContentKind kind, size_t size, std::string_view stem,
                                       CorpusRandom &random) {
    switch (kind) {
    case ContentKind::Image:
        return MakeImage(size, random);
    case ContentKind::Shape:
        return MakeModel("DTS\x01", size, random);
    case ContentKind::Interior:
        return MakeModel("DIF\x01", size, random);
    case ContentKind::Sound:
        return MakeSound(size, random);
    case ContentKind::Terrain:
        return MakeTerrain(random);
    case ContentKind::Script:
    case ContentKind::Gui:
    case ContentKind::Mission:
        return MakeText(kind, size, stem, random);
    }
    return {};
}

std::string MakeIdentifier(CorpusRandom &random) {
    return std::string(random.Pick(kWords, kWordCount)) + random.Pick(kWords, kWordCount);
}

std::string MakeFileStem(CorpusRandom &random) {
    std::string stem = Lower(random.Pick(kWords, kWordCount));
    if (random.Chance(0.7))
        stem.append("_").append(Lower(random.Pick(kWords, kWordCount)));
    if (random.Chance(0.3))
        stem += std::to_string(random.Between(1, 9));
    return stem;
}

#include "engine/common/CentralRecord.h"

#include "engine/common/LittleEndian.h"
#include "engine/common/ZipFormat.h"

#include <zlib.h>

namespace engine {

namespace {

// Code page 437 as Unicode, the control bytes as their graphic characters;
// a zero byte never gets here (it reads as a space).
const uint16_t kCp437[256] = {
    0x0020, 0x263a, 0x263b, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25d8, 0x25cb, 0x25d9, 0x2642, 0x2640, 0x266a, 0x266b, 0x263c,
    0x25ba, 0x25c4, 0x2195, 0x203c, 0x00b6, 0x00a7, 0x25ac, 0x21a8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221f, 0x2194, 0x25b2, 0x25bc,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002a, 0x002b, 0x002c, 0x002d, 0x002e, 0x002f,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003a, 0x003b, 0x003c, 0x003d, 0x003e, 0x003f,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004a, 0x004b, 0x004c, 0x004d, 0x004e, 0x004f,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005a, 0x005b, 0x005c, 0x005d, 0x005e, 0x005f,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006a, 0x006b, 0x006c, 0x006d, 0x006e, 0x006f,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007a, 0x007b, 0x007c, 0x007d, 0x007e, 0x2302,
    0x00c7, 0x00fc, 0x00e9, 0x00e2, 0x00e4, 0x00e0, 0x00e5, 0x00e7,
    0x00ea, 0x00eb, 0x00e8, 0x00ef, 0x00ee, 0x00ec, 0x00c4, 0x00c5,
    0x00c9, 0x00e6, 0x00c6, 0x00f4, 0x00f6, 0x00f2, 0x00fb, 0x00f9,
    0x00ff, 0x00d6, 0x00dc, 0x00a2, 0x00a3, 0x00a5, 0x20a7, 0x0192,
    0x00e1, 0x00ed, 0x00f3, 0x00fa, 0x00f1, 0x00d1, 0x00aa, 0x00ba,
    0x00bf, 0x2310, 0x00ac, 0x00bd, 0x00bc, 0x00a1, 0x00ab, 0x00bb,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255d, 0x255c, 0x255b, 0x2510,
    0x2514, 0x2534, 0x252c, 0x251c, 0x2500, 0x253c, 0x255e, 0x255f,
    0x255a, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256c, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256b,
    0x256a, 0x2518, 0x250c, 0x2588, 0x2584, 0x258c, 0x2590, 0x2580,
    0x03b1, 0x00df, 0x0393, 0x03c0, 0x03a3, 0x03c3, 0x00b5, 0x03c4,
    0x03a6, 0x0398, 0x03a9, 0x03b4, 0x221e, 0x03c6, 0x03b5, 0x2229,
    0x2261, 0x00b1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00f7, 0x2248,
    0x00b0, 0x2219, 0x00b7, 0x221a, 0x207f, 0x00b2, 0x25a0, 0x00a0,
};

const unsigned char *Bytes(std::string_view text, size_t at = 0) {
    return reinterpret_cast<const unsigned char *>(text.data()) + at;
}

enum class TextKind { Ascii, Utf8, Other };

// Plain text (printable ASCII, tab, line feed, carriage return), valid
// UTF-8 in the loose sense of lead and continuation bytes, or neither.
TextKind KindOf(std::string_view text) {
    TextKind kind = TextKind::Ascii;
    const size_t length = text.size();
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c > 31 && c < 128) || c == '\r' || c == '\n' || c == '\t')
            continue;
        kind = TextKind::Utf8;
        size_t following = 0;
        if ((c & 0xE0) == 0xC0)
            following = 1;
        else if ((c & 0xF0) == 0xE0)
            following = 2;
        else if ((c & 0xF8) == 0xF0)
            following = 3;
        else
            return TextKind::Other;
        if (i + following >= length)
            return TextKind::Other;
        for (size_t j = 1; j <= following; ++j)
            if ((static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80)
                return TextKind::Other;
        i += following;
    }
    return kind;
}

void AppendUtf8(std::string &out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Reads the values the zip64 field holds for the fixed fields that carry
// the marker, in the format's order (a disk number of 0xFFFF has its own
// four bytes after them). False when the field is missing or too short for
// them; a field longer than they need is loose, like padding.
bool ReadZip64Values(CentralEntry &entry, bool sizeMarked, bool packedMarked, bool offsetMarked, bool diskMarked) {
    std::string_view field;
    if (!FindExtraField(entry.extra, kZip64ExtraId, field))
        return false;
    const size_t needed =
        (sizeMarked ? 8 : 0) + (packedMarked ? 8 : 0) + (offsetMarked ? 8 : 0) + (diskMarked ? 4 : 0);
    if (field.size() < needed)
        return false;
    if (field.size() != needed)
        entry.looseExtra = true;
    size_t at = 0;
    if (sizeMarked) {
        entry.size = ReadLittle64(Bytes(field, at));
        at += 8;
    }
    if (packedMarked) {
        entry.packedSize = ReadLittle64(Bytes(field, at));
        at += 8;
    }
    if (offsetMarked)
        entry.localOffset = ReadLittle64(Bytes(field, at));
    return true;
}

RecordVerdict ReadWinZipAes(CentralEntry &entry, std::string &problem) {
    std::string_view field;
    if (!FindExtraField(entry.extra, kWinZipAesId, field) || field.size() < 7) {
        problem = "its WinZip AES field is missing or damaged";
        return RecordVerdict::Damaged;
    }
    const uint16_t version = ReadLittle16(Bytes(field));
    const uint8_t strength = static_cast<uint8_t>(field[4]);
    if ((version != 1 && version != 2) || field.substr(2, 2) != "AE" || strength < 1 || strength > 3) {
        problem = "it is encrypted in a way this engine cannot read";
        return RecordVerdict::Unsupported;
    }
    if (field.size() != 7) {
        problem = "its WinZip AES field is damaged";
        return RecordVerdict::Damaged;
    }
    // Version 2 leaves the CRC out for small entries, where it would give
    // away too much of the text; the field holds nothing to check then.
    if (version == 2 && entry.size < 20)
        entry.crc = 0;
    entry.encryption = strength == 1 ? kEncryptionAes128 : strength == 2 ? kEncryptionAes192 : kEncryptionAes256;
    entry.method = ReadLittle16(Bytes(field, 5));
    return RecordVerdict::Sound;
}

} // namespace

bool IsUtf8Text(std::string_view text) {
    return KindOf(text) != TextKind::Other;
}

bool FindExtraField(std::string_view extra, uint16_t id, std::string_view &data) {
    size_t position = 0;
    while (position + 4 <= extra.size()) {
        const uint16_t fieldId = ReadLittle16(Bytes(extra, position));
        const size_t fieldLength = ReadLittle16(Bytes(extra, position + 2));
        if (position + 4 + fieldLength > extra.size())
            return false;
        if (fieldId == id) {
            data = extra.substr(position + 4, fieldLength);
            return true;
        }
        position += 4 + fieldLength;
    }
    return false;
}

bool ExtraFieldsAreWhole(std::string_view extra) {
    size_t position = 0;
    while (position + 4 <= extra.size()) {
        const size_t fieldLength = ReadLittle16(Bytes(extra, position + 2));
        if (position + 4 + fieldLength > extra.size())
            return false;
        position += 4 + fieldLength;
    }
    for (; position < extra.size(); ++position)
        if (extra[position] != '\0')
            return false;
    return true;
}

RecordVerdict ReadCentralRecord(std::string_view record, CentralEntry &entry, std::string &problem) {
    if (record.size() < kCentralFixedSize || ReadLittle32(Bytes(record)) != kCentralSignature) {
        problem = "it is no central directory record";
        return RecordVerdict::Damaged;
    }
    const unsigned char *bytes = Bytes(record);
    const size_t nameLength = ReadLittle16(bytes + 28);
    const size_t extraLength = ReadLittle16(bytes + 30);
    const size_t commentLength = ReadLittle16(bytes + 32);
    if (kCentralFixedSize + nameLength + extraLength + commentLength > record.size()) {
        problem = "its record runs past the central directory";
        return RecordVerdict::Damaged;
    }
    entry = CentralEntry();
    entry.versionMadeBy = ReadLittle16(bytes + 4);
    entry.flags = ReadLittle16(bytes + 8);
    entry.method = ReadLittle16(bytes + 10);
    entry.dosTime = ReadLittle16(bytes + 12);
    entry.dosDate = ReadLittle16(bytes + 14);
    entry.crc = ReadLittle32(bytes + 16);
    entry.packedSize = ReadLittle32(bytes + 20);
    entry.size = ReadLittle32(bytes + 24);
    entry.externalAttributes = ReadLittle32(bytes + 38);
    entry.localOffset = ReadLittle32(bytes + 42);
    entry.rawName = record.substr(kCentralFixedSize, nameLength);
    entry.extra = record.substr(kCentralFixedSize + nameLength, extraLength);
    const std::string_view comment = record.substr(kCentralFixedSize + nameLength + extraLength, commentLength);
    entry.looseExtra = !ExtraFieldsAreWhole(entry.extra);
    if ((entry.flags & kFlagEncrypted) != 0)
        entry.encryption = (entry.flags & kFlagStrongEncryption) != 0 ? kEncryptionUnknown : kEncryptionPkware;

    // Text flagged as UTF-8 must be UTF-8; in the name, a zero byte counts
    // as a space.
    if ((entry.flags & kFlagUtf8) != 0) {
        std::string name(entry.rawName);
        for (char &c : name)
            if (c == '\0')
                c = ' ';
        if (KindOf(name) == TextKind::Other || KindOf(comment) == TextKind::Other) {
            problem = "its name or comment is flagged as UTF-8 but is not";
            return RecordVerdict::Damaged;
        }
    }
    const bool sizeMarked = entry.size == kMarker32;
    const bool packedMarked = entry.packedSize == kMarker32;
    const bool offsetMarked = entry.localOffset == kMarker32;
    if ((sizeMarked || packedMarked || offsetMarked) &&
        !ReadZip64Values(entry, sizeMarked, packedMarked, offsetMarked, ReadLittle16(bytes + 34) == kMarker16)) {
        problem = "its zip64 field is missing or too short";
        return RecordVerdict::Damaged;
    }
    if (entry.localOffset > static_cast<uint64_t>(INT64_MAX)) {
        problem = "its local header lies beyond any file";
        return RecordVerdict::Damaged;
    }
    if (entry.method == kMethodWinZipAes)
        return ReadWinZipAes(entry, problem);
    return RecordVerdict::Sound;
}

void DecodeEntryName(const CentralEntry &entry, std::string &name) {
    name.assign(entry.rawName);
    for (char &c : name)
        if (c == '\0')
            c = ' ';
    std::string_view field;
    if (FindExtraField(entry.extra, kUnicodePathId, field) && field.size() >= 5 && field[0] == 1) {
        const uint32_t check = ReadLittle32(Bytes(field, 1));
        const uLong crc = name.empty() ? 0
                                       : crc32(0, reinterpret_cast<const Bytef *>(name.data()),
                                               static_cast<uInt>(name.size()));
        const std::string_view unicode = field.substr(5);
        if (check == crc && !unicode.empty() && KindOf(unicode) != TextKind::Other) {
            name.assign(unicode);
            return;
        }
    }
    if ((entry.flags & kFlagUtf8) != 0 || KindOf(name) != TextKind::Other)
        return;
    std::string converted;
    converted.reserve(name.size() * 2);
    for (const char c : name)
        AppendUtf8(converted, kCp437[static_cast<unsigned char>(c)]);
    name.swap(converted);
}

} // namespace engine

#include "editor/SnapshotFile.h"

#include "platform/os/AtomicFile.h"
#include "platform/os/UserFolders.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <unistd.h>

// The form on disk, every number little-endian:
//   the magic text, a 32-bit version,
//   the sub-folder (a 32-bit length and its bytes), the archive's stamp,
//   the time taken and the granularity (64-bit each), the 32-bit entry count,
//   per entry its path and its stamp,
//   a 64-bit FNV-1a checksum of everything before it.
// A stamp is its kind (one byte), the size, both times (seconds, nanoseconds),
// inode and device, each 64-bit.

namespace {

constexpr std::string_view kMagic("Keplo extract snapshot\n");
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kStampBytes = 1 + 7 * 8;

std::uint64_t Fnv1a(std::string_view bytes) {
    std::uint64_t lHash = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        lHash ^= static_cast<unsigned char>(c);
        lHash *= 0x100000001b3ull;
    }
    return lHash;
}

class Writer {
public:
    void Bytes(std::string_view bytes) { m_sOut.append(bytes); }
    template <class T> void Unsigned(T l) {
        for (std::size_t i = 0; i < sizeof(T); ++i)
            m_sOut.push_back(static_cast<char>((l >> (8 * i)) & 0xFF));
    }
    void U64(std::uint64_t l) { Unsigned(l); }
    void U32(std::uint32_t l) { Unsigned(l); }
    void I64(std::int64_t l) { U64(static_cast<std::uint64_t>(l)); }
    void Text(const std::string &s) {
        U32(static_cast<std::uint32_t>(s.size()));
        Bytes(s);
    }
    void Time(const StampTime &t) {
        I64(t.lSeconds);
        I64(t.lNanoseconds);
    }
    void Stamp(const FileStamp &stamp) {
        m_sOut.push_back(static_cast<char>(stamp.eKind));
        I64(stamp.lSize);
        Time(stamp.tModified);
        Time(stamp.tChanged);
        U64(stamp.lInode);
        U64(stamp.lDevice);
    }
    std::string &Out() { return m_sOut; }

private:
    std::string m_sOut;
};

// Reads what Writer wrote; any read past the end or any value out of range makes
// it fail, and it stays failed.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    bool Ok() const { return m_bOk; }
    bool AtEnd() const { return m_lAt == m_bytes.size(); }
    std::size_t Left() const { return m_bytes.size() - m_lAt; }

    std::string_view Bytes(std::size_t lCount) {
        if (!m_bOk || Left() < lCount) {
            m_bOk = false;
            return {};
        }
        const std::string_view part = m_bytes.substr(m_lAt, lCount);
        m_lAt += lCount;
        return part;
    }
    template <class T> T Unsigned() {
        const std::string_view b = Bytes(sizeof(T));
        T l = 0;
        for (std::size_t i = 0; i < b.size(); ++i)
            l |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(b[i])) << (8 * i));
        return l;
    }
    std::uint64_t U64() { return Unsigned<std::uint64_t>(); }
    std::uint32_t U32() { return Unsigned<std::uint32_t>(); }
    std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
    std::string Text() {
        const std::uint32_t lLength = U32();
        return std::string(Bytes(lLength));
    }
    StampTime Time() {
        StampTime t{I64(), I64()};
        if (t.lNanoseconds < 0 || t.lNanoseconds >= 1000000000)
            m_bOk = false;
        return t;
    }
    FileStamp Stamp() {
        FileStamp stamp;
        const std::string_view kind = Bytes(1);
        const unsigned nKind = kind.empty() ? 0 : static_cast<unsigned char>(kind[0]);
        if (nKind > static_cast<unsigned>(StampKind::Other))
            m_bOk = false;
        stamp.eKind = static_cast<StampKind>(nKind);
        stamp.lSize = I64();
        stamp.tModified = Time();
        stamp.tChanged = Time();
        stamp.lInode = U64();
        stamp.lDevice = U64();
        return stamp;
    }

private:
    std::string_view m_bytes;
    std::size_t m_lAt = 0;
    bool m_bOk = true;
};

std::string StateFolder() {
    const std::string sStateHome = StateHome();
    return sStateHome.empty() ? std::string() : sStateHome + "/Keplo";
}

} // namespace

std::string SnapshotFilePath(const std::string &sSubFolder) {
    const std::string sFolder = StateFolder();
    if (sFolder.empty())
        return {};
    // The folder's own name keeps the file recognisable; the hash of its whole
    // path keeps two work folders' archives apart.
    const std::size_t lSlash = sSubFolder.rfind('/');
    const std::string sName =
        lSlash == std::string::npos ? sSubFolder : sSubFolder.substr(lSlash + 1);
    char sHash[17];
    std::snprintf(sHash, sizeof sHash, "%016llx",
                  static_cast<unsigned long long>(Fnv1a(sSubFolder)));
    return sFolder + "/" + sName + "-" + sHash + ".snapshot";
}

std::string EncodeExtractSnapshot(const ExtractSnapshot &snapshot) {
    Writer out;
    out.Bytes(kMagic);
    out.U32(kVersion);
    out.Text(snapshot.sSubFolder);
    out.Stamp(snapshot.archive);
    out.Time(snapshot.tTaken);
    out.I64(snapshot.lGranularity);
    out.U32(static_cast<std::uint32_t>(snapshot.entries.size()));
    for (const SnapshotEntry &entry : snapshot.entries) {
        out.Text(entry.sPath);
        out.Stamp(entry.stamp);
    }
    out.U64(Fnv1a(out.Out()));
    return std::move(out.Out());
}

std::optional<ExtractSnapshot> DecodeExtractSnapshot(const std::string &sBytes) {
    if (sBytes.size() < kMagic.size() + 8)
        return std::nullopt;
    const std::string_view body(sBytes.data(), sBytes.size() - 8);
    Reader checksum(std::string_view(sBytes).substr(body.size()));
    if (checksum.U64() != Fnv1a(body))
        return std::nullopt;

    Reader in(body);
    if (in.Bytes(kMagic.size()) != kMagic || in.U32() != kVersion)
        return std::nullopt;
    ExtractSnapshot snapshot;
    snapshot.sSubFolder = in.Text();
    snapshot.archive = in.Stamp();
    snapshot.tTaken = in.Time();
    snapshot.lGranularity = in.I64();
    const std::uint32_t lCount = in.U32();
    // Every entry takes at least its length and its stamp: a count beyond that is damage.
    if (!in.Ok() || snapshot.lGranularity < 0 || lCount > in.Left() / (4 + kStampBytes))
        return std::nullopt;
    snapshot.entries.reserve(lCount);
    for (std::uint32_t i = 0; i < lCount && in.Ok(); ++i) {
        SnapshotEntry entry;
        entry.sPath = in.Text();
        entry.stamp = in.Stamp();
        // Lookups rely on the order the snapshot was written in.
        if (!snapshot.entries.empty() && !(snapshot.entries.back().sPath < entry.sPath))
            return std::nullopt;
        snapshot.entries.push_back(std::move(entry));
    }
    if (!in.Ok() || !in.AtEnd())
        return std::nullopt;
    return snapshot;
}

bool StoreExtractSnapshot(const ExtractSnapshot &snapshot) {
    const std::string sPath = SnapshotFilePath(snapshot.sSubFolder);
    if (sPath.empty() || !CreateFolderPath(StateFolder()))
        return false;
    return ReplaceFileAtomically(sPath, EncodeExtractSnapshot(snapshot));
}

std::optional<ExtractSnapshot> LoadExtractSnapshot(const std::string &sSubFolder) {
    const std::string sPath = SnapshotFilePath(sSubFolder);
    std::string sBytes;
    if (sPath.empty() || ReadWholeFile(sPath, sBytes) != FileReadStatus::Read)
        return std::nullopt;
    std::optional<ExtractSnapshot> snapshot = DecodeExtractSnapshot(sBytes);
    // Two folders whose paths share a hash must not take each other's snapshot.
    if (snapshot && snapshot->sSubFolder != sSubFolder)
        return std::nullopt;
    return snapshot;
}

void RemoveExtractSnapshot(const std::string &sSubFolder) {
    const std::string sPath = SnapshotFilePath(sSubFolder);
    if (!sPath.empty())
        ::unlink(sPath.c_str());
}

void RecordExtractSnapshot(const std::string &sSubFolder, const FileStamp &archive,
                           std::vector<std::string> sPaths) {
    RemoveExtractSnapshot(sSubFolder);
    const std::optional<ExtractSnapshot> snapshot =
        TakeExtractSnapshot(sSubFolder, archive, std::move(sPaths));
    if (snapshot)
        StoreExtractSnapshot(*snapshot);
}

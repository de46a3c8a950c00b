// Writes the odd and broken archives that the reader's tests run through
// listing and extraction, one case a file, each named for its case:
//   make_odd_archives <folder>
// The archives are kept in the source tree; run this again only when a case
// is added or changed.
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

std::string g_folder;

struct Entry {
    Entry(std::string entryName, std::string entryContent, bool stored = false, uint32_t mode = 0,
          const char *secret = nullptr, bool classic = false)
        : name(std::move(entryName)), content(std::move(entryContent)), store(stored), unixMode(mode),
          password(secret), traditional(classic)
    {
    }

    std::string name;
    std::string content;
    bool store = false;
    uint32_t unixMode = 0;
    const char *password = nullptr;
    bool traditional = false;
};

[[noreturn]] void Fail(const std::string &what)
{
    std::fprintf(stderr, "make_odd_archives: %s\n", what.c_str());
    std::exit(1);
}

std::string PathOf(const std::string &name)
{
    return g_folder + "/" + name;
}

std::string Read(const std::string &name)
{
    std::ifstream in(PathOf(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void Write(const std::string &name, const std::string &bytes)
{
    std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        Fail("cannot write " + name);
}

void Make(const std::string &name, const std::vector<Entry> &entries)
{
    const std::string path = PathOf(name);
    std::remove(path.c_str());
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        Fail("cannot create " + name);
    for (const Entry &entry : entries) {
        zip_int64_t index;
        if (!entry.name.empty() && entry.name.back() == '/') {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t *source = zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
            index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_RAW);
        }
        if (index < 0)
            Fail(name + ": cannot add " + entry.name + ": " + zip_strerror(archive));
        const auto i = static_cast<zip_uint64_t>(index);
        zip_set_file_compression(archive, i, entry.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
        // libzip takes the traditional encryption's check byte from the time
        // the entry had before zip_file_set_mtime, which makes it unreadable.
        if (entry.password == nullptr || !entry.traditional)
            zip_file_set_mtime(archive, i, 1'000'000'000, 0);
        if (entry.unixMode != 0)
            zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, entry.unixMode << 16);
        if (entry.password != nullptr)
            zip_file_set_encryption(archive, i, entry.traditional ? ZIP_EM_TRAD_PKWARE : ZIP_EM_AES_256,
                                    entry.password);
    }
    if (zip_close(archive) != 0)
        Fail(name + ": " + zip_strerror(archive));
}

void Put32(std::string &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Put16(std::string &bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

size_t Find(const std::string &bytes, const std::string &what, size_t from = 0)
{
    const size_t at = bytes.find(what, from);
    if (at == std::string::npos)
        Fail("pattern not found while patching");
    return at;
}

void ReplaceAll(std::string &bytes, const std::string &from, const std::string &to)
{
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
        bytes.replace(at, from.size(), to);
}

const std::string kLocal("PK\x03\x04", 4);
const std::string kCentral("PK\x01\x02", 4);
const std::string kEnd("PK\x05\x06", 4);

std::string Text(size_t size, char seed)
{
    std::string text;
    for (size_t i = 0; i < size; ++i)
        text.push_back(static_cast<char>('a' + (static_cast<size_t>(seed) + i * 7 + i / 13) % 26));
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        Fail("usage: make_odd_archives <folder>");
    g_folder = argv[1];
    mkdir(g_folder.c_str(), 0777);

    const Entry ok{"ok.txt", "all is well\n"};

    Make("path-traversal.zip", {{"../evil.txt", "evil"}, {"a/../../evil-too.txt", "evil"}, ok});
    Make("path-traversal-backslash.zip", {{"..\\..\\evil.txt", "evil"}, {"a\\..\\..\\evil-too.txt", "evil"}, ok});
    Make("absolute-path.zip", {{"/tmp/pakreader-absolute-evil.txt", "evil"}, ok});
    Make("drive-letter.zip", {{"C:\\evil.txt", "evil"}, {"c:/evil-too.txt", "evil"}, ok});
    // A link that points out, then a file written "through" it.
    Make("symlink-entry.zip", {{"escape", "../../..", true, 0120777}, {"escape/evil.txt", "evil"}, ok});
    Make("folder-entries-only.zip", {{"a/", ""}, {"a/b/", ""}, {"c/", ""}});
    Make("backslash-names.zip", {{"textures\\skins\\warrior.png", "png data"}, {"scripts\\", ""}, ok});
    Make("long-name-300.zip", {{std::string(300, 'n') + ".txt", "long"}, ok});
    {
        std::string path;
        for (int i = 0; i < 6; ++i)
            path += std::string(49, static_cast<char>('a' + i)) + "/";
        Make("long-path-300.zip", {{path + "deep.txt", "deep"}});
    }
    Make("encrypted.zip", {{"aes.txt", "aes words", false, 0, "secret"},
                           {"classic.txt", "classic words", false, 0, "secret", true}, ok});

    // Two entries of one name: the later one is the one that remains.
    Make("duplicate-names.zip", {{"same.txt", "first"}, {"samf.txt", "second"}});
    {
        std::string bytes = Read("duplicate-names.zip");
        ReplaceAll(bytes, "samf.txt", "same.txt");
        Write("duplicate-names.zip", bytes);
    }

    // The empty archive: only the end record.
    Write("empty.zip", kEnd + std::string(18, '\0'));
    Write("zero-bytes.zip", "");
    Write("not-a-zip.zip", "This is a text file that only carries a zip name.\n");

    // A stored entry whose data was damaged after its CRC was taken.
    Make("bad-crc-stored.zip", {{"damaged.txt", Text(400, 1), true}, ok});
    {
        std::string bytes = Read("bad-crc-stored.zip");
        const size_t at = Find(bytes, Text(400, 1));
        bytes[at + 200] = static_cast<char>(bytes[at + 200] ^ 0x20);
        Write("bad-crc-stored.zip", bytes);
    }
    // A deflated entry whose recorded CRC is wrong in both headers.
    Make("bad-crc-deflated.zip", {{"damaged.txt", Text(5000, 2)}});
    {
        std::string bytes = Read("bad-crc-deflated.zip");
        Put32(bytes, Find(bytes, kLocal) + 14, 0xDEADBEEF);
        Put32(bytes, Find(bytes, kCentral) + 16, 0xDEADBEEF);
        Write("bad-crc-deflated.zip", bytes);
    }
    // Deflate data turned to garbage.
    Make("bad-deflate-data.zip", {{"garbled.txt", Text(5000, 3)}, ok});
    {
        std::string bytes = Read("bad-deflate-data.zip");
        const size_t data = Find(bytes, kLocal) + 30 + std::string("garbled.txt").size();
        for (size_t i = 0; i < 16; ++i)
            bytes[data + i] = static_cast<char>(0xFF);
        Write("bad-deflate-data.zip", bytes);
    }

    Make("truncated.zip", {{"one.txt", Text(3000, 4)}, {"two.txt", Text(3000, 5)}});
    {
        const std::string bytes = Read("truncated.zip");
        Write("truncated.zip", bytes.substr(0, bytes.size() / 2));
    }
    // The directory is whole, but the file ends inside the second entry's data.
    Make("truncated-data.zip", {{"one.txt", Text(3000, 6), true}, {"two.txt", Text(3000, 7), true}});
    {
        const std::string bytes = Read("truncated-data.zip");
        const size_t central = Find(bytes, kCentral);
        const size_t second = Find(bytes, kLocal, 1);
        std::string cut = bytes.substr(0, second + 100);
        // Move the directory and end record down, pointing at their new place.
        std::string tail = bytes.substr(central);
        Put32(tail, tail.size() - 22 + 16, static_cast<uint32_t>(cut.size()));
        Write("truncated-data.zip", cut + tail);
    }
    Make("bad-central-directory.zip", {{"one.txt", "one"}, {"two.txt", "two"}});
    {
        std::string bytes = Read("bad-central-directory.zip");
        const size_t central = Find(bytes, kCentral);
        bytes[central + 2] = 'X'; // the first directory record loses its signature
        Write("bad-central-directory.zip", bytes);
    }
    Make("bad-central-directory-offset.zip", {{"one.txt", "one"}});
    {
        std::string bytes = Read("bad-central-directory-offset.zip");
        Put32(bytes, Find(bytes, kEnd) + 16, 0x7FFFFFF0);
        Write("bad-central-directory-offset.zip", bytes);
    }
    Make("bad-entry-count.zip", {{"one.txt", "one"}});
    {
        std::string bytes = Read("bad-entry-count.zip");
        const size_t end = Find(bytes, kEnd);
        Put16(bytes, end + 8, 0xFFFE);
        Put16(bytes, end + 10, 0xFFFE);
        Write("bad-entry-count.zip", bytes);
    }
    // The directory claims a huge size for a small entry.
    Make("lying-size.zip", {{"small.txt", Text(2000, 8)}});
    {
        std::string bytes = Read("lying-size.zip");
        Put32(bytes, Find(bytes, kLocal) + 22, 0x40000000);
        Put32(bytes, Find(bytes, kCentral) + 24, 0x40000000);
        Write("lying-size.zip", bytes);
    }
    // A compression method no reader knows.
    Make("unsupported-method.zip", {{"odd.txt", Text(500, 9)}, ok});
    {
        std::string bytes = Read("unsupported-method.zip");
        Put16(bytes, Find(bytes, kLocal) + 8, 77);
        Put16(bytes, Find(bytes, kCentral) + 10, 77);
        Write("unsupported-method.zip", bytes);
    }
    // Flagged as strongly encrypted, a kind of encryption no free reader knows.
    Make("unknown-encryption.zip", {{"locked.txt", Text(500, 10)}});
    {
        std::string bytes = Read("unknown-encryption.zip");
        Put16(bytes, Find(bytes, kLocal) + 6, 0x0041);
        Put16(bytes, Find(bytes, kCentral) + 8, 0x0041);
        Write("unknown-encryption.zip", bytes);
    }
    // A name that is not UTF-8 and not flagged as such: read as code page 437.
    Make("cp437-name.zip", {{"caf\x82.txt", "cafe"}});
    return 0;
}

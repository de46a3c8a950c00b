#include "WriterFixture.h"

#include <cstdio>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <list>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

namespace {

EngineCall *g_call = nullptr;
const EngineAnswers *g_answers = nullptr;

int32_t OnPrint(char *buffer, uint32_t count) {
    g_call->callbackThreads.push_back(std::this_thread::get_id());
    std::string text(buffer, count);
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    g_call->printed.push_back(text);
    return 0;
}

int32_t OnService(char *name, uint32_t count) {
    g_call->callbackThreads.push_back(std::this_thread::get_id());
    g_call->serviced.emplace_back(name, strnlen(name, count));
    g_call->serviceCounts.push_back(count);
    if (!g_answers->killAtName.empty() && g_call->serviced.back() == g_answers->killAtName)
        raise(SIGKILL);
    return static_cast<int>(g_call->serviced.size()) - 1 == g_answers->stopAtService ? 1 : 0;
}

int32_t OnPassword(char *buffer, int32_t size, char *, char *) {
    g_call->callbackThreads.push_back(std::this_thread::get_id());
    ++g_call->passwordRequests;
    if (g_answers->password.empty())
        return 1;
    std::snprintf(buffer, static_cast<size_t>(size), "%s", g_answers->password.c_str());
    return 0;
}

char *OnComment(char *buffer) {
    g_call->callbackThreads.push_back(std::this_thread::get_id());
    ++g_call->commentRequests;
    g_call->commentSeen = buffer;
    std::strcpy(buffer, g_answers->comment.c_str());
    return buffer;
}

} // namespace

bool EngineCall::Printed(const std::string &part) const {
    for (const std::string &line : printed)
        if (line.find(part) != std::string::npos)
            return true;
    return false;
}

ZipOptionsRecord PackFolderOptions(const std::string &root) {
    // The record points at the text, so the text must outlive the record.
    static std::list<std::string> texts;
    texts.push_back(root);
    ZipOptionsRecord options{};
    options.RootFolder = texts.back().data();
    options.NoFolderEntries = 1;
    options.DropFolderNames = 0;
    options.Recurse = 2;
    return options;
}

void WriterTest::SetUp() {
    char pattern[] = "/tmp/writer-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
    std::filesystem::create_directories(Root());
}

void WriterTest::TearDown() {
    // Give back any permission a test took away, so that everything goes.
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(m_dir, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (!it->is_symlink())
            chmod(it->path().c_str(), it->is_directory() ? 0755 : 0644);
    chmod(m_dir.c_str(), 0755);
    std::filesystem::remove_all(m_dir, ignored);
}

void WriterTest::WriteFileAt(const std::string &path, const std::string &contents,
                             time_t modified) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (modified != 0) {
        struct timespec times[2] = {{modified, 0}, {modified, 0}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

void WriterTest::WriteRootFile(const std::string &relative, const std::string &contents,
                               time_t modified) {
    WriteFileAt(Root() + "/" + relative, contents, modified);
}

std::string WriterTest::ReadFileAt(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

EngineCall WriterTest::Zip(const ZipOptionsRecord &options, const std::vector<std::string> &specs,
                           const std::string &archive, const EngineAnswers &answers) {
    EngineCall call;
    g_call = &call;
    g_answers = &answers;
    ZipCallbackTable table{OnPrint, OnPassword, OnComment, OnService};
    ZpInit(&table);
    // The component hands over its own copy and frees it right after.
    {
        ZipOptionsRecord copy = options;
        std::string root = options.RootFolder ? options.RootFolder : "";
        copy.RootFolder = options.RootFolder ? root.data() : nullptr;
        ZpSetOptions(&copy);
        std::fill(root.begin(), root.end(), 'X');
    }
    std::vector<std::string> texts(specs);
    std::vector<char *> names(ENGINE_NAME_LIST_SLOTS, nullptr);
    for (size_t i = 0; i < texts.size(); ++i)
        names[i] = texts[i].data();
    std::string empty;
    names[texts.size() + 1] = empty.data();
    std::string path = archive;
    call.result = ZpArchive(static_cast<int32_t>(specs.size()), path.data(), names.data());
    g_call = nullptr;
    g_answers = nullptr;
    return call;
}

EngineCall WriterTest::Zip(const std::vector<std::string> &specs) {
    return Zip(PackFolderOptions(Root()), specs, ArchivePath());
}

std::string RandomBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char &c : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state & 0xFF);
    }
    return bytes;
}

std::string TextBytes(size_t size, const std::string &word) {
    std::string text;
    text.reserve(size + word.size() + 8);
    for (size_t i = 0; text.size() < size; ++i)
        text += word + std::to_string(i % 97) + "\n";
    text.resize(size);
    return text;
}

std::vector<EntryFacts> ReadEntries(const std::string &archive) {
    std::vector<EntryFacts> entries;
    int error = 0;
    zip_t *za = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (za == nullptr)
        return entries;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
        EntryFacts facts;
        facts.name = st.name;
        facts.size = st.size;
        facts.compressedSize = st.comp_size;
        facts.method = st.comp_method;
        facts.crc = st.crc;
        facts.encryption = st.encryption_method;
        facts.modified = st.mtime;
        if (zip_file_t *raw =
                zip_fopen_index(za, static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED)) {
            facts.rawData.resize(st.comp_size);
            zip_fread(raw, facts.rawData.data(), st.comp_size);
            zip_fclose(raw);
        }
        if (st.encryption_method == ZIP_EM_NONE) {
            if (zip_file_t *file = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0)) {
                facts.contents.resize(st.size);
                zip_fread(file, facts.contents.data(), st.size);
                zip_fclose(file);
            }
        }
        entries.push_back(std::move(facts));
    }
    zip_discard(za);
    return entries;
}

std::vector<std::string> EntryNames(const std::string &archive) {
    std::vector<std::string> names;
    for (const EntryFacts &entry : ReadEntries(archive))
        names.push_back(entry.name);
    return names;
}

std::string ArchiveComment(const std::string &archive) {
    int error = 0;
    zip_t *za = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (za == nullptr)
        return "<unreadable>";
    int length = 0;
    const char *comment = zip_get_archive_comment(za, &length, 0);
    std::string text = comment ? std::string(comment, static_cast<size_t>(length)) : "";
    zip_discard(za);
    return text;
}

void MakeArchive(const std::string &path,
                 const std::vector<std::pair<std::string, std::string>> &entries,
                 const std::string &comment) {
    int error = 0;
    zip_t *za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(za, nullptr);
    for (const auto &[name, contents] : entries) {
        zip_source_t *source = zip_source_buffer(za, contents.data(), contents.size(), 0);
        ASSERT_GE(zip_file_add(za, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    if (!comment.empty())
        zip_set_archive_comment(za, comment.c_str(), static_cast<zip_uint16_t>(comment.size()));
    ASSERT_EQ(zip_close(za), 0);
}

namespace {

uint16_t Le16(const std::string &bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                 static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t Le32(const std::string &bytes, size_t at) {
    return static_cast<uint32_t>(Le16(bytes, at)) | static_cast<uint32_t>(Le16(bytes, at + 2))
                                                        << 16;
}

bool HasExtra(const std::string &bytes, size_t at, size_t length, uint16_t id) {
    const size_t end = at + length;
    while (at + 4 <= end) {
        if (Le16(bytes, at) == id)
            return true;
        at += 4 + Le16(bytes, at + 2);
    }
    return false;
}

} // namespace

ArchiveLayout ReadLayout(const std::string &archive) {
    ArchiveLayout layout;
    const std::string bytes = WriterTest::ReadFileAt(archive);
    if (bytes.size() < 22)
        return layout;
    size_t end = bytes.size() - 22;
    while (end > 0 && Le32(bytes, end) != 0x06054b50)
        --end;
    layout.zip64EndRecord = bytes.find(std::string("PK\x06\x06", 4)) != std::string::npos ||
                            bytes.find(std::string("PK\x06\x07", 4)) != std::string::npos;
    const uint16_t count = Le16(bytes, end + 10);
    size_t at = Le32(bytes, end + 16);
    for (uint16_t i = 0; i < count && at + 46 <= bytes.size(); ++i) {
        HeaderFacts facts;
        facts.centralFlags = Le16(bytes, at + 8);
        const uint16_t nameLength = Le16(bytes, at + 28);
        const uint16_t extraLength = Le16(bytes, at + 30);
        const uint16_t commentLength = Le16(bytes, at + 32);
        const uint32_t localOffset = Le32(bytes, at + 42);
        facts.name = bytes.substr(at + 46, nameLength);
        facts.zip64Extra = HasExtra(bytes, at + 46 + nameLength, extraLength, 0x0001);
        if (localOffset + 30 <= bytes.size()) {
            facts.localFlags = Le16(bytes, localOffset + 6);
            const uint16_t localName = Le16(bytes, localOffset + 26);
            const uint16_t localExtra = Le16(bytes, localOffset + 28);
            facts.zip64Extra |= HasExtra(bytes, localOffset + 30 + localName, localExtra, 0x0001);
        }
        layout.entries.push_back(facts);
        at += 46 + nameLength + extraLength + commentLength;
    }
    return layout;
}

int RunCommand(const std::string &command, std::string *output) {
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    const int status = pclose(pipe);
    if (output != nullptr)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string &text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

namespace {

bool UnprivilegedIds(uid_t &uid, gid_t &gid) {
    if (geteuid() != 0)
        return false;
    const passwd *nobody = getpwnam("nobody");
    uid = nobody ? nobody->pw_uid : 65534;
    gid = nobody ? nobody->pw_gid : 65534;
    return true;
}

} // namespace

void GiveToUnprivilegedUser(const std::string &path) {
    uid_t uid;
    gid_t gid;
    if (!UnprivilegedIds(uid, gid))
        return;
    std::error_code ignored;
    if (lchown(path.c_str(), uid, gid) != 0)
        return;
    for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
        if (lchown(it->path().c_str(), uid, gid) != 0)
            return;
}

int RunUnprivileged(const std::function<int()> &body) {
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        uid_t uid;
        gid_t gid;
        if (UnprivilegedIds(uid, gid) &&
            (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(120);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#include "ReaderFixture.h"

#include "engine/reader/PakReader.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

Recorder *g_recorder = nullptr;
std::thread::id g_callingThread;

void NoteThread()
{
    if (std::this_thread::get_id() != g_callingThread)
        g_recorder->foreignThread = true;
}

int32_t OnPrint(char *buffer, uint32_t count)
{
    NoteThread();
    g_recorder->printed.emplace_back(buffer, count);
    return 0;
}

int32_t OnOverwrite(char *name)
{
    NoteThread();
    g_recorder->overwriteAsked.emplace_back(name);
    return g_recorder->overwriteAnswer(name);
}

int32_t OnPassword(char *buffer, int32_t size, char *prompt, char *entryName)
{
    NoteThread();
    EXPECT_GE(size, 255);
    EXPECT_NE(prompt, nullptr);
    g_recorder->passwordAsked.emplace_back(entryName);
    if (g_recorder->passwords.empty())
        return 1;
    const std::string password = g_recorder->passwords.front();
    g_recorder->passwords.erase(g_recorder->passwords.begin());
    std::memcpy(buffer, password.data(), std::min<size_t>(password.size(), 254));
    return 0;
}

void OnListing(uint32_t packedSize, uint32_t size, int32_t ratio, uint32_t month, uint32_t day, uint32_t year,
               uint32_t hour, uint32_t minute, uint32_t second, char *path, char *method, uint32_t crc,
               uint32_t attributes)
{
    NoteThread();
    g_recorder->listed.push_back(ListedEntry{packedSize, size, ratio, month, day, year, hour, minute, second, path,
                                             method, crc, attributes});
}

int32_t OnService(char *name, uint32_t count)
{
    NoteThread();
    const std::string entry(name);
    EXPECT_EQ(count, entry.size() + 1);
    g_recorder->serviced.push_back(entry);
    g_recorder->serviceCounts.push_back(count);
    return !g_recorder->cancelAt.empty() && entry == g_recorder->cancelAt ? 1 : 0;
}

} // namespace

bool Recorder::Printed(const std::string &fragment) const
{
    return std::any_of(printed.begin(), printed.end(),
                       [&](const std::string &line) { return line.find(fragment) != std::string::npos; });
}

void ReaderTest::SetUp()
{
    char pattern[] = "/tmp/pakreader-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_root = pattern;
    m_target = m_root / "target";
}

void ReaderTest::TearDown()
{
    std::error_code ignored;
    fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_root, ignored);
}

std::string ReaderTest::MakeArchive(const std::string &fileName, const std::vector<TestEntry> &entries)
{
    const std::string path = (m_root / fileName).string();
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr) << "zip_open " << error;
    if (archive == nullptr)
        return path;
    for (const TestEntry &entry : entries) {
        zip_int64_t index;
        if (!entry.name.empty() && entry.name.back() == '/') {
            index = zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t *source = zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
            index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
            if (index < 0)
                zip_source_free(source);
        }
        EXPECT_GE(index, 0) << entry.name << ": " << zip_strerror(archive);
        if (index < 0)
            continue;
        const auto i = static_cast<zip_uint64_t>(index);
        zip_set_file_compression(archive, i, entry.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
        // libzip takes the traditional encryption's check byte from the time
        // the entry had before zip_file_set_mtime, which makes it unreadable.
        if (entry.password.empty() || !entry.traditional)
            zip_file_set_mtime(archive, i, entry.modified, 0);
        if (!entry.password.empty())
            zip_file_set_encryption(archive, i, entry.traditional ? ZIP_EM_TRAD_PKWARE : ZIP_EM_AES_256,
                                    entry.password.c_str());
        if (entry.unixMode != 0)
            zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, entry.unixMode << 16);
    }
    EXPECT_EQ(zip_close(archive), 0) << zip_strerror(archive);
    return path;
}

UnzipCommandRecord ReaderTest::Command(const std::string &archive, const std::string &target) const
{
    UnzipCommandRecord command;
    std::memset(&command, 0, sizeof command);
    // The record points at these texts only for the length of one Run.
    static thread_local std::string archiveText, targetText;
    archiveText = archive;
    targetText = target;
    command.ArchivePath = archiveText.data();
    command.TargetFolder = targetText.data();
    return command;
}

int32_t ReaderTest::Run(UnzipCommandRecord command, const std::vector<std::string> &include,
                        const std::vector<std::string> &exclude)
{
    m_recorder.printed.clear();
    m_recorder.serviced.clear();
    m_recorder.serviceCounts.clear();
    m_recorder.overwriteAsked.clear();
    m_recorder.passwordAsked.clear();
    m_recorder.listed.clear();
    m_recorder.foreignThread = false;
    g_recorder = &m_recorder;
    g_callingThread = std::this_thread::get_id();

    // Name lists as the components build them: names, an empty string, nulls.
    std::vector<std::string> includeTexts(include), excludeTexts(exclude);
    EngineNameList includeList{}, excludeList{};
    char empty[] = "";
    for (size_t i = 0; i < includeTexts.size(); ++i)
        includeList.Names[i] = includeTexts[i].data();
    includeList.Names[includeTexts.size()] = empty;
    for (size_t i = 0; i < excludeTexts.size(); ++i)
        excludeList.Names[i] = excludeTexts[i].data();
    excludeList.Names[excludeTexts.size()] = empty;

    UnzipCallbackTable callbacks;
    std::memset(&callbacks, 0, sizeof callbacks);
    callbacks.Print = OnPrint;
    callbacks.Sound = nullptr;
    callbacks.Overwrite = OnOverwrite;
    callbacks.Password = OnPassword;
    callbacks.Listing = OnListing;
    callbacks.Service = OnService;
    const int32_t result =
        Wiz_SingleEntryUnzip(static_cast<int32_t>(includeTexts.size()), includeList.Names,
                             static_cast<int32_t>(excludeTexts.size()), excludeList.Names, &command, &callbacks);
    EXPECT_FALSE(m_recorder.foreignThread) << "a call-back ran on a thread other than the caller's";
    return result;
}

int32_t ReaderTest::List(const std::string &archive)
{
    UnzipCommandRecord command = Command(archive);
    command.ListOnly = 1;
    return Run(command);
}

int32_t ReaderTest::Extract(const std::string &archive, const std::string &target, bool useFolders)
{
    UnzipCommandRecord command = Command(archive, target);
    command.UseFolderNames = useFolders ? 1 : 0;
    return Run(command);
}

std::string ReaderTest::ReadText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ReaderTest::WriteText(const fs::path &path, const std::string &text)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::string> ReaderTest::Tree(const fs::path &root)
{
    std::vector<std::string> found;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(root)))
        return found;
    for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
         it.increment(error)) {
        std::string relative = fs::relative(it->path(), root).generic_string();
        if (it->is_directory() && !it->is_symlink())
            relative += "/";
        found.push_back(relative);
    }
    std::sort(found.begin(), found.end());
    return found;
}

#include "engine/writer/WriterOptions.h"

#include <cstring>

namespace writer {

namespace {

std::optional<std::string> CopyText(const char *text) {
    if (text == nullptr)
        return std::nullopt;
    return std::string(text);
}

char *TextPointer(const std::optional<std::string> &text) {
    // The record's fields are not const; callers must not write through them.
    return text ? const_cast<char *>(text->c_str()) : nullptr;
}

} // namespace

StoredOptions::StoredOptions() {
    std::memset(&m_record, 0, sizeof m_record);
    // Until told otherwise: no folder entries, folder names kept, no recursion.
    m_record.NoFolderEntries = 1;
}

void StoredOptions::Set(const ZipOptionsRecord &record) {
    m_text0 = CopyText(record.Text0);
    m_rootFolder = CopyText(record.RootFolder);
    m_text8 = CopyText(record.Text8);
    m_record = record;
    m_record.Text0 = nullptr;
    m_record.RootFolder = nullptr;
    m_record.Text8 = nullptr;
}

void StoredOptions::Get(ZipOptionsRecord &record) const {
    record = m_record;
    record.Text0 = TextPointer(m_text0);
    record.RootFolder = TextPointer(m_rootFolder);
    record.Text8 = TextPointer(m_text8);
}

PackOptions StoredOptions::Decode() const {
    PackOptions options;
    options.rootFolder = m_rootFolder.value_or(std::string());
    options.encrypt = m_record.Encrypt != 0;
    options.hiddenFiles = m_record.SystemAndHiddenFiles != 0;
    options.folderEntries = m_record.NoFolderEntries == 0;
    options.dropFolderNames = m_record.DropFolderNames != 0;
    options.deleteEntries = m_record.DeleteEntries != 0;
    options.onlyIfNewer = m_record.UpdateOnlyIfNewer != 0;
    options.freshen = m_record.Freshen != 0;
    // The components store 2 for "recurse"; any other non-zero value is
    // taken to mean the same rather than silently packing one folder only.
    options.recurse = m_record.Recurse != 0;
    options.quiet = m_record.MessageLevel0 != 0;
    return options;
}

} // namespace writer

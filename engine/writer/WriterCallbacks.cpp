#include "engine/writer/WriterCallbacks.h"

#include "engine/common/EngineMessages.h"

#include <cstring>
#include <vector>

namespace writer {

namespace {

// Password buffers hold up to 255 bytes and a terminating zero.
constexpr int32_t kPasswordBufferSize = 256;
// The zip format caps an archive comment at 65535 bytes.
constexpr size_t kCommentBufferSize = 65536;

} // namespace

void WriterCallbacks::Print(std::string_view line) const {
    engine::MessageSink(m_set ? m_table.Print : nullptr).Say(line);
}

bool WriterCallbacks::ServiceWantsStop(std::string_view entryName) const {
    if (!m_set || m_table.Service == nullptr)
        return false;
    std::string name(entryName);
    // The count covers the name and its terminating zero, so that a caller
    // reading "at most count bytes" always sees the whole name.
    return m_table.Service(name.data(), static_cast<uint32_t>(name.size() + 1)) == 1;
}

std::optional<std::string> WriterCallbacks::AskPassword(std::string_view archivePath) const {
    if (!m_set || m_table.Password == nullptr)
        return std::nullopt;
    std::vector<char> buffer(kPasswordBufferSize, '\0');
    std::string prompt = "Enter password: ";
    std::string entry(archivePath);
    const int32_t answer =
        m_table.Password(buffer.data(), kPasswordBufferSize, prompt.data(), entry.data());
    buffer.back() = '\0'; // whatever the routine wrote, the text ends inside the buffer
    std::string password(buffer.data());
    if (answer != 0 || password.empty())
        return std::nullopt;
    return password;
}

std::optional<std::string> WriterCallbacks::AskComment(std::string_view current) const {
    if (!m_set || m_table.Comment == nullptr)
        return std::nullopt;
    std::vector<char> buffer(kCommentBufferSize, '\0');
    std::memcpy(buffer.data(), current.data(), std::min(current.size(), kCommentBufferSize - 1));
    const char *answer = m_table.Comment(buffer.data());
    if (answer == nullptr)
        return std::nullopt;
    // The answer is either our buffer or the routine's own text; read it to
    // its zero, and never past our buffer's end when it is ours.
    if (answer == buffer.data()) {
        buffer.back() = '\0';
        return std::string(buffer.data());
    }
    return std::string(answer, strnlen(answer, kCommentBufferSize - 1));
}

} // namespace writer

#include "engine/common/EngineMessages.h"

#include <cstring>

namespace engine {

void MessageSink::Say(std::string_view text) const
{
    if (m_print == nullptr)
        return;
    std::string line(text);
    if (line.empty() || line.back() != '\n')
        line.push_back('\n');
    // The caller may scribble on the buffer; it is ours and thrown away after.
    m_print(line.data(), static_cast<uint32_t>(line.size()));
}

std::string ErrnoText(int error)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in buffer.
    const char *text = strerror_r(error, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : std::string("error ") + std::to_string(error);
}

} // namespace engine

// Messages that an engine hands to its caller through the print call-back.
#ifndef KEPLO_ENGINE_COMMON_ENGINE_MESSAGES_H
#define KEPLO_ENGINE_COMMON_ENGINE_MESSAGES_H

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// Same shape for the unzip and the zip print routine.
using PrintRoutine = int32_t (*)(char *buffer, uint32_t count);

// Sends one line of UTF-8 text to the print routine, with its byte count.
// A missing routine drops the text. A line always ends in "\n".
class MessageSink {
public:
    explicit MessageSink(PrintRoutine print) : m_print(print) {}

    void Say(std::string_view text) const;

private:
    PrintRoutine m_print;
};

// Describes an errno value in a few words ("No such file or directory").
std::string ErrnoText(int error);

} // namespace engine

#endif

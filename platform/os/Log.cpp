#include "platform/os/Log.h"

#include <atomic>

namespace {

std::atomic<bool (*)(LogArea)> g_fnEnabled{nullptr};
std::atomic<void (*)(LogArea, std::string_view)> g_fnWrite{nullptr};

} // namespace

void SetLogSink(const LogSink &sink) {
    g_fnWrite.store(sink.fnWrite, std::memory_order_release);
    g_fnEnabled.store(sink.fnEnabled, std::memory_order_release);
}

bool LogEnabled(LogArea eArea) {
    const auto fnEnabled = g_fnEnabled.load(std::memory_order_acquire);
    return fnEnabled != nullptr && g_fnWrite.load(std::memory_order_acquire) != nullptr &&
           fnEnabled(eArea);
}

void LogLine(LogArea eArea, std::string_view sLine) {
    if (!LogEnabled(eArea))
        return;
    const auto fnWrite = g_fnWrite.load(std::memory_order_acquire);
    while (!sLine.empty()) {
        const std::size_t lBreak = sLine.find('\n');
        fnWrite(eArea, sLine.substr(0, lBreak));
        if (lBreak == std::string_view::npos)
            break;
        sLine.remove_prefix(lBreak + 1);
    }
}

LogStream::LogStream(LogArea eArea) : std::ostream(nullptr), m_buffer(eArea) {
    rdbuf(&m_buffer);
}

LogStream::~LogStream() {
    m_buffer.Finish();
}

LogStream::LineBuffer::int_type LogStream::LineBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    if (traits_type::to_char_type(c) == '\n') {
        LogLine(m_eArea, m_sLine);
        m_sLine.clear();
    } else {
        m_sLine.push_back(traits_type::to_char_type(c));
    }
    return c;
}

void LogStream::LineBuffer::Finish() {
    if (!m_sLine.empty())
        LogLine(m_eArea, m_sLine);
    m_sLine.clear();
}

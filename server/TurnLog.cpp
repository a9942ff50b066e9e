#include "server/TurnLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace server {

size_t formatLogLine(std::span<char> line, const char* format, va_list arguments)
{
    const int length = std::vsnprintf(line.data(), line.size(), format, arguments);
    const size_t kept = size_t(std::clamp(length, 0, int(line.size()) - 1));
    if (length > 0 && kept < size_t(length))
        line[kept - 1] = '\n'; // cut, but still a line of its own
    return kept;
}

void TurnLog::add(const char* format, ...)
{
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    const size_t length = formatLogLine(line, format, arguments);
    va_end(arguments);
    m_lines.append(line, length);
}

void TurnLog::write()
{
    if (m_lines.empty())
        return;
    // A log that cannot be written has nowhere to say so; the server goes on without it.
    std::fwrite(m_lines.data(), 1, m_lines.size(), stderr);
    m_lines.clear();
}

} // namespace server

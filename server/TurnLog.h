#pragma once

#include <cstdarg>
#include <span>
#include <string>
#include <string_view>

namespace server {

// The log lines of one event loop's turn, written together at its end: the loops share the log's
// lock, so each takes it once a turn, and a turn's lines stay in their order.
class TurnLog
{
public:
    // One line, cut to a fixed length if need be; `format` ends it with a newline.
    __attribute__((format(printf, 2, 3))) void add(const char* format, ...);
    // Lines made elsewhere, newlines included.
    void append(std::string_view lines) { m_lines += lines; }
    void write();

private:
    std::string m_lines;
};

// Writes `format` with its `arguments` into `line` as one log line, cut to its size if need be and
// then still ended by a newline; returns the line's length.
size_t formatLogLine(std::span<char> line, const char* format, va_list arguments);

} // namespace server

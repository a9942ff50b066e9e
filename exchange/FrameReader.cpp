#include "exchange/FrameReader.h"

#include "text/Errors.h"
#include "text/Integers.h"

#include <algorithm>
#include <cstring>

namespace exchange {

void FrameReader::feed(std::string_view bytes)
{
    if (bytes.empty())
        return;
    std::memcpy(prepare(bytes.size()), bytes.data(), bytes.size());
    commit(bytes.size());
}

char* FrameReader::prepare(size_t bytes)
{
    if (m_start == m_end && m_capacity > maxIdleBufferBytes)
        giveBufferBack();
    if (m_start > 0 && m_start * 2 >= m_end) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_start, m_end - m_start);
        m_end -= m_start;
        m_start = 0;
    }
    if (m_capacity - m_end < bytes) {
        const size_t capacity = std::max(m_capacity * 2, m_end + bytes);
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (m_end > m_start)
            std::memcpy(grown.get(), m_buffer.get() + m_start, m_end - m_start);
        m_end -= m_start;
        m_start = 0;
        m_buffer = std::move(grown);
        m_capacity = capacity;
    }
    return m_buffer.get() + m_end;
}

void FrameReader::commit(size_t count)
{
    // A failed stream takes nothing more: it is closed, and its bytes mean nothing.
    if (!hasError())
        m_end += std::min(count, m_capacity - m_end);
}

int64_t FrameReader::readLength(std::string_view field)
{
    // Anything but five plain digits goes through the platform's reading (blanks, sign, hex).
    int64_t length = 0;
    try {
        length = text::StrToInt(field);
    } catch (const text::EConvertError& e) {
        m_failed = true;
        m_errorMessage = e.what();
        return -1;
    }
    if (length <= 0) {
        // Nothing could be cut out, so the stream can never move on.
        m_failed = true;
        return -1;
    }
    return length;
}

void FrameReader::clear()
{
    m_start = 0;
    m_end = 0;
    m_failed = false;
    m_errorMessage.clear();
}

void FrameReader::release()
{
    clear();
    giveBufferBack();
}

void FrameReader::giveBufferBack()
{
    m_buffer.reset();
    m_capacity = 0;
    m_start = 0;
    m_end = 0;
}

} // namespace exchange

#include "exchange/FrameReader.h"

#include "text/Errors.h"
#include "text/Integers.h"

namespace exchange {

namespace {

// Five plain digits, the form every well-behaved peer sends; -1 when the field is anything else.
int plainLength(std::string_view field)
{
    int n = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

void FrameReader::feed(std::string_view bytes)
{
    if (hasError())
        return;
    if (m_start > 0 && m_start * 2 >= m_buffer.size()) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes);
}

FrameReader::Status FrameReader::next(Frame& frame)
{
    if (hasError())
        return Status::Error;
    const size_t available = m_buffer.size() - m_start;
    if (available < headerBytes)
        return Status::NeedMore;

    const std::string_view field(m_buffer.data() + m_start, lengthFieldBytes);
    int64_t length = plainLength(field);
    if (length < 0) {
        // Anything but five digits goes through the platform's reading (blanks, sign, hex).
        try {
            length = text::StrToInt(field);
        } catch (const text::EConvertError& e) {
            m_failed = true;
            m_errorMessage = e.what();
            return Status::Error;
        }
    }
    if (length <= 0) {
        // Nothing could be cut out, so the stream can never move on.
        m_failed = true;
        return Status::Error;
    }
    if (size_t(length) > available)
        return Status::NeedMore;

    frame = parseFrame(std::string_view(m_buffer.data() + m_start, size_t(length)));
    m_start += size_t(length);
    return Status::Frame;
}

void FrameReader::clear()
{
    m_buffer.clear();
    m_start = 0;
    m_failed = false;
    m_errorMessage.clear();
}

} // namespace exchange

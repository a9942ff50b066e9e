#pragma once

#include "exchange/Frame.h"

#include <string>
#include <string_view>

namespace exchange {

// Cuts frames out of the bytes of one connection. Does no I/O: feed it what arrived, then take
// frames out until it has none. A length field that cannot be read puts the reader into an
// error state that stays until clear().
class FrameReader
{
public:
    enum class Status {
        Frame,    // a frame was taken out
        NeedMore, // no complete frame is buffered
        Error     // the length field is not a number, or declares 0 or less
    };

    void feed(std::string_view bytes);

    // The views of `frame` stay valid until the next feed() or clear().
    Status next(Frame& frame);

    void clear();

    bool hasError() const { return m_failed; }
    // The conversion error for a length field that is not a number; empty for a length of 0
    // or less, which converts but cannot be a frame.
    const std::string& errorMessage() const { return m_errorMessage; }
    size_t bufferedBytes() const { return m_buffer.size() - m_start; }

private:
    std::string m_buffer;
    // Bytes before m_start are already taken out; they are dropped in feed() only once they are
    // at least half the buffer, so that many small frames per read cost linear time.
    size_t m_start = 0;
    bool m_failed = false;
    std::string m_errorMessage;
};

} // namespace exchange

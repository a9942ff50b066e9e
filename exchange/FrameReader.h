#pragma once

#include "exchange/Frame.h"

#include <cstdint>
#include <memory>
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
    // For reading straight into the reader: room for `bytes` more at the end of what it holds,
    // valid until commit(), which adds the `count` bytes written there.
    char* prepare(size_t bytes);
    void commit(size_t count);

    // The views of `frame` stay valid until the next feed(), prepare() or clear(). Inline,
    // because it runs for every frame.
    Status next(Frame& frame)
    {
        if (m_failed)
            return Status::Error;
        std::string_view bytes;
        const Status status = frameAt(m_buffer.get() + m_start, m_end - m_start, bytes);
        if (status == Status::Frame) {
            parseFrame(bytes, frame);
            m_start += bytes.size();
            ++m_moves;
        }
        return status;
    }

    // Takes every whole frame out in arrival order and calls `take` with its bytes, valid until
    // `take` feeds, prepares or clears; returns NeedMore or Error. `take` may use this reader
    // itself (clear it, read more into it, take frames out of it from a nested event loop); the
    // loop goes on from wherever that leaves it.
    template <class Take> Status takeFrames(Take&& take)
    {
        if (m_failed)
            return Status::Error;
        ++m_moves;
        const char* buffer = m_buffer.get();
        const char* at = buffer + m_start;
        for (;;) {
            std::string_view bytes;
            const Status status = frameAt(at, size_t(buffer + m_end - at), bytes);
            if (status != Status::Frame)
                return status;
            at += bytes.size();
            prefetchAhead(at);
            m_start = size_t(at - buffer);
            const uint32_t moves = m_moves;
            take(bytes);
            // Where the next frame starts stays in a register unless `take` moved it: read
            // back from memory, it would wait for the store just made, on every frame.
            if (m_moves != moves) [[unlikely]] {
                if (m_failed)
                    return Status::Error;
                buffer = m_buffer.get();
                at = buffer + m_start;
            }
        }
    }

    void clear();
    // Clears and gives the buffer back: a connection that has ended needs none, and an answer of
    // many lines leaves one of a megabyte.
    void release();

    bool hasError() const { return m_failed; }
    // The conversion error for a length field that is not a number; empty for a length of 0
    // or less, which converts but cannot be a frame.
    const std::string& errorMessage() const { return m_errorMessage; }
    size_t bufferedBytes() const { return m_end - m_start; }

private:
    // The whole frame at `at`, when the `available` bytes there hold it.
    Status frameAt(const char* at, size_t available, std::string_view& frame)
    {
        if (available < headerBytes)
            return Status::NeedMore;
        int64_t length = detail::fiveDigits(at);
        if (length <= 0 && (length = readLength(std::string_view(at, lengthFieldBytes))) < 0)
            return Status::Error;
        if (size_t(length) > available)
            return Status::NeedMore;
        frame = std::string_view(at, size_t(length));
        return Status::Frame;
    }

    // Asks for the bytes some frames ahead of `at` while this one is handled: they were
    // written by the read long enough ago to have left the first-level cache, and where each
    // frame starts depends on the one before, so no load of theirs can start early by itself.
    // The address is not dereferenced and may lie past the buffer.
    static void prefetchAhead(const char* at)
    {
        __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(at) + 512));
    }

    // Any other length field: its value, or -1 with the reader failed when it cannot be one.
    int64_t readLength(std::string_view field);

    // Not a std::string: growing one fills the new room with zeros before the bytes come.
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity = 0;
    // Bytes before m_start are already taken out; they are dropped in prepare() only once they
    // are at least half of what is held, so that many small frames per read cost linear time.
    size_t m_start = 0;
    size_t m_end = 0;
    // Counts the moves of m_start and of the buffer made outside the loop of a takeFrames()
    // call, which compares it instead of reading them back after each frame.
    uint32_t m_moves = 0;
    bool m_failed = false;
    std::string m_errorMessage;
};

} // namespace exchange

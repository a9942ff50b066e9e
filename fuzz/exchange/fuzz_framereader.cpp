// Any bytes, arriving in any pieces, are cut into the same frames as when they arrive at once:
// each frame is as long as its length field says, the frames and what stays buffered add up to
// the bytes fed, and a length field that cannot be one stops the stream for good.
#include "exchange/FrameReader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Outcome
{
    std::vector<std::string> frames;
    bool failed = false;
    size_t buffered = 0;
};

// Takes out every frame the reader holds, checking what each frame's fields say.
void drain(exchange::FrameReader& reader, Outcome& out)
{
    exchange::Frame frame;
    for (;;) {
        const exchange::FrameReader::Status status = reader.next(frame);
        if (status == exchange::FrameReader::Status::NeedMore)
            return;
        if (status == exchange::FrameReader::Status::Error) {
            if (!reader.hasError())
                __builtin_trap();
            out.failed = true;
            return;
        }
        // The header view starts the frame; a body follows only a whole header.
        const size_t size = frame.header.size() + frame.body.size();
        if (frame.header.size() < exchange::headerBytes && !frame.body.empty())
            __builtin_trap();
        if (!frame.body.empty() && frame.body.data() != frame.header.data() + frame.header.size())
            __builtin_trap();
        // Five plain digits give the frame's length.
        const std::string_view field(frame.header.data(), exchange::lengthFieldBytes);
        if (field.find_first_not_of("0123456789") == std::string_view::npos &&
            std::stoul(std::string(field)) != size)
            __builtin_trap();
        out.frames.emplace_back(frame.header.data(), size);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses the piece sizes of the second reading.
    if (size == 0)
        return 0;
    const size_t step = data[0] % 31 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    exchange::FrameReader whole;
    whole.feed(bytes);
    Outcome all;
    drain(whole, all);
    all.buffered = whole.bufferedBytes();

    exchange::FrameReader pieces;
    Outcome split;
    for (size_t at = 0; at < bytes.size(); at += step) {
        const std::string_view piece = bytes.substr(at, step);
        // Alternate between the two ways of handing bytes in.
        if ((at / step) % 2 == 0) {
            pieces.feed(piece);
        } else {
            std::memcpy(pieces.prepare(piece.size()), piece.data(), piece.size());
            pieces.commit(piece.size());
        }
        drain(pieces, split);
    }
    split.buffered = pieces.bufferedBytes();

    if (all.frames != split.frames || all.failed != split.failed)
        __builtin_trap();
    // Frames are cut back to back from the start; an unfailed reader holds exactly the rest.
    std::string joined;
    for (const std::string& f : all.frames)
        joined += f;
    if (bytes.substr(0, joined.size()) != joined)
        __builtin_trap();
    if (!all.failed &&
        (joined.size() + all.buffered != bytes.size() || all.buffered != split.buffered))
        __builtin_trap();

    // A cleared reader starts afresh.
    pieces.clear();
    if (pieces.hasError() || pieces.bufferedBytes() != 0)
        __builtin_trap();
    return 0;
}

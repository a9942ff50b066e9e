#pragma once

#include "gfx/Types.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

// The facts of a metafile's header record.
struct EmfHeader
{
    Rect bounds;      // device units, inclusive as stored
    Rect frame;       // 0.01 mm, as stored
    Size device;      // reference device, pixels
    Size millimeters; // reference device, millimetres
    Size micrometers; // reference device, micrometres (0 when the header is too old to hold it)
    uint32_t bytes = 0;
    uint32_t records = 0;
    uint16_t handles = 0;

    // Reference-device pixels per 0.01 mm of the frame, horizontally and vertically.
    double pixelsPerFrameUnitX() const;
    double pixelsPerFrameUnitY() const;
    // The frame in reference-device pixels (right and bottom exclusive).
    double frameLeftPixels() const { return frame.left * pixelsPerFrameUnitX(); }
    double frameTopPixels() const { return frame.top * pixelsPerFrameUnitY(); }
    double widthPixels() const
    {
        return (double(frame.right) - frame.left) * pixelsPerFrameUnitX();
    }
    double heightPixels() const
    {
        return (double(frame.bottom) - frame.top) * pixelsPerFrameUnitY();
    }
    // The picture size rounded to whole pixels.
    Size pixelSize() const;
};

// One record of a checked metafile. The accessors read little-endian fields by offset from
// the start of the record and answer 0 outside it, so a short record can never be overread.
struct EmfRecord
{
    uint32_t type = 0;
    uint32_t size = 0;
    const char* data = nullptr; // the whole record, `size` bytes

    bool has(uint64_t offset, uint64_t bytes) const { return offset + bytes <= size; }
    uint32_t u32(uint64_t offset) const { return has(offset, 4) ? load<uint32_t>(offset) : 0; }
    int32_t i32(uint64_t offset) const { return has(offset, 4) ? load<int32_t>(offset) : 0; }
    int16_t i16(uint64_t offset) const { return has(offset, 2) ? load<int16_t>(offset) : 0; }
    uint16_t u16(uint64_t offset) const { return has(offset, 2) ? load<uint16_t>(offset) : 0; }
    uint8_t u8(uint64_t offset) const { return has(offset, 1) ? uint8_t(data[offset]) : 0; }
    float f32(uint64_t offset) const { return has(offset, 4) ? load<float>(offset) : 0.0f; }
    Rect rect(uint64_t offset) const
    {
        return {i32(offset), i32(offset + 4), i32(offset + 8), i32(offset + 12)};
    }
    std::string_view bytes(uint64_t offset, uint64_t count) const
    {
        return has(offset, count) ? std::string_view(data + offset, size_t(count))
                                  : std::string_view();
    }

private:
    template <typename T> T load(uint64_t offset) const
    {
        T v;
        std::memcpy(&v, data + offset, sizeof v);
        return v;
    }
};

// Reads and checks an enhanced metafile: a header record with the metafile signature, every
// record inside the metafile's declared length with a size that is a multiple of 4, every
// record of a known type passing libUEMF's size and safety checks, and an end-of-file record.
// Nothing is read outside the given bytes. The reader keeps pointers into them (or into its
// own copy when they are not 4-byte aligned), so it must not outlive them.
class EmfReader
{
public:
    explicit EmfReader(std::string_view emf);

    bool ok() const { return m_error.empty(); }
    // What is wrong, in one line; empty when the metafile is sound.
    const std::string& error() const { return m_error; }
    const EmfHeader& header() const { return m_header; }
    // The records from the header up to and including the end-of-file record.
    const std::vector<EmfRecord>& records() const { return m_records; }

    // Just the header, without walking the records; false when it is not a metafile.
    static bool readHeader(std::string_view emf, EmfHeader& header, std::string* error = nullptr);
    // The same from the first bytes of a metafile of `totalBytes` bytes in all, which must hold
    // the header record.
    static bool readHeader(std::string_view start, uint64_t totalBytes, EmfHeader& header,
                           std::string* error = nullptr);

private:
    void check(std::string_view emf);
    bool fail(std::string message);

    std::string m_copy;
    std::string m_error;
    EmfHeader m_header;
    std::vector<EmfRecord> m_records;
};

} // namespace gfx

#include "gfx/EmfReader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <uemf.h>
#include <uemf_endian.h>
#include <uemf_safe.h>

namespace gfx {

namespace {

constexpr uint32_t recordHeadBytes = 8;
// Header fields up to the reference device size; older writers stop here.
constexpr uint32_t minHeaderBytes = 88;
// Header fields up to the micrometre size of the reference device.
constexpr uint32_t micrometerHeaderBytes = 108;
// Pixels per 0.01 mm when a header's reference device says nothing usable (96 dpi).
constexpr double fallbackPixelsPerFrameUnit = 96.0 / 2540.0;

// Types for which libUEMF has no checker of its own; they get only the generic checks.
bool libuemfChecks(uint32_t type)
{
    if (type < U_EMR_MIN || type > U_EMR_MAX)
        return false;
    switch (type) {
    case 69:
    case 96:
    case 97:
    case 102:
    case 103:
    case 105:
    case 106:
    case 107:
    case 109:
    case 110:
    case 111:
    case 112:
    case 113:
    case 117:
    case 119:
    case 120:
    case 121:
        return false;
    default:
        return true;
    }
}

bool within(const EmfRecord& r, uint64_t offset, uint64_t bytes)
{
    return offset + bytes <= r.size;
}

// A bitmap's info and bits (offset, size pairs) lie inside the record. libUEMF adds these in
// 32 bits, so a crafted offset could wrap past its own check; test them wide first.
bool bitmapInside(const EmfRecord& r, uint64_t offBmiAt)
{
    const uint64_t offBmi = r.u32(offBmiAt), cbBmi = r.u32(offBmiAt + 4);
    const uint64_t offBits = r.u32(offBmiAt + 8), cbBits = r.u32(offBmiAt + 12);
    if (cbBmi == 0)
        return true;
    return cbBmi >= 40 && within(r, offBmi, cbBmi) && within(r, offBits, cbBits);
}

// Where a record's bitmaps are described: each offset of the four fields offset and size of
// the info, offset and size of the bits.
std::vector<uint64_t> bitmapFields(uint32_t type)
{
    switch (type) {
    case U_EMR_BITBLT:
    case U_EMR_STRETCHBLT:
    case U_EMR_ALPHABLEND:
    case U_EMR_TRANSPARENTBLT:
        return {84};
    case U_EMR_MASKBLT:
        return {84, 112};
    case U_EMR_PLGBLT:
        return {96, 124};
    case U_EMR_SETDIBITSTODEVICE:
    case U_EMR_STRETCHDIBITS:
        return {48};
    case U_EMR_CREATEMONOBRUSH:
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
        return {16};
    case U_EMR_EXTCREATEPEN:
        return {12};
    default:
        return {};
    }
}

// Bytes of bits a bitmap's info asks for: whole rows when they are not compressed (BI_RGB,
// BI_BITFIELDS), at least one byte when they are.
uint64_t bitsNeeded(const EmfRecord& r, uint64_t offBmi)
{
    constexpr uint32_t uncompressed = 0, bitFields = 3;
    const int64_t width = r.i32(offBmi + 4), height = std::abs(int64_t(r.i32(offBmi + 8)));
    const uint32_t bitCount = r.u16(offBmi + 14), compression = r.u32(offBmi + 16);
    if (width <= 0 || height == 0)
        return 0;
    if (compression != uncompressed && compression != bitFields)
        return 1;
    const int64_t rowBytes = (width * bitCount + 31) / 32 * 4;
    // Both factors come from the file: the product may not fit in 64 bits.
    const unsigned __int128 total = static_cast<unsigned __int128>(rowBytes) * uint64_t(height);
    return total > UINT64_MAX ? UINT64_MAX : uint64_t(total);
}

// The bitmaps of a record whose info is there but whose bits are not, or not all: such a
// picture would be drawn without them as if whole. Empty when there is none.
std::string missingBits(const EmfRecord& r)
{
    // A block transfer without a source is a fill; these two records are nothing but a bitmap.
    const bool bitmapOnly = r.type == U_EMR_STRETCHDIBITS || r.type == U_EMR_SETDIBITSTODEVICE;
    for (uint64_t at : bitmapFields(r.type)) {
        const uint64_t offBmi = r.u32(at), cbBmi = r.u32(at + 4), cbBits = r.u32(at + 12);
        if (cbBmi == 0 && bitmapOnly)
            return "has no bitmap";
        if (cbBmi == 0)
            continue;
        const uint64_t needed = bitsNeeded(r, offBmi);
        if (cbBits < needed)
            return "has a bitmap of " + std::to_string(cbBits) + " bytes of bits where " +
                   std::to_string(needed) + " are needed";
    }
    return {};
}

// The offsets and counts libUEMF follows blindly, checked wide before it reads them.
bool fieldsInside(const EmfRecord& r)
{
    for (uint64_t at : bitmapFields(r.type))
        if (!bitmapInside(r, at))
            return false;
    switch (r.type) {
    case U_EMR_EXTCREATEPEN:
        return within(r, 52, uint64_t(r.u32(48)) * 4);
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
        return within(r, 28, uint64_t(r.u32(24)) * 8);
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
        return within(r, 28, uint64_t(r.u32(24)) * 4);
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16: {
        const uint64_t polys = r.u32(24), points = r.u32(28);
        const uint64_t each = (r.type == U_EMR_POLYPOLYLINE || r.type == U_EMR_POLYPOLYGON) ? 8 : 4;
        return within(r, 32, polys * 4 + points * each);
    }
    case U_EMR_FILLRGN:
        return within(r, 32, r.u32(24)) &&
               (r.u32(24) == 0 || within(r, 64, uint64_t(r.u32(40)) * 16));
    case U_EMR_EXTSELECTCLIPRGN:
        return within(r, 16, r.u32(8)) &&
               (r.u32(8) == 0 || within(r, 48, uint64_t(r.u32(24)) * 16));
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW: {
        const bool noRect = (r.u32(52) & U_ETO_NO_RECT) != 0;
        const uint64_t chars = r.u32(44), offString = r.u32(48), offDx = r.u32(noRect ? 56 : 72);
        const uint64_t charBytes = r.type == U_EMR_EXTTEXTOUTW ? 2 : 1;
        return within(r, offString, chars * charBytes) &&
               (offDx == 0 || within(r, offDx, chars * 4));
    }
    default:
        return true;
    }
}

// Reference-device pixels per 0.01 mm along one axis, from the finest size the header gives.
double pixelsPerFrameUnit(int pixels, int micrometres, int millimetres)
{
    if (pixels > 0 && micrometres > 0)
        return pixels * 10.0 / micrometres;
    if (pixels > 0 && millimetres > 0)
        return pixels / (millimetres * 100.0);
    return fallbackPixelsPerFrameUnit;
}

} // namespace

double EmfHeader::pixelsPerFrameUnitX() const
{
    return pixelsPerFrameUnit(device.cx, micrometers.cx, millimeters.cx);
}

double EmfHeader::pixelsPerFrameUnitY() const
{
    return pixelsPerFrameUnit(device.cy, micrometers.cy, millimeters.cy);
}

Size EmfHeader::pixelSize() const
{
    return {int(std::lround(widthPixels())), int(std::lround(heightPixels()))};
}

bool EmfReader::readHeader(std::string_view emf, EmfHeader& h, std::string* error)
{
    return readHeader(emf, emf.size(), h, error);
}

bool EmfReader::readHeader(std::string_view emf, uint64_t totalBytes, EmfHeader& h,
                           std::string* error)
{
    auto fail = [&](const char* message) {
        if (error)
            *error = message;
        return false;
    };
    if (emf.size() < minHeaderBytes)
        return fail("not a metafile: too short for a header record");
    const EmfRecord r{0, uint32_t(emf.size() > UINT32_MAX ? UINT32_MAX : emf.size()), emf.data()};
    if (r.u32(0) != U_EMR_HEADER || r.u32(40) != U_ENHMETA_SIGNATURE)
        return fail("not a metafile: no header record with the metafile signature");
    const uint32_t headerSize = r.u32(4);
    if (headerSize < minHeaderBytes || headerSize % 4 != 0 || headerSize > emf.size())
        return fail("not a metafile: the header record has an impossible size");
    h.bounds = r.rect(8);
    h.frame = r.rect(24);
    h.bytes = r.u32(48);
    h.records = r.u32(52);
    h.handles = r.u16(56);
    h.device = {r.i32(72), r.i32(76)};
    h.millimeters = {r.i32(80), r.i32(84)};
    h.micrometers = headerSize >= micrometerHeaderBytes ? Size{r.i32(100), r.i32(104)} : Size{};
    if (h.bytes < headerSize || h.bytes % 4 != 0)
        return fail("not a metafile: the header gives an impossible length");
    if (h.bytes > totalBytes)
        return fail("the metafile is truncated: its header gives a longer length than there is");
    return true;
}

EmfReader::EmfReader(std::string_view emf)
{
    // libUEMF reads records through their structures, which needs 4-byte alignment.
    if (reinterpret_cast<uintptr_t>(emf.data()) % 4 != 0) {
        m_copy.assign(emf);
        emf = m_copy;
    }
    check(emf);
    if (!ok())
        m_records.clear();
}

bool EmfReader::fail(std::string message)
{
    m_error = std::move(message);
    return false;
}

void EmfReader::check(std::string_view emf)
{
    if (!readHeader(emf, m_header, &m_error))
        return;
    const char* base = emf.data();
    const char* limit = base + m_header.bytes;
    uint64_t offset = 0;
    for (uint32_t index = 0;; ++index) {
        auto where = [&] {
            return "metafile record " + std::to_string(index) + " at offset " +
                   std::to_string(offset);
        };
        if (offset + recordHeadBytes > m_header.bytes) {
            fail("the metafile ends without an end-of-file record");
            return;
        }
        EmfRecord r;
        r.data = base + offset;
        r.type = EmfRecord{0, recordHeadBytes, r.data}.u32(0);
        r.size = EmfRecord{0, recordHeadBytes, r.data}.u32(4);
        if (r.size < recordHeadBytes || r.size % 4 != 0 || offset + r.size > m_header.bytes) {
            fail(where() + " has an impossible size " + std::to_string(r.size));
            return;
        }
        if (index == 0 && r.type != U_EMR_HEADER) {
            fail(where() + " is not the header");
            return;
        }
        if (libuemfChecks(r.type)) {
            uint32_t size = 0, type = 0;
            // The last argument tells libUEMF the record is already in this machine's byte order.
            const bool inside = fieldsInside(r);
            if (const std::string missing = inside ? missingBits(r) : ""; !missing.empty()) {
                fail(where() + " (type " + std::to_string(r.type) + ") " + missing);
                return;
            }
            if (!inside || !U_emf_record_sizeok(r.data, limit, &size, &type, 1) ||
                !U_emf_record_safe(r.data)) {
                fail(where() + " (type " + std::to_string(r.type) + ") fails the record checks");
                return;
            }
        }
        m_records.push_back(r);
        if (r.type == U_EMR_EOF)
            return;
        offset += r.size;
    }
}

} // namespace gfx

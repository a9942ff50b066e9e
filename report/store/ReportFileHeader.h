#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>
#include <string_view>

namespace report {

// The header at the start of a page store and report file (little-endian throughout).
struct ReportFileHeader
{
    static constexpr int headerBytes = 128;
    // An older layout, recognised by the first page's metafile signature lying 4 bytes earlier.
    static constexpr int oldHeaderBytes = 124;
    static constexpr uint16_t currentLayoutVersion = 3;
    static constexpr uint16_t currentEngineVersion = 309;

    uint16_t LayoutVersion = currentLayoutVersion;
    uint16_t EngineVersion = currentEngineVersion;
    uint8_t PaperCode = 0;
    uint32_t PageCount = 0;
    double Created = 0; // days since 30 December 1899, local time
    uint8_t Orientation = 0;
    uint8_t Compressed = 0;
    // Bytes the header takes in its file: 128, or 124 for the older layout.
    int size = headerBytes;

    // The 128-byte layout.
    std::string encode() const;
    // Reads the header from the first bytes of a file (at least 180 of them when the file has
    // them, so that the layout can be told). Throws EReportFileError when too short.
    static ReportFileHeader decode(std::string_view firstBytes, int64_t fileSize);
    // The layout of a file whose first bytes are given: 124 or 128.
    static int layoutSize(std::string_view firstBytes);
};

double toReportDate(const QDateTime& localTime);
QDateTime fromReportDate(double days);

} // namespace report

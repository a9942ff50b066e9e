#include "report/store/ReportFileHeader.h"

#include "report/store/ByteOrder.h"
#include "report/store/ReportFileError.h"

#include <QDate>
#include <QTime>
#include <cmath>
#include <cstring>

namespace report {

namespace {

const QDate dateEpoch(1899, 12, 30);
constexpr double msecsPerDay = 86400000.0;
// Offset of a metafile's signature: page record head (8 bytes) plus 40 bytes into the EMF header.
constexpr int signatureInRecord = 8 + 40;
constexpr char emfSignature[4] = {' ', 'E', 'M', 'F'};

bool signatureAt(std::string_view bytes, size_t offset)
{
    return bytes.size() >= offset + 4 && std::memcmp(bytes.data() + offset, emfSignature, 4) == 0;
}

} // namespace

std::string ReportFileHeader::encode() const
{
    std::string out(headerBytes, '\0');
    putU16(out, 0, LayoutVersion);
    putU16(out, 2, EngineVersion);
    out[4] = char(PaperCode);
    putU32(out, 8, PageCount);
    putF64(out, 16, Created);
    out[24] = char(Orientation);
    out[25] = char(Compressed);
    return out;
}

int ReportFileHeader::layoutSize(std::string_view firstBytes)
{
    if (!signatureAt(firstBytes, headerBytes + signatureInRecord) &&
        signatureAt(firstBytes, oldHeaderBytes + signatureInRecord))
        return oldHeaderBytes;
    return headerBytes;
}

ReportFileHeader ReportFileHeader::decode(std::string_view firstBytes, int64_t fileSize)
{
    ReportFileHeader h;
    h.size = layoutSize(firstBytes);
    if (fileSize < h.size || int64_t(firstBytes.size()) < h.size)
        throw EReportFileError("The report file is truncated: it holds " +
                               std::to_string(fileSize) + " bytes, fewer than its " +
                               std::to_string(h.size) + "-byte header");
    h.LayoutVersion = getU16(firstBytes, 0);
    h.EngineVersion = getU16(firstBytes, 2);
    h.PaperCode = uint8_t(firstBytes[4]);
    h.PageCount = getU32(firstBytes, 8);
    if (h.size == headerBytes) {
        h.Created = getF64(firstBytes, 16);
        h.Orientation = uint8_t(firstBytes[24]);
        h.Compressed = uint8_t(firstBytes[25]);
    } else {
        h.Created = getF64(firstBytes, 12);
        h.Orientation = uint8_t(firstBytes[20]);
        h.Compressed = uint8_t(firstBytes[21]);
    }
    return h;
}

double toReportDate(const QDateTime& localTime)
{
    const QDateTime t = localTime.toLocalTime();
    return double(dateEpoch.daysTo(t.date())) + t.time().msecsSinceStartOfDay() / msecsPerDay;
}

QDateTime fromReportDate(double days)
{
    if (!std::isfinite(days) || std::abs(days) > 3.0e6) // beyond any calendar date Qt holds
        return {};
    const double whole = std::floor(days);
    const auto msecs = qint64(std::llround((days - whole) * msecsPerDay));
    return QDateTime(dateEpoch.addDays(qint64(whole)), QTime(0, 0)).addMSecs(msecs);
}

} // namespace report

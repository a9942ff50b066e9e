#include "report/store/TRpPageList.h"

#include "gfx/EmfReader.h"
#include "report/store/ByteOrder.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpCompress.h"

#include <QDateTime>
#include <limits>

namespace report {

namespace {

// A record's own fields: its page number, the next record's offset and its own start.
constexpr int64_t recordOverheadBytes = 12;
// Offsets are 4-byte fields, so a store ends before 4 GB.
constexpr int64_t maxStoreBytes = std::numeric_limits<uint32_t>::max();
// Bytes of a first page enough to tell the header layout by the metafile's signature.
constexpr int64_t layoutProbeBytes = ReportFileHeader::headerBytes + 8 + 44;
// The metafile header fields a page record is checked against: type, signature, length.
constexpr int64_t metafileHeadBytes = 88;
constexpr size_t metafileSignatureAt = 40;
constexpr size_t metafileLengthAt = 48;
constexpr uint32_t metafileSignature = 0x464D4520; // " EMF"
// The splay code spends at least one bit on a byte.
constexpr int64_t maxBytesPerCodedByte = 8;

std::string at(int64_t offset)
{
    return "offset " + std::to_string(offset);
}
std::string page(int n)
{
    return "page " + std::to_string(n);
}

[[noreturn]] void damaged(const std::string& what)
{
    throw EReportFileError("The report file is damaged: " + what);
}

} // namespace

TRpPageList::TRpPageList() : m_stream(std::make_unique<TRpStream>()) {}

TRpPageList::~TRpPageList() = default;

void TRpPageList::SetStream(std::unique_ptr<TRpStream> stream)
{
    std::lock_guard lock(m_lock);
    m_stream = stream ? std::move(stream) : std::make_unique<TRpStream>();
    m_storedPages = 0;
    m_fileHeader.reset();
    m_headerSize = ReportFileHeader::headerBytes;
}

void TRpPageList::Clear()
{
    // Old records left in the stream would be found again by the next pages' links.
    SetStream(std::make_unique<TRpStream>(m_stream->SpillThreshold()));
}

ReportFileHeader TRpPageList::Header() const
{
    if (m_fileHeader)
        return *m_fileHeader;
    ReportFileHeader h;
    h.PageCount = uint32_t(m_storedPages.load());
    h.Compressed = m_compressed ? 1 : 0;
    return h;
}

void TRpPageList::WriteHeader()
{
    std::lock_guard lock(m_lock);
    writeHeaderLocked();
}

void TRpPageList::writeHeaderLocked()
{
    ReportFileHeader h;
    h.PageCount = uint32_t(m_storedPages.load());
    h.Created = toReportDate(QDateTime::currentDateTime());
    h.Compressed = m_compressed ? 1 : 0;
    const std::string bytes = h.encode();
    m_stream->Seek(0);
    m_stream->Write(bytes.data(), int64_t(bytes.size()));
}

void TRpPageList::AppendPage(std::string_view metafile)
{
    AppendPage(std::vector<std::string_view>{metafile});
}

void TRpPageList::AppendPage(const std::vector<std::string_view>& pieces)
{
    std::lock_guard lock(m_lock);
    uint64_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    gfx::EmfHeader header;
    std::string error;
    if (pieces.empty() || !gfx::EmfReader::readHeader(pieces.front(), size, header, &error) ||
        header.bytes != size)
        throw EReportFileError("A page picture must be a whole metafile" +
                               (error.empty() ? "" : ": " + error));
    if (m_stream->ReadOnly())
        throw EStreamError("The report stream is read-only");

    std::vector<std::string_view> pageData = pieces;
    std::string compressed;
    if (m_compressed) {
        std::string metafile;
        metafile.reserve(size_t(size));
        for (std::string_view piece : pieces)
            metafile += piece;
        compressed = u32Bytes(uint32_t(size)) + TRpCompress::encode(metafile);
        pageData = {compressed};
    }
    uint64_t dataBytes = 0;
    for (std::string_view piece : pageData)
        dataBytes += piece.size();

    const int n = ++m_storedPages;
    try {
        if (n == 1)
            writeHeaderLocked();
        const int64_t start = m_stream->SeekEnd();
        const int64_t end = start + 8 + int64_t(dataBytes) + 4;
        if (end > maxStoreBytes)
            throw EStreamError("The page store cannot grow beyond 4 GB");
        // Piece by piece rather than as one record: a page is about as large as everything
        // else the store holds in memory, so it is not copied to be written with its links.
        const std::string head = u32Bytes(uint32_t(n)) + u32Bytes(uint32_t(end));
        const std::string tail = u32Bytes(uint32_t(start));
        m_stream->Write(head.data(), int64_t(head.size()));
        for (std::string_view piece : pageData)
            m_stream->Write(piece.data(), int64_t(piece.size()));
        m_stream->Write(tail.data(), int64_t(tail.size()));
    } catch (...) {
        --m_storedPages;
        throw;
    }
}

uint32_t TRpPageList::readU32(int64_t offset, const char* what)
{
    char bytes[4];
    if (offset < 0 || offset + 4 > m_stream->Size())
        damaged(std::string(what) + " at " + at(offset) + " lies beyond the end of the file (" +
                std::to_string(m_stream->Size()) + " bytes)");
    m_stream->Seek(offset);
    if (m_stream->Read(bytes, 4) != 4)
        damaged(std::string(what) + " at " + at(offset) + " cannot be read");
    return getU32(std::string_view(bytes, 4), 0);
}

TRpPageList::PageRecord TRpPageList::checkRecord(int64_t start, int expectedPage)
{
    const int64_t size = m_stream->Size();
    const std::string where = page(expectedPage) + "'s record at " + at(start);
    if (start < m_headerSize || start + recordOverheadBytes > size)
        damaged(where + " lies outside the file (" + std::to_string(size) + " bytes)");
    const uint32_t number = readU32(start, "a page number");
    if (number != uint32_t(expectedPage))
        damaged("the record at " + at(start) + " holds page " + std::to_string(number) + " where " +
                page(expectedPage) + " belongs");
    const int64_t next = readU32(start + 4, "a page link");
    if (next < start + recordOverheadBytes || next > size)
        damaged(where + " links to " + at(next) + ", outside the file (" + std::to_string(size) +
                " bytes)");
    const int64_t own = readU32(next - 4, "a record's own offset");
    if (own != start)
        damaged(where + " ends with " + at(own) + " instead of its own start");

    PageRecord record{expectedPage, start, next, 0};
    const int64_t dataBytes = next - start - recordOverheadBytes;
    if (m_compressed) {
        if (dataBytes < 4)
            damaged(page(expectedPage) + " holds no compressed picture");
        record.metafileBytes = readU32(start + 8, "a picture's length");
        if (record.metafileBytes > (dataBytes - 4) * maxBytesPerCodedByte)
            damaged(page(expectedPage) + "'s compressed picture claims " +
                    std::to_string(record.metafileBytes) + " bytes, more than its " +
                    std::to_string(dataBytes - 4) + " coded bytes can hold");
        return record;
    }
    if (dataBytes < metafileHeadBytes)
        damaged(page(expectedPage) + " holds no metafile");
    std::string head(metafileHeadBytes, '\0');
    m_stream->Seek(start + 8);
    if (m_stream->Read(head.data(), metafileHeadBytes) != metafileHeadBytes)
        damaged(page(expectedPage) + "'s metafile cannot be read");
    if (getU32(head, 0) != 1 || getU32(head, metafileSignatureAt) != metafileSignature)
        damaged(page(expectedPage) + "'s picture is not a metafile");
    record.metafileBytes = getU32(head, metafileLengthAt);
    if (record.metafileBytes < metafileHeadBytes || record.metafileBytes > dataBytes)
        damaged(page(expectedPage) + "'s metafile gives a length of " +
                std::to_string(record.metafileBytes) + " bytes, but its record holds " +
                std::to_string(dataBytes));
    return record;
}

int64_t TRpPageList::findPage(int n)
{
    const int stored = m_storedPages;
    const int64_t size = m_stream->Size();
    if (n == 1)
        return m_headerSize;
    if (n == stored)
        return readU32(size - 4, "the last record's offset");
    int64_t start = m_stream->Position();
    if (start >= size)
        start = readU32(size - 4, "the last record's offset");
    auto pageAt = [&](int64_t offset) {
        if (offset < m_headerSize)
            damaged("a page link points into the header (" + at(offset) + ")");
        const uint32_t p = readU32(offset, "a page number");
        if (p < 1 || p > uint32_t(stored))
            damaged("the record at " + at(offset) + " holds page " + std::to_string(p) + " of " +
                    std::to_string(stored));
        return int(p);
    };
    int p = pageAt(start);
    // Each step moves one record; more steps than pages means the links go round in a circle.
    for (int steps = 0; p != n; ++steps) {
        if (steps > stored)
            damaged("the page links go round in a circle");
        if (p < n) {
            const int64_t next = readU32(start + 4, "a page link");
            if (next <= start)
                damaged(page(p) + "'s record at " + at(start) + " links backwards to " + at(next));
            start = next;
        } else {
            const int64_t previous = readU32(start - 4, "a record's own offset");
            if (previous >= start)
                damaged("the record before " + at(start) + " claims to start at " + at(previous));
            start = previous;
        }
        p = pageAt(start);
    }
    return start;
}

std::optional<std::string> TRpPageList::LoadPage(int n)
{
    std::lock_guard lock(m_lock);
    if (n < 1 || n > m_storedPages)
        return std::nullopt;
    const PageRecord record = checkRecord(findPage(n), n);
    std::string metafile;
    if (m_compressed) {
        std::string coded(size_t(record.next - record.offset - recordOverheadBytes - 4), '\0');
        m_stream->Seek(record.offset + 12);
        if (m_stream->Read(coded.data(), int64_t(coded.size())) != int64_t(coded.size()))
            damaged(page(n) + "'s compressed picture cannot be read");
        try {
            metafile = TRpCompress::decode(coded, record.metafileBytes);
        } catch (const EReportFileError& e) {
            damaged(page(n) + ": " + e.what());
        }
    } else {
        metafile.resize(record.metafileBytes);
        m_stream->Seek(record.offset + 8);
        if (m_stream->Read(metafile.data(), int64_t(metafile.size())) != int64_t(metafile.size()))
            damaged(page(n) + "'s metafile cannot be read");
    }
    m_stream->Seek(record.next);
    const gfx::EmfReader reader(metafile);
    if (!reader.ok())
        damaged(page(n) + "'s picture does not parse: " + reader.error());
    return metafile;
}

void TRpPageList::WriteToFile(const QString& fileName)
{
    std::lock_guard lock(m_lock);
    m_stream->CopyToFile(fileName);
}

std::vector<TRpPageList::PageRecord> TRpPageList::Records()
{
    std::lock_guard lock(m_lock);
    std::vector<PageRecord> records;
    int64_t start = m_headerSize;
    const int stored = m_storedPages;
    for (int n = 1; n <= stored; ++n) {
        if (start == m_stream->Size())
            damaged("the header counts " + std::to_string(stored) +
                    " pages but the file holds only " + std::to_string(n - 1));
        records.push_back(checkRecord(start, n));
        start = records.back().next;
    }
    if (start != m_stream->Size())
        damaged("the header counts " + std::to_string(stored) + " pages but more data follows at " +
                at(start));
    m_stream->Seek(m_headerSize);
    return records;
}

std::unique_ptr<TRpPageList> TRpPageList::OpenReportFile(const QString& fileName)
{
    return OpenReport(TRpStream::openFile(fileName));
}

std::unique_ptr<TRpPageList> TRpPageList::OpenReport(std::unique_ptr<TRpStream> stream)
{
    const int64_t size = stream->Size();
    std::string first(size_t(std::min(size, layoutProbeBytes)), '\0');
    stream->Seek(0);
    if (stream->Read(first.data(), int64_t(first.size())) != int64_t(first.size()))
        damaged("its header cannot be read");
    const ReportFileHeader header = ReportFileHeader::decode(first, size);
    if (header.Compressed > 1)
        damaged("its compression mark is " + std::to_string(header.Compressed) +
                ", neither 0 nor 1");
    if (header.PageCount > uint64_t(size - header.size) / recordOverheadBytes)
        damaged("the header counts " + std::to_string(header.PageCount) + " pages, more than its " +
                std::to_string(size) + " bytes can hold");

    auto list = std::make_unique<TRpPageList>();
    list->m_stream = std::move(stream);
    list->m_storedPages = int(header.PageCount);
    list->m_compressed = header.Compressed == 1;
    list->m_headerSize = header.size;
    list->m_fileHeader = header;
    list->Records();
    return list;
}

} // namespace report

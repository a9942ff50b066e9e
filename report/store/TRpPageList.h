#pragma once

#include "report/store/ReportFileHeader.h"
#include "report/store/TRpStream.h"

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// The page store of a report printer: a header and one record per page in a TRpStream, each
// record holding a page picture (an enhanced metafile), optionally coded with TRpCompress.
// The stream's layout is the report file's. Appending and loading a page take the store's
// lock. A store can also be opened read-only on a report file; it is checked throughout
// before it is used, and a damaged file raises EReportFileError.
class TRpPageList
{
public:
    // Where one page lies in the stream.
    struct PageRecord
    {
        int page = 0;
        int64_t offset = 0;         // start of the record
        int64_t next = 0;           // end of the record, the next one's start
        uint32_t metafileBytes = 0; // the picture's size (uncompressed)
    };

    TRpPageList();
    ~TRpPageList();
    TRpPageList(const TRpPageList&) = delete;
    TRpPageList& operator=(const TRpPageList&) = delete;

    // Opens a report file as a read-only store, checking its header, every page record and
    // its links; the page count comes from the header. Each page's picture is checked record
    // by record when it is loaded.
    static std::unique_ptr<TRpPageList> OpenReportFile(const QString& fileName);
    // The same on a read-only stream that holds a report file.
    static std::unique_ptr<TRpPageList> OpenReport(std::unique_ptr<TRpStream> stream);

    // Hands the store a new, empty stream (the old one and its temporary file go) and clears it.
    void SetStream(std::unique_ptr<TRpStream> stream);
    TRpStream& Stream() { return *m_stream; }

    int StoredPages() const { return m_storedPages; }
    bool Compressed() const { return m_compressed; }
    void SetCompressed(bool compressed) { m_compressed = compressed; }
    // The header as read from an opened file, or as this store would write it now.
    ReportFileHeader Header() const;

    void AppendPage(std::string_view metafile);
    // The same for a picture handed over in pieces (a canvas's blocks), stored without being
    // joined first; the first piece holds the header record.
    void AppendPage(const std::vector<std::string_view>& pieces);
    // A new copy of page n's picture, checked record by record; none when n is not a stored page.
    std::optional<std::string> LoadPage(int n);
    void WriteHeader();
    void WriteToFile(const QString& fileName);
    // No pages, and a fresh stream.
    void Clear();

    // Every page record, followed through the links from the first.
    std::vector<PageRecord> Records();

private:
    uint32_t readU32(int64_t at, const char* what);
    int64_t findPage(int n);
    PageRecord checkRecord(int64_t at, int expectedPage);
    void writeHeaderLocked();
    void checkAllRecords();

    std::mutex m_lock;
    std::unique_ptr<TRpStream> m_stream;
    std::atomic<int> m_storedPages = 0;
    bool m_compressed = false;
    std::optional<ReportFileHeader> m_fileHeader; // set for an opened report file
    int m_headerSize = ReportFileHeader::headerBytes;
};

} // namespace report

#include "gfx/EmfPlayer.h"
#include "gfx/RecordingCanvas.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpPageList.h"
#include "tests/report/store/StoreTestSupport.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QDateTime>
#include <functional>
#include <gtest/gtest.h>

using namespace report;
using namespace storetest;

namespace {

QString qpath(const std::string& path)
{
    return QString::fromStdString(path);
}

struct SavedFile
{
    std::string bytes;
    std::vector<std::string> pictures;
};

SavedFile saveStore(const std::string& path, int pages, bool compressed, int lines = 10)
{
    TRpPageList list;
    list.SetCompressed(compressed);
    SavedFile saved;
    for (int n = 1; n <= pages; ++n) {
        saved.pictures.push_back(pagePicture(n, lines));
        list.AppendPage(saved.pictures.back());
    }
    list.WriteHeader();
    list.WriteToFile(qpath(path));
    saved.bytes = readFile(path);
    return saved;
}

// Record starts of a 128-byte layout file, followed through the links.
std::vector<uint32_t> recordStarts(const std::string& bytes, int pages)
{
    std::vector<uint32_t> starts{128};
    for (int n = 1; n < pages; ++n)
        starts.push_back(u32At(bytes, starts.back() + 4));
    return starts;
}

// The same file in the older layout: a 124-byte header and every offset 4 bytes earlier.
std::string toOldLayout(const std::string& bytes, int pages)
{
    std::string old(124, '\0');
    old.replace(0, 5, bytes.substr(0, 5));
    old.replace(8, 4, bytes.substr(8, 4));
    old.replace(12, 8, bytes.substr(16, 8));
    old[20] = bytes[24];
    old[21] = bytes[25];
    old.replace(22, 101, bytes.substr(26, 101));
    old += bytes.substr(128);
    for (uint32_t start : recordStarts(bytes, pages)) {
        const uint32_t next = u32At(bytes, start + 4);
        putU32(old, start - 4 + 4, next - 4);
        putU32(old, next - 4 - 4, start - 4);
    }
    return old;
}

std::vector<std::string> textsOf(const std::string& picture)
{
    gfx::RecordingCanvas canvas;
    gfx::EmfPlayer player(canvas);
    EXPECT_TRUE(player.play(picture, {0, 0, 794, 1123})) << player.error();
    return canvas.texts();
}

// Opens a report file (by name, or its bytes) and loads every page; the message of the first
// error, or "" when all is well.
std::string openAndLoadAll(const std::string& path, const std::string* bytes = nullptr)
{
    try {
        auto list = bytes ? TRpPageList::OpenReport(TRpStream::openBytes(*bytes))
                          : TRpPageList::OpenReportFile(qpath(path));
        for (int n = 1; n <= list->StoredPages(); ++n)
            if (!list->LoadPage(n))
                return "page " + std::to_string(n) + " missing";
        return "";
    } catch (const EReportFileError& e) {
        return e.what();
    }
}

} // namespace

TEST(ReportFile, ASavedStoreOpensAndGivesBackEveryPage)
{
    testsupport::TempDir dir;
    for (const bool compressed : {false, true}) {
        const std::string path = dir.file(compressed ? "c.rpf" : "u.rpf");
        const SavedFile saved = saveStore(path, 3, compressed);
        auto list = TRpPageList::OpenReportFile(qpath(path));
        EXPECT_EQ(list->StoredPages(), 3);
        EXPECT_EQ(list->Compressed(), compressed);
        const ReportFileHeader h = list->Header();
        EXPECT_EQ(h.size, 128);
        EXPECT_EQ(h.LayoutVersion, 3);
        EXPECT_EQ(h.EngineVersion, 309);
        EXPECT_LT(std::abs(fromReportDate(h.Created).secsTo(QDateTime::currentDateTime())), 3600);
        for (int n : {2, 3, 1})
            EXPECT_TRUE(list->LoadPage(n) == saved.pictures[size_t(n - 1)]) << n;
        EXPECT_FALSE(list->LoadPage(4));
        const auto records = list->Records();
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0].offset, 128);
        EXPECT_EQ(records[1].offset, records[0].next);
        EXPECT_EQ(records[2].next, int64_t(saved.bytes.size()));
        EXPECT_EQ(records[1].metafileBytes, saved.pictures[1].size());

        // An opened file saves byte for byte, over an existing file.
        const std::string copy = dir.file("copy.rpf");
        writeFile(copy, "an older file of that name");
        list->WriteToFile(qpath(copy));
        EXPECT_TRUE(readFile(copy) == saved.bytes);
        EXPECT_THROW(list->AppendPage(saved.pictures[0]), EStreamError)
            << "opened files are read-only";
    }
}

TEST(ReportFile, TheOlderLayoutWithA124ByteHeaderIsRead)
{
    testsupport::TempDir dir;
    const SavedFile saved = saveStore(dir.file("new.rpf"), 3, false);
    const std::string oldPath = dir.file("old.rpf");
    writeFile(oldPath, toOldLayout(saved.bytes, 3));
    auto list = TRpPageList::OpenReportFile(qpath(oldPath));
    EXPECT_EQ(list->Header().size, 124);
    EXPECT_EQ(list->StoredPages(), 3);
    double created;
    std::memcpy(&created, saved.bytes.data() + 16, 8);
    EXPECT_EQ(list->Header().Created, created);
    for (int n : {3, 1, 2})
        EXPECT_TRUE(list->LoadPage(n) == saved.pictures[size_t(n - 1)]) << n;

    // A compressed file has no signature to tell its layout by, so it is read as the newer one.
    const SavedFile compressed = saveStore(dir.file("newc.rpf"), 2, true);
    writeFile(oldPath, toOldLayout(compressed.bytes, 2));
    EXPECT_NE(openAndLoadAll(oldPath), "");
}

TEST(ReportFile, FixturesFromEarlierBuildsStillOpen)
{
    struct Fixture
    {
        const char* name;
        int pages;
        bool compressed;
        int headerSize;
    };
    const Fixture fixtures[] = {
        {"report/two-pages.rpf", 2, false, 128},
        {"report/two-pages-compressed.rpf", 2, true, 128},
        {"report/old-layout.rpf", 2, false, 124},
    };
    for (const Fixture& f : fixtures) {
        auto list = TRpPageList::OpenReportFile(qpath(testsupport::dataPath(f.name)));
        EXPECT_EQ(list->StoredPages(), f.pages) << f.name;
        EXPECT_EQ(list->Compressed(), f.compressed) << f.name;
        EXPECT_EQ(list->Header().size, f.headerSize) << f.name;
        for (int n = 1; n <= f.pages; ++n) {
            const auto picture = list->LoadPage(n);
            ASSERT_TRUE(picture) << f.name;
            const auto texts = textsOf(*picture);
            ASSERT_FALSE(texts.empty()) << f.name;
            EXPECT_EQ(texts.front(), text::cp949("거래명세서")) << f.name;
            EXPECT_EQ(texts.back(), "- " + std::to_string(n) + " -") << f.name;
        }
    }
}

TEST(ReportFile, ADamagedFileGivesAClearErrorNamingWhatIsWrong)
{
    testsupport::TempDir dir;
    const SavedFile plain = saveStore(dir.file("plain.rpf"), 3, false, 4);
    const SavedFile packed = saveStore(dir.file("packed.rpf"), 3, true, 4);
    const auto starts = recordStarts(plain.bytes, 3);
    const auto packedStarts = recordStarts(packed.bytes, 3);
    // Offset of page 2's rectangle record inside the file.
    auto rectangleOfPage2 = [&] {
        const size_t emf = starts[1] + 8;
        size_t at = emf;
        while (u32At(plain.bytes, at) != 43) // EMR_RECTANGLE
            at += u32At(plain.bytes, at + 4);
        return at;
    };
    struct Case
    {
        const char* name;
        const SavedFile& base;
        std::function<void(std::string&)> damage;
        const char* message;
    };
    const Case cases[] = {
        {"an empty file", plain, [](std::string& s) { s.clear(); }, "truncated"},
        {"a header cut short", plain, [](std::string& s) { s.resize(100); }, "truncated"},
        {"a file cut inside page 2", plain, [&](std::string& s) { s.resize(starts[1] + 50); },
         "outside the file"},
        {"a file cut after page 2", plain, [&](std::string& s) { s.resize(starts[2]); },
         "holds only 2"},
        {"a page count one too many", plain, [](std::string& s) { putU32(s, 8, 4); },
         "holds only 3"},
        {"a page count one too few", plain, [](std::string& s) { putU32(s, 8, 2); },
         "more data follows"},
        {"a page count beyond the file", plain, [](std::string& s) { putU32(s, 8, 0x7FFFFFFF); },
         "can hold"},
        {"a link outside the file", plain,
         [&](std::string& s) { putU32(s, 132, uint32_t(s.size() + 100)); }, "outside the file"},
        {"a link pointing back", plain,
         [&](std::string& s) { putU32(s, starts[1] + 4, starts[1]); }, "links to"},
        {"a wrong page number", plain, [&](std::string& s) { putU32(s, starts[1], 7); },
         "holds page 7"},
        {"a wrong own offset", plain, [&](std::string& s) { putU32(s, starts[1] - 4, 999); },
         "instead of its own start"},
        {"a picture that is no metafile", plain,
         [&](std::string& s) { s[starts[2] + 8 + 41] = 'X'; }, "not a metafile"},
        {"a metafile longer than its record", plain,
         [&](std::string& s) { putU32(s, starts[0] + 8 + 48, u32At(s, starts[0] + 8 + 48) + 400); },
         "gives a length"},
        {"a damaged record inside a metafile", plain,
         [&](std::string& s) { putU32(s, rectangleOfPage2() + 4, 0); },
         "page 2's picture does not parse"},
        {"an unknown compression mark", plain, [](std::string& s) { s[25] = 7; },
         "compression mark"},
        {"a compressed length beyond its code", packed,
         [&](std::string& s) { putU32(s, packedStarts[1] + 8, 0xFFFFFF00); },
         "coded bytes can hold"},
        {"compressed bits that are not the picture's", packed,
         [&](std::string& s) {
             for (size_t i = packedStarts[1] + 40; i < packedStarts[1] + 60; ++i)
                 s[i] = char(~s[i]);
         },
         "page 2"},
    };
    for (const Case& c : cases) {
        std::string bytes = c.base.bytes;
        c.damage(bytes);
        const std::string path = dir.file("damaged.rpf");
        writeFile(path, bytes);
        const std::string error = openAndLoadAll(path);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": \"" << error << "\"";
        EXPECT_EQ(openAndLoadAll("", &bytes), error) << c.name << ": the same from memory";
        EXPECT_EQ(error.rfind("The report file is", 0), 0u) << c.name << ": \"" << error << "\"";
    }
}

TEST(ReportFile, CorruptingAnyByteGivesAnErrorOrTheFileNeverACrash)
{
    testsupport::TempDir dir;
    for (const bool compressed : {false, true}) {
        const SavedFile good = saveStore(dir.file("small.rpf"), 2, compressed, 0);
        int refused = 0, opened = 0;
        for (size_t at = 0; at < good.bytes.size(); ++at) {
            for (const uint8_t value : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x81)}) {
                std::string bytes = good.bytes;
                if (uint8_t(bytes[at]) == value)
                    continue;
                bytes[at] = char(value);
                (openAndLoadAll("", &bytes).empty() ? opened : refused)++;
            }
        }
        EXPECT_GT(refused, 0) << (compressed ? "compressed" : "plain");
        EXPECT_GT(opened, 0) << "bytes that carry no structure (reserved, colours) may change";
    }
}

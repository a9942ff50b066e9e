#include "gfx/Bitmap.h"
#include "gfx/EmfCanvas.h"
#include "gfx/EmfReader.h"
#include "report/store/ReportFileError.h"
#include "report/store/TRpCompress.h"
#include "report/store/TRpExportFilterLibrary.h"
#include "report/store/TRpPageList.h"
#include "tests/report/store/StoreTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <gtest/gtest.h>
#include <thread>

using namespace report;
using storetest::pagePicture;
using storetest::u32At;

namespace {

std::string streamBytes(TRpPageList& list)
{
    TRpStream& s = list.Stream();
    const int64_t position = s.Position();
    std::string out(size_t(s.Size()), '\0');
    s.Seek(0);
    s.Read(out.data(), int64_t(out.size()));
    s.Seek(position);
    return out;
}

} // namespace

TEST(TRpPageList, AOnePageStoreHasTheHeaderTheRecordAndTheMetafileInPlace)
{
    const std::string picture = pagePicture(1);
    TRpPageList list;
    const double before = toReportDate(QDateTime::currentDateTime());
    list.AppendPage(picture);
    const std::string s = streamBytes(list);

    ASSERT_EQ(s.size(), 128 + 4 + 4 + picture.size() + 4);
    EXPECT_EQ(s[0], 3) << "layout version";
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(uint8_t(s[2]) | uint8_t(s[3]) << 8, 309) << "engine version";
    EXPECT_EQ(u32At(s, 8), 1u) << "page count";
    double created;
    std::memcpy(&created, s.data() + 16, 8);
    EXPECT_GE(created, before);
    EXPECT_LT(created - before, 1.0 / 24) << "written now, as days since 30 December 1899";
    EXPECT_EQ(s[25], 0) << "not compressed";
    for (size_t i : {4, 5, 6, 7, 12, 13, 14, 15, 24})
        EXPECT_EQ(s[i], 0) << "reserved byte " << i;
    EXPECT_EQ(s.substr(26, 102), std::string(102, '\0'));

    EXPECT_EQ(u32At(s, 128), 1u) << "page number";
    EXPECT_EQ(u32At(s, 132), s.size()) << "the link is the end of the record";
    EXPECT_TRUE(s.substr(136, picture.size()) == picture);
    EXPECT_EQ(s.substr(176, 4), " EMF");
    EXPECT_EQ(u32At(s, s.size() - 4), 128u) << "the record's own start";
}

TEST(TRpPageList, PagesComeBackInAnyOrderWithAndWithoutCompression)
{
    for (const bool compressed : {false, true}) {
        TRpPageList list;
        list.SetCompressed(compressed);
        std::vector<std::string> pictures;
        for (int n = 1; n <= 6; ++n) {
            pictures.push_back(pagePicture(n, 5 + n));
            list.AppendPage(pictures.back());
        }
        EXPECT_EQ(list.StoredPages(), 6);
        const int orders[][6] = {
            {1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2, 1}, {3, 1, 5, 2, 6, 4}, {4, 4, 2, 2, 5, 3}};
        for (const auto& order : orders)
            for (int n : order)
                EXPECT_TRUE(list.LoadPage(n) == pictures[size_t(n - 1)])
                    << "page " << n << (compressed ? " compressed" : "");
        for (int n : {0, -1, 7})
            EXPECT_FALSE(list.LoadPage(n)) << "page " << n;

        const std::string s = streamBytes(list);
        EXPECT_EQ(s[25], compressed ? 1 : 0);
        if (compressed) {
            // A compressed record: the picture's length, then its splay code.
            const uint32_t end = u32At(s, 132);
            EXPECT_EQ(u32At(s, 136), pictures[0].size());
            EXPECT_TRUE(s.substr(140, end - 4 - 140) == TRpCompress::encode(pictures[0]));
        }
    }
}

TEST(TRpPageList, AStoreBeyondTheThresholdLivesInATemporaryFileAndKeepsEveryByte)
{
    for (const bool compressed : {false, true}) {
        TRpPageList list;
        list.SetCompressed(compressed);
        std::vector<std::string> pictures;
        while (list.Stream().HeldInMemory()) {
            pictures.push_back(pagePicture(int(pictures.size()) + 1, 40));
            list.AppendPage(pictures.back());
        }
        for (int i = 0; i < 3; ++i) {
            pictures.push_back(pagePicture(int(pictures.size()) + 1, 40));
            list.AppendPage(pictures.back());
        }
        list.WriteHeader();
        EXPECT_FALSE(list.Stream().HeldInMemory());
        for (size_t i = pictures.size(); i > 0; --i)
            EXPECT_TRUE(list.LoadPage(int(i)) == pictures[i - 1]) << "page " << i;
        EXPECT_EQ(u32At(streamBytes(list), 8), pictures.size());
    }
}

TEST(TRpPageList, ClearingForgetsThePagesAndTheirBytes)
{
    TRpPageList list;
    list.AppendPage(pagePicture(1));
    list.AppendPage(pagePicture(2));
    list.Clear();
    EXPECT_EQ(list.StoredPages(), 0);
    EXPECT_FALSE(list.LoadPage(1));
    list.AppendPage(pagePicture(9));
    EXPECT_TRUE(list.LoadPage(1) == pagePicture(9));
    EXPECT_EQ(streamBytes(list).size(), 128 + 12 + pagePicture(9).size());
}

TEST(TRpPageList, OnlyWholeMetafilesArePages)
{
    TRpPageList list;
    const std::string picture = pagePicture(1);
    EXPECT_THROW(
        list.AppendPage("not a picture at all, not even close to one............................."),
        EReportFileError);
    EXPECT_THROW(list.AppendPage(picture.substr(0, picture.size() - 4)), EReportFileError);
    EXPECT_EQ(list.StoredPages(), 0);
}

TEST(TRpPageList, PagesAppendedAndLoadedFromTwoThreadsStayWhole)
{
    TRpPageList list;
    const std::string a = pagePicture(1, 3), b = pagePicture(2, 4);
    constexpr int perThread = 60;
    auto writer = [&](const std::string& picture) {
        for (int i = 0; i < perThread; ++i) {
            list.AppendPage(picture);
            const int n = list.StoredPages();
            const auto loaded = list.LoadPage(n > 1 ? n / 2 : 1);
            EXPECT_TRUE(loaded && (*loaded == a || *loaded == b));
        }
    };
    std::thread first(writer, std::cref(a));
    std::thread second(writer, std::cref(b));
    first.join();
    second.join();
    ASSERT_EQ(list.StoredPages(), 2 * perThread);
    int as = 0;
    for (int n = 1; n <= list.StoredPages(); ++n) {
        const auto page = list.LoadPage(n);
        ASSERT_TRUE(page && (*page == a || *page == b)) << "page " << n;
        as += *page == a;
    }
    EXPECT_EQ(as, perThread);
}

TEST(TRpPageList, TheSaveDialogOffersReportFiles)
{
    EXPECT_EQ(TRpExportFilterLibrary::DialogFilterText(), "Report file(*.RPF)|*.RPF");
}

TEST(ReportFileHeader, DatesCountDaysSinceTheEndOf1899)
{
    const QDateTime noon(QDate(2024, 1, 2), QTime(12, 0));
    EXPECT_DOUBLE_EQ(toReportDate(noon), 45293.5);
    EXPECT_DOUBLE_EQ(toReportDate(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    const QDateTime precise(QDate(2023, 7, 15), QTime(9, 41, 7, 250));
    EXPECT_EQ(fromReportDate(toReportDate(precise)), precise) << "to the millisecond";
}

TEST(TRpPageList, APictureHandedOverInBlocksIsStoredWhole)
{
    // A picture larger than a canvas block, as the page of a statement with its seals is.
    gfx::EmfCanvas canvas(794, 1123);
    canvas.StretchDraw({10, 10, 410, 410}, gfx::Bitmap(300, 300));
    const std::vector<std::string_view> blocks = canvas.finishedBlocks();
    ASSERT_GE(blocks.size(), 3u);
    const std::string whole = canvas.finish();
    for (bool compressed : {false, true}) {
        TRpPageList list;
        list.SetCompressed(compressed);
        list.AppendPage(blocks);
        list.AppendPage(whole);
        EXPECT_TRUE(list.LoadPage(1) == whole) << (compressed ? "compressed" : "plain");
        if (!compressed) {
            EXPECT_TRUE(streamBytes(list).substr(136, whole.size()) == whole);
        }
        EXPECT_TRUE(list.LoadPage(2) == whole);
    }
    const std::string_view all = whole;
    TRpPageList list;
    EXPECT_THROW(list.AppendPage({all.substr(0, 40), all.substr(40)}), EReportFileError)
        << "the header record comes in the first piece";
    EXPECT_THROW(list.AppendPage({all.substr(0, 70000)}), EReportFileError) << "a cut picture";
    EXPECT_EQ(list.StoredPages(), 0);
}

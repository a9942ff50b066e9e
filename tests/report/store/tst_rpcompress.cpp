#include "report/store/ReportFileError.h"
#include "report/store/TRpCompress.h"
#include "tests/report/store/StoreTestSupport.h"

#include <gtest/gtest.h>
#include <random>

using namespace report;

TEST(TRpCompress, FirstCodesFollowTheInitialTreeAndItsSplaying)
{
    struct Case
    {
        const char* name;
        std::string input;
        std::string coded;
    };
    const Case cases[] = {
        // Byte 0 is leaf 256, the right child of node 127 on the all-left path: bits 0000000 1.
        {"byte 0 first", std::string(1, '\0'), "\x80"},
        // Byte 255 is leaf 511, nine levels down on the all-left path: nine zero bits.
        {"byte 255 first", "\xFF", std::string("\0\0", 2)},
        // After splaying leaf 256 hangs right of node 63, right of 15, right of 3, right of the
        // root: the second 0 costs the four bits 1111.
        {"byte 0 twice", std::string(2, '\0'), "\x80\x0F"},
        {"nothing", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TRpCompress::encode(c.input), c.coded) << c.name;
}

TEST(TRpCompress, DecodesWhatItEncodes)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(char(i));
    std::mt19937 random(4711);
    std::string noise(50000, '\0');
    for (char& c : noise)
        c = char(random());
    const struct
    {
        const char* name;
        std::string data;
    } cases[] = {
        {"one byte", "A"},
        {"every byte value", all + all},
        {"a long run of zeros", std::string(10000, '\0')},
        {"random bytes", noise},
        {"a page picture", storetest::pagePicture(1)},
    };
    for (const auto& c : cases) {
        const std::string coded = TRpCompress::encode(c.data);
        EXPECT_TRUE(TRpCompress::decode(coded, c.data.size()) == c.data) << c.name;
    }
    const std::string picture = storetest::pagePicture(1);
    EXPECT_LT(TRpCompress::encode(picture).size(), picture.size() / 2) << "a page picture shrinks";
}

TEST(TRpCompress, DecodesExactlyAsManyBytesAsCountedWhateverPaddingFollows)
{
    const std::string picture = storetest::pagePicture(3);
    const size_t counts[] = {1, 7, 100, picture.size()};
    const std::string paddings[] = {"", std::string(1, '\0'), "\xFF\xFF\xFF", "\x55\xAA"};
    for (size_t k : counts) {
        const std::string data = picture.substr(0, k);
        for (const std::string& padding : paddings) {
            const std::string coded = TRpCompress::encode(data);
            const std::string stream = coded + padding;
            TRpCompress decoder;
            size_t pos = 0;
            std::string out;
            for (size_t i = 0; i < k; ++i)
                out.push_back(char(decoder.DecodeByte(stream, pos)));
            EXPECT_TRUE(out == data) << k << " bytes";
            EXPECT_EQ(decoder.decodeCalls(), k);
            EXPECT_EQ(pos, coded.size()) << "the padding after the code is never read";
        }
    }
}

TEST(TRpCompress, CodedDataThatEndsTooSoonIsAnError)
{
    const std::string data = storetest::pagePicture(2);
    const std::string coded = TRpCompress::encode(data);
    EXPECT_THROW(TRpCompress::decode(coded.substr(0, coded.size() / 2), data.size()),
                 EReportFileError);
    EXPECT_THROW(TRpCompress::decode("", 1), EReportFileError);
}

#include "text/Variant.h"

#include <gtest/gtest.h>

using namespace text;

TEST(Variant, KindsAndTextConversion)
{
    struct Case
    {
        const char* name;
        Variant value;
        Variant::Kind kind;
        std::string text;
    };
    const Case cases[] = {
        {"never written", Variant(), Variant::Kind::Empty, ""},
        {"null", Variant::null(), Variant::Kind::Null, ""},
        {"cp949 string", Variant(std::string("\xB0\xA1")), Variant::Kind::String, "\xB0\xA1"},
        {"empty string is not Empty", Variant(""), Variant::Kind::String, ""},
        {"integer", Variant(-42), Variant::Kind::Integer, "-42"},
        {"double", Variant(2.5), Variant::Kind::Double, "2.5"},
        {"boolean", Variant(true), Variant::Kind::Boolean, "True"},
        {"date", Variant(Date{2004, 3, 9}), Variant::Kind::Date, "2004-03-09"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.kind(), c.kind) << c.name;
        EXPECT_EQ(c.value.toString(), c.text) << c.name;
    }
    EXPECT_TRUE(Variant().isNull());
    EXPECT_FALSE(Variant("").isNull());
    EXPECT_EQ(Variant("a"), Variant(std::string("a")));
    EXPECT_NE(Variant(""), Variant());
}

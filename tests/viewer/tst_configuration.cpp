// The deployment settings read from an INI file, as an administrator writes it.
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"
#include "viewer/Configuration.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

viewer::Configuration readIni(const testsupport::TempDir& dir, const char* utf8)
{
    const std::string path = dir.file("mirola.ini");
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(utf8);
    file.close();
    return viewer::Configuration::fromFile(path);
}

TEST(Configuration, SupplierTextsAreReadWholeQuotedOrNot)
{
    testsupport::TempDir dir;
    const viewer::Configuration c = readIni(dir, "[server]\nhost=stmt.example\nport=1100\n"
                                                 "[supplier]\n"
                                                 "address=서울특별시 중구 세종대로 110, 5층\n"
                                                 "name=\"(주)한빛, 본사\"\n"
                                                 "businessItem=문구,사무용품\n");
    EXPECT_EQ(c.host, "stmt.example");
    EXPECT_EQ(c.port, 1100);
    EXPECT_EQ(text::fromCp949(c.supplier.address).toStdString(),
              "서울특별시 중구 세종대로 110, 5층");
    EXPECT_EQ(text::fromCp949(c.supplier.name).toStdString(), "(주)한빛, 본사");
    EXPECT_EQ(text::fromCp949(c.supplier.businessItem).toStdString(), "문구, 사무용품");
    // What the file leaves out keeps its built-in value.
    EXPECT_EQ(c.supplier.representative, viewer::Configuration::defaults().supplier.representative);
}

// Quotes in a name: written as they are, or inside a quoted value as \", they print as written.
TEST(Configuration, QuotesInATextAreKept)
{
    testsupport::TempDir dir;
    const viewer::Configuration c =
        readIni(dir, "[supplier]\n"
                     "name=주식회사 \"가나\" 상사\n"
                     "representative=\"김 \\\"대표\\\", 이 \\\"부대표\\\"\"\n"
                     "businessItem=(주)\"한빛\"유통\n");
    EXPECT_EQ(text::fromCp949(c.supplier.name).toStdString(), "주식회사 \"가나\" 상사");
    EXPECT_EQ(text::fromCp949(c.supplier.representative).toStdString(),
              "김 \"대표\", 이 \"부대표\"");
    EXPECT_EQ(text::fromCp949(c.supplier.businessItem).toStdString(), "(주)\"한빛\"유통");
}

} // namespace

// The deployment settings read from an INI file, as an administrator writes it.
#include "tests/support/TestCertificates.h"
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

// The server section's TLS keys: tls on or off, and a CA file relative to the settings file that
// must hold a certificate, which turns TLS on unless tls says off.
TEST(Configuration, TlsAndItsTrustedCertificates)
{
    testsupport::TempDir dir;
    QFile pem(QString::fromStdString(dir.file("ca.pem")));
    ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
    testsupport::TestCertificates certificates;
    std::string error;
    ASSERT_TRUE(certificates.make(error)) << error;
    QFile ca(QString::fromStdString(certificates.ca));
    ASSERT_TRUE(ca.open(QIODevice::ReadOnly));
    pem.write(ca.readAll());
    pem.close();
    QFile(QString::fromStdString(dir.file("empty.pem"))).open(QIODevice::WriteOnly);

    struct Case
    {
        const char* name;
        const char* ini;
        bool tls;
        bool withCa;
        const char* refusal; // nullptr when read
    };
    const Case cases[] = {
        {"nothing said: plain", "[server]\nhost=h\n", false, false, nullptr},
        {"tls on", "[server]\ntls=on\n", true, false, nullptr},
        {"tls off", "[server]\ntls=OFF\n", false, false, nullptr},
        {"a CA file turns it on", "[server]\nca=ca.pem\n", true, true, nullptr},
        {"a CA file with tls off", "[server]\ntls=off\nca=ca.pem\n", false, true, nullptr},
        {"tls neither on nor off", "[server]\ntls=yes please\n", false, false, "bad server/tls"},
        {"a CA file that is not there", "[server]\nca=none.pem\n", false, false, "bad server/ca"},
        {"a CA file without a certificate", "[server]\nca=empty.pem\n", false, false,
         "holds no PEM certificate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.refusal) {
            try {
                readIni(dir, c.ini);
                ADD_FAILURE() << "read";
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
            }
            continue;
        }
        const viewer::Configuration config = readIni(dir, c.ini);
        EXPECT_EQ(config.tls, c.tls);
        EXPECT_EQ(config.ca, c.withCa ? dir.file("ca.pem") : std::string());
    }
}

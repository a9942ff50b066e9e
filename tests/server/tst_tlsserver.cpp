// The statement server's TLS port, the real program: the same frames as on the plain port,
// hostile handshakes closed within the deadline, resumption, and a certificate read again on
// SIGHUP while an older connection completes its chain.
#include "exchange/RequestTexts.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::metricsPage;
using testsupport::RawClient;
using testsupport::ServerProcess;
using testsupport::waitUntil;

namespace {

class TlsServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(certificates.make(error)) << error;
        // Copies, so that a test can put a renewal in their place.
        certificate = dir.file("server.pem");
        key = dir.file("server.key");
        ASSERT_TRUE(QFile::copy(QString::fromStdString(certificates.good.certificate),
                                QString::fromStdString(certificate)));
        ASSERT_TRUE(QFile::copy(QString::fromStdString(certificates.good.key),
                                QString::fromStdString(key)));
    }

    bool start(const QStringList& more = {})
    {
        const bool up = server.start(
            QStringList{u"--db"_s, QString::fromStdString("sqlite:" + dir.file("s.sqlite")),
                        u"--tls-listen"_s, u"127.0.0.1:0"_s, u"--tls-cert"_s,
                        QString::fromStdString(certificate), u"--tls-key"_s,
                        QString::fromStdString(key), u"--metrics"_s, u"127.0.0.1:0"_s} +
            more);
        const auto match = QRegularExpression(u"metrics on 127\\.0\\.0\\.1:(\\d+)"_s)
                               .match(QString::fromStdString(server.errorOutput()));
        metricsPort = match.hasMatch() ? quint16(match.captured(1).toUInt()) : 0;
        return up && server.tlsPort() != 0 && metricsPort != 0;
    }

    RawClient::Tls trusting(const QByteArray& ticket = {}) const
    {
        return RawClient::Tls{certificates.ca, ticket};
    }

    static std::vector<std::string> companies(RawClient& client)
    {
        return client.request(std::string(exchange::makeKeyFields), exchange::makeKeyText());
    }

    testsupport::TempDir dir;
    testsupport::TestCertificates certificates;
    std::string certificate;
    std::string key;
    ServerProcess server;
    quint16 metricsPort = 0;
};

} // namespace

TEST_F(TlsServerTest, TheTlsPortAnswersWithThePlainPortsFramesAndResumesTheNextConnection)
{
    ASSERT_TRUE(start()) << server.errorOutput();
    RawClient plain(server.port());
    const std::vector<std::string> expected = companies(plain);
    ASSERT_EQ(expected.size(), 7u);

    RawClient first(server.tlsPort(), trusting());
    ASSERT_TRUE(first.connected()) << first.tlsError().toStdString();
    EXPECT_EQ(companies(first), expected);
    const std::string custFields(exchange::makeCustFields);
    const std::string search = exchange::makeCustText("50001", "1234");
    RawClient plainSearch(server.port());
    EXPECT_EQ(first.request(custFields, search), plainSearch.request(custFields, search));
    const QByteArray ticket = first.sessionTicket();
    ASSERT_FALSE(ticket.isEmpty());

    // The click on another date: a second connection, on the first one's session.
    RawClient second(server.tlsPort(), trusting(ticket));
    ASSERT_TRUE(second.connected()) << second.tlsError().toStdString();
    EXPECT_EQ(companies(second), expected);

    const std::string page = metricsPage(metricsPort);
    for (const char* line : {"\nmirola_tls_handshakes_total 2\n", "\nmirola_tls_resumed_total 1\n",
                             "\nmirola_tls_connections_open 2\n"})
        EXPECT_NE(page.find(line), std::string::npos) << line << "\n" << page;
}

TEST_F(TlsServerTest, TheTlsPortAloneServesNoPlainPort)
{
    testsupport::TempDir other;
    QProcess alone;
    alone.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM),
                {u"--db"_s, QString::fromStdString("sqlite:" + other.file("s.sqlite")),
                 u"--tls-listen"_s, u"127.0.0.1:0"_s, u"--tls-cert"_s,
                 QString::fromStdString(certificate), u"--tls-key"_s, QString::fromStdString(key)});
    QByteArray said;
    ASSERT_TRUE(waitUntil(
        [&] {
            said += alone.readAllStandardError();
            return said.contains("statements in");
        },
        30000));
    EXPECT_TRUE(said.contains("listening with TLS on 127.0.0.1:")) << said.toStdString();
    EXPECT_FALSE(said.contains("listening on")) << said.toStdString();
    alone.terminate();
    alone.waitForFinished(10000);
}

TEST_F(TlsServerTest, BadTlsArgumentsStopTheStartWithAReason)
{
    struct Case
    {
        const char* name;
        QStringList arguments;
        const char* says;
    };
    const QString good = QString::fromStdString(certificate);
    const QString goodKey = QString::fromStdString(key);
    const QString otherKey = QString::fromStdString(certificates.renewed.key);
    const Case cases[] = {
        {"a port without a certificate",
         {u"--tls-listen"_s, u"127.0.0.1:0"_s},
         "--tls-listen, --tls-cert and --tls-key go together"},
        {"a certificate without a port",
         {u"--tls-cert"_s, good, u"--tls-key"_s, goodKey},
         "--tls-listen, --tls-cert and --tls-key go together"},
        {"a key of another certificate",
         {u"--tls-listen"_s, u"127.0.0.1:0"_s, u"--tls-cert"_s, good, u"--tls-key"_s, otherKey},
         "does not belong to the certificate"},
        {"a certificate file that is none",
         {u"--tls-listen"_s, u"127.0.0.1:0"_s, u"--tls-cert"_s, goodKey, u"--tls-key"_s, goodKey},
         "cannot be used"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess p;
        p.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM),
                QStringList{u"--db"_s, QString::fromStdString("sqlite:" + dir.file("bad.sqlite"))} +
                    c.arguments);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_NE(p.exitCode(), 0);
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
    }
}

TEST_F(TlsServerTest, HostileHandshakesAreClosedWithinTheDeadlineAndOthersServed)
{
    ASSERT_TRUE(start({u"--request-timeout"_s, u"1"_s, u"--idle-timeout"_s, u"30"_s}))
        << server.errorOutput();
    // A handshake that trickles: a record header, then nothing more.
    RawClient trickle(server.tlsPort(), u"127.0.0.2"_s);
    trickle.send(std::string("\x16\x03\x01", 3));
    // Garbage in place of a ClientHello.
    RawClient garbage(server.tlsPort(), u"127.0.0.3"_s);
    garbage.send("GET / HTTP/1.0\r\n\r\n");
    // A plain viewer on the TLS port.
    RawClient plainOnTls(server.tlsPort(), u"127.0.0.4"_s);
    plainOnTls.send(
        exchange::formFrame(std::string(exchange::makeKeyFields), exchange::makeKeyText()));
    // A TLS viewer on the plain port.
    RawClient tlsOnPlain(server.port(), trusting(), u"127.0.0.5"_s);
    EXPECT_FALSE(tlsOnPlain.connected());
    EXPECT_FALSE(tlsOnPlain.tlsError().isEmpty());

    EXPECT_TRUE(garbage.waitForClose(5000));
    EXPECT_TRUE(plainOnTls.waitForClose(5000));
    EXPECT_TRUE(trickle.waitForClose(10000));
    EXPECT_TRUE(server.waitForOutput(
        "127.0.0.2 closed: TLS handshake failed: not complete within the request deadline"));
    EXPECT_TRUE(server.waitForOutput("127.0.0.3 closed: TLS handshake failed: not TLS"));
    EXPECT_TRUE(server.waitForOutput("127.0.0.4 closed: TLS handshake failed: not TLS"));
    EXPECT_TRUE(server.waitForOutput("127.0.0.5 closed: sent a frame length that cannot be read"));

    RawClient other(server.tlsPort(), trusting(), u"127.0.0.6"_s);
    ASSERT_TRUE(other.connected()) << other.tlsError().toStdString();
    EXPECT_EQ(companies(other).size(), 7u);
    const std::string page = metricsPage(metricsPort);
    for (const char* line : {"\nmirola_tls_handshake_failures_total{reason=\"not_tls\"} 2\n",
                             "\nmirola_tls_handshake_failures_total{reason=\"deadline\"} 1\n"})
        EXPECT_NE(page.find(line), std::string::npos) << line << "\n" << page;
}

TEST_F(TlsServerTest, HandshakesCountInTheCapOfTheirAddress)
{
    ASSERT_TRUE(start({u"--max-per-address"_s, u"2"_s})) << server.errorOutput();
    RawClient a(server.tlsPort(), u"127.0.0.2"_s);
    RawClient b(server.tlsPort(), u"127.0.0.2"_s);
    ASSERT_TRUE(a.connected() && b.connected());
    RawClient third(server.tlsPort(), trusting(), u"127.0.0.2"_s);
    EXPECT_FALSE(third.connected());
    EXPECT_TRUE(server.waitForOutput("127.0.0.2 refused: 2 connections from this address"));
}

TEST_F(TlsServerTest, ANewCertificateAfterSighupWhileAnOlderConnectionCompletesItsChain)
{
    ASSERT_TRUE(start()) << server.errorOutput();
    RawClient old(server.tlsPort(), trusting());
    ASSERT_TRUE(old.connected()) << old.tlsError().toStdString();
    const QByteArray oldSerial = old.peerSerial();
    ASSERT_EQ(companies(old).size(), 7u);

    // A broken pair first: the certificate in use stays.
    std::ofstream(certificate) << "not a certificate\n";
    ASSERT_EQ(::kill(pid_t(server.pid()), SIGHUP), 0);
    EXPECT_TRUE(server.waitForOutput("certificate not read again, the one in use stays"));
    RawClient during(server.tlsPort(), trusting());
    ASSERT_TRUE(during.connected()) << during.tlsError().toStdString();
    EXPECT_EQ(during.peerSerial(), oldSerial);

    for (const auto& [from, to] : {std::pair{certificates.renewed.certificate, certificate},
                                   std::pair{certificates.renewed.key, key}}) {
        QFile::remove(QString::fromStdString(to));
        ASSERT_TRUE(QFile::copy(QString::fromStdString(from), QString::fromStdString(to)));
    }
    ASSERT_EQ(::kill(pid_t(server.pid()), SIGHUP), 0);
    EXPECT_TRUE(server.waitForOutput("certificate read again"));
    RawClient renewed(server.tlsPort(), trusting());
    ASSERT_TRUE(renewed.connected()) << renewed.tlsError().toStdString();
    EXPECT_NE(renewed.peerSerial(), oldSerial);
    EXPECT_EQ(companies(renewed).size(), 7u);

    // The older connection was never dropped: its chain goes on.
    EXPECT_TRUE(old.connected());
    const std::string custFields(exchange::makeCustFields);
    const std::string search = exchange::makeCustText("50001", "1234");
    RawClient plain(server.port());
    const std::vector<std::string> expected = plain.request(custFields, search);
    ASSERT_GT(expected.size(), 2u);
    EXPECT_EQ(old.request(custFields, search), expected);
    const std::string page = metricsPage(metricsPort);
    for (const char* line : {"\nmirola_tls_reloads_total{result=\"loaded\"} 1\n",
                             "\nmirola_tls_reloads_total{result=\"failed\"} 1\n"})
        EXPECT_NE(page.find(line), std::string::npos) << line << "\n" << page;
}

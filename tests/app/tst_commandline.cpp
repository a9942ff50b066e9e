// The mirola program as a script meets it: what each subcommand takes, what it refuses, and how
// a failed exchange ends.
#include "report/store/TRpPageList.h"
#include "tests/exchange/ScriptedPeer.h"
#include "tests/report/print/PdfTools.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <csignal>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::serverFrame;
using testsupport::waitUntil;

namespace {

struct ProgramRun
{
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the real program, as cron or su would, without XDG_RUNTIME_DIR; the test's own event
// loop keeps turning, for a peer it plays. `input` is its standard input; the shell runs
// `shellPrefix` (limits a case sets) before it.
ProgramRun runMirola(const QStringList& arguments, const QByteArray& input = {},
                     const QString& shellPrefix = {})
{
    QProcess p;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"XDG_RUNTIME_DIR"_s);
    p.setProcessEnvironment(environment);
    if (shellPrefix.isEmpty())
        p.start(QString::fromUtf8(MIROLA_PROGRAM), arguments);
    else
        p.start(u"/bin/sh"_s, QStringList{u"-c"_s, shellPrefix + u" exec \"$0\" \"$@\""_s,
                                          QString::fromUtf8(MIROLA_PROGRAM)} +
                                  arguments);
    ProgramRun run;
    if (!p.waitForStarted())
        return run;
    p.write(input);
    p.closeWriteChannel();
    if (!waitUntil([&] { return p.state() == QProcess::NotRunning; }, 30000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput().toStdString();
    run.err = p.readAllStandardError().toStdString();
    return run;
}

// The lines the program itself wrote on stderr (the platform may add notes of its own).
std::vector<std::string> ownLines(const std::string& err)
{
    std::vector<std::string> lines;
    for (const QString& line : QString::fromStdString(err).split(u'\n'))
        if (line.startsWith(u"mirola"_s))
            lines.push_back(line.toStdString());
    return lines;
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Answers the company list, the particulars and the trading dates `dateRows` (MAKEDATE rows) as
// a statement server would; false for any other frame, which the test answers itself.
bool answerSearch(testsupport::ScriptedPeer& peer, const exchange::Frame& f,
                  const std::string& dateRows)
{
    if (f.command == "MAKEKEY")
        peer.send(serverFrame("MAKEKEY", "DATA", "59001|Cut Trading|02|") +
                  serverFrame("MAKEKEY", "END"));
    else if (f.command == "MAKECUST")
        peer.send(serverFrame("MAKECUST", "DATA",
                              "101-81-00001|Cut Trading|Kim|Seoul |Main 1|Retail|Paper|") +
                  serverFrame("MAKECUST", "END"));
    else if (f.command == "MAKEDATE")
        peer.send(dateRows + serverFrame("MAKEDATE", "END"));
    else
        return false;
    return true;
}

// A server whose March 2004 holds one statement of one line, answered whole.
void playOneStatement(testsupport::ScriptedPeer& peer)
{
    peer.onFrame = [&peer](const std::string& frame) {
        const exchange::Frame f = exchange::parseFrame(frame);
        if (f.type != "DATA" ||
            answerSearch(peer, f, serverFrame("MAKEDATE", "DATA", "2004-03-01|1|59001||SU1|")))
            return;
        peer.send(serverFrame("MAKEDATA", "DATA", "2004-03-01|1|1|A|a|1|EA|100|100|10|") +
                  serverFrame("MAKEDATA", "END"));
    };
}

// Exports the one statement `peer` plays to `out`.
QStringList exportOfTheStatement(const testsupport::ScriptedPeer& peer, const QString& out)
{
    return {u"export"_s,    u"--server"_s, u"127.0.0.1:"_s + QString::number(peer.port()),
            u"--company"_s, u"59001"_s,    u"--password"_s,
            u"1"_s,         u"--year"_s,   u"2004"_s,
            u"--from"_s,    u"3"_s,        u"--to"_s,
            u"3"_s,         u"--out"_s,    out};
}

} // namespace

TEST(CommandLine, EachSubcommandTakesItsOwnOptionsOnly)
{
    struct Case
    {
        const char* name;
        QStringList arguments;
        int status;
        const char* says; // in stdout for status 0, in the one stderr line otherwise
    };
    const QString server = u"127.0.0.1:"_s + QString::number(closedPort());
    const std::vector<Case> cases = {
        {"an option of another subcommand",
         {u"control"_s, u"idl"_s, u"--dpi"_s, u"5"_s, u"--company"_s, u"x"_s},
         2,
         "mirola control: Unknown options: dpi, company."},
        {"an unknown option",
         {u"fetch"_s, u"--colour"_s},
         2,
         "mirola fetch: Unknown option 'colour'."},
        {"a missing value",
         {u"fetch"_s, u"--company"_s, u"1"_s, u"--server"_s},
         2,
         "mirola fetch: Missing value after '--server'."},
        {"a required option left out",
         {u"export"_s, u"--server"_s, server, u"--company"_s, u"1"_s, u"--password"_s, u"2"_s},
         2,
         "mirola export: needs --out FILE"},
        {"no server", {u"companies"_s}, 2, "mirola companies: needs --server HOST:PORT"},
        {"a server without a port",
         {u"companies"_s, u"--server"_s, u"here"_s},
         2,
         "mirola companies: --server wants HOST:PORT, not 'here'"},
        {"a number that is none",
         {u"fetch"_s, u"--server"_s, server, u"--company"_s, u"1"_s, u"--password"_s, u"2"_s,
          u"--year"_s, u"20x6"_s},
         2,
         "mirola fetch: --year wants a whole number 1 to 9999, not '20x6'"},
        {"an argument too many",
         {u"companies"_s, u"extra"_s},
         2,
         "mirola companies: unexpected argument 'extra'"},
        {"an unknown command", {u"frob"_s}, 2, "mirola: unknown command 'frob'"},
        {"report without what to do",
         {u"report"_s},
         2,
         "mirola report: wants info, render or eval"},
        {"render without --out",
         {u"report"_s, u"render"_s, u"a.rpf"_s},
         2,
         "mirola report render: needs --out F.png|F.svg|F.emf"},
        {"control without what to write",
         {u"control"_s},
         2,
         "mirola control: wants regfile [LIBRARY_PATH] | idl | rc"},
        {"the window's options", {u"--company"_s, u"1"_s}, 2, "mirola: Unknown option 'company'."},
        {"help of a subcommand", {u"export"_s, u"--help"_s}, 0, "--out FILE"},
        {"help of the window", {u"-h"_s}, 0, "commands: companies, fetch, export"},
        {"version of a subcommand", {u"report"_s, u"info"_s, u"--version"_s}, 0, "mirola 1."},
        {"version of the window", {u"--version"_s}, 0, "mirola 1."},
        {"version of the web page", {u"web"_s, u"--version"_s}, 0, "mirola 1."},
        {"help of the report tools", {u"report"_s, u"--help"_s}, 0, "info    header and pages"},
        {"an expression that starts with a minus", {u"report"_s, u"eval"_s, u"-1+3"_s}, 0, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRun run = runMirola(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.status == 0) {
            EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
            EXPECT_TRUE(ownLines(run.err).empty()) << run.err;
        } else {
            const std::vector<std::string> lines = ownLines(run.err);
            ASSERT_EQ(lines.size(), 1u) << run.err;
            EXPECT_EQ(lines[0].rfind(c.says, 0), 0u) << lines[0];
            EXPECT_TRUE(run.out.empty());
        }
    }
}

TEST(CommandLine, FailedExchangesEndNonZeroAndLeaveNoFile)
{
    // A server that answers the company list, the particulars and the dates, and closes after
    // the first of two statement lines.
    testsupport::ScriptedPeer peer;
    peer.onFrame = [&](const std::string& frame) {
        const exchange::Frame f = exchange::parseFrame(frame);
        if (f.type != "DATA" ||
            answerSearch(peer, f, serverFrame("MAKEDATE", "DATA", "2004-03-01|1|59001||SU1|")))
            return;
        if (f.command == "MAKEDATA") {
            peer.send(serverFrame("MAKEDATA", "DATA", "2004-03-01|1|1|A|a|1|EA|100|100|10|"));
            peer.closeConnection();
        }
    };
    // One that closes inside the date list; the statement lines, if asked for, would come whole.
    testsupport::ScriptedPeer datesPeer;
    datesPeer.onFrame = [&](const std::string& frame) {
        const exchange::Frame f = exchange::parseFrame(frame);
        if (f.type != "DATA")
            return;
        if (f.command == "MAKEDATE") {
            datesPeer.send(serverFrame("MAKEDATE", "DATA", "2004-03-01|1|59001||SU1|"));
            datesPeer.closeConnection();
        } else if (!answerSearch(datesPeer, f, {})) {
            datesPeer.send(serverFrame("MAKEDATA", "DATA", "2004-03-01|1|1|A|a|1|EA|100|100|10|") +
                           serverFrame("MAKEDATA", "END"));
        }
    };
    const QString cutServer = u"127.0.0.1:"_s + QString::number(peer.port());
    const QString datesCutServer = u"127.0.0.1:"_s + QString::number(datesPeer.port());
    const QString refusedServer = u"127.0.0.1:"_s + QString::number(closedPort());
    const QString unknownServer = u"no-such-host.invalid:1021"_s;
    const QStringList statement = {u"--company"_s, u"59001"_s, u"--password"_s, u"1"_s,
                                   u"--year"_s,    u"2004"_s,  u"--from"_s,     u"3"_s,
                                   u"--to"_s,      u"3"_s};
    struct Case
    {
        const char* name;
        QString server;
        const char* says; // UTF-8
    };
    const Case cases[] = {
        {"the lines cut off", cutServer,
         "이(가) 품목을 보내는 도중에 연결을 끊었습니다 (1건 받음)."},
        {"the date list cut off", datesCutServer,
         "이(가) 거래일자 목록을 보내는 도중에 연결을 끊었습니다 (1건 받음)."},
        {"a refused connection", refusedServer, "에 연결할 수 없습니다: 연결이 거부되었습니다."},
        {"an unknown host", unknownServer, "에 연결할 수 없습니다: 서버 이름을 찾을 수 없습니다."},
    };
    for (const Case& c : cases) {
        for (const QString& command : {u"fetch"_s, u"export"_s}) {
            SCOPED_TRACE(std::string(c.name) + ", " + command.toStdString());
            testsupport::TempDir dir;
            QStringList arguments = QStringList{command, u"--server"_s, c.server} + statement;
            if (command == u"export"_s)
                arguments << u"--out"_s << QString::fromStdString(dir.file("statement.pdf"));
            const ProgramRun run = runMirola(arguments);
            EXPECT_EQ(run.status, 1);
            const std::vector<std::string> lines = ownLines(run.err);
            ASSERT_EQ(lines.size(), 1u) << run.err;
            const std::string expected = "mirola: 서버 " + c.server.toStdString() + c.says;
            EXPECT_EQ(lines[0], expected);
            EXPECT_TRUE(QDir(QString::fromStdString(dir.path()))
                            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)
                            .isEmpty())
                << "nothing is left behind";
        }
    }

    // The same server, answering whole: fetch prints the statement, export writes the file.
    peer.onFrame = [&, first = peer.onFrame](const std::string& frame) {
        const exchange::Frame f = exchange::parseFrame(frame);
        if (f.type == "DATA" && f.command == "MAKEDATA")
            peer.send(serverFrame("MAKEDATA", "DATA", "2004-03-01|1|1|A|a|1|EA|100|100|10|") +
                      serverFrame("MAKEDATA", "END"));
        else
            first(frame);
    };
    testsupport::TempDir dir;
    const ProgramRun fetched =
        runMirola(QStringList{u"fetch"_s, u"--server"_s, cutServer} + statement);
    EXPECT_EQ(fetched.status, 0) << fetched.err;
    EXPECT_NE(fetched.out.find("TOTCOUNT\t1"), std::string::npos) << fetched.out;
    const QString out = QString::fromStdString(dir.file("statement.pdf"));
    const ProgramRun exported = runMirola(QStringList{u"export"_s, u"--server"_s, cutServer} +
                                          statement + QStringList{u"--out"_s, out});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(QDir(QString::fromStdString(dir.path()))
                  .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{u"statement.pdf"_s});
    EXPECT_TRUE(QFileInfo(out).size() > 0);

    // Written again by another process, the statement is the same file but for its date.
    const QString again = QString::fromStdString(dir.file("again.pdf"));
    const ProgramRun second = runMirola(QStringList{u"export"_s, u"--server"_s, cutServer} +
                                        statement + QStringList{u"--out"_s, again});
    EXPECT_EQ(second.status, 0) << second.err;
    const auto undated = [](const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return QString::fromLatin1(file.readAll())
            .replace(QRegularExpression(u"/CreationDate \\(D:[^)]*\\)"_s), u"/CreationDate ()"_s);
    };
    const QString first = undated(out);
    EXPECT_TRUE(first.contains(u"/CreationDate ()"_s)) << "the date is where it is looked for";
    EXPECT_TRUE(first == undated(again)) << "two writings of one statement differ";
}

namespace {

// Three statements of company 59001 in July and August 2004, listed out of date order: 14 lines
// on 07-03 (two pages), 2 on 07-15, 40 on 08-02 (four pages).
bool addPeriod(const std::string& dbPath, std::string& error)
{
    QStringList statements = {
        u"INSERT INTO posts VALUES ('P59001', '서울특별시 종로구 ')"_s,
        u"INSERT INTO custs VALUES ('59001', '(주)예시상사', '02-000-0000', '101-81-00001',"
        " '이예시', 'P59001', '종로 1', '소매', '문구', '0715', 0)"_s,
        u"INSERT INTO items VALUES ('TA', 'A', 'EA')"_s,
        u"INSERT INTO subulm VALUES ('2004-08-02', 1, '59001', 'SU1')"_s,
        u"INSERT INTO subulm VALUES ('2004-07-15', 3, '59001', 'SU1')"_s,
        u"INSERT INTO subulm VALUES ('2004-07-03', 1, '59001', 'SU1')"_s,
    };
    const std::tuple<const char*, int, const char*> lines[] = {
        {"2004-07-03", 14, "early"}, {"2004-07-15", 2, "middle"}, {"2004-08-02", 40, "late"}};
    for (const auto& [date, count, word] : lines)
        for (int i = 1; i <= count; ++i)
            statements
                << u"INSERT INTO subuld VALUES ('%1', %2, %3, 'TA', '%4 %3', 1, 100, 100, 10)"_s
                       .arg(QString::fromLatin1(date))
                       .arg(QString::fromLatin1(date) == u"2004-07-15"_s ? 3 : 1)
                       .arg(i)
                       .arg(QString::fromLatin1(word));
    return testsupport::runSql(dbPath, statements, error);
}

// Whether `words` stand in `text` as whole words ("line 1" is not in "line 14").
bool hasWords(const QString& text, const char* words)
{
    const QString escaped = QRegularExpression::escape(QString::fromLatin1(words));
    return text.contains(QRegularExpression(u"(^|\\s)"_s + escaped + u"(\\s|$)"_s));
}

} // namespace

// The server's TLS port: fetch and export verify its certificate and print what the plain port
// gives; each wrong certificate is refused with its reason before any request goes out, and a
// refusal is never followed by a plain connection.
TEST(CommandLine, OverTlsTheRightCertificateServesAndEachWrongOneIsRefusedWithItsReason)
{
    testsupport::TestCertificates certificates;
    std::string error;
    ASSERT_TRUE(certificates.make(error)) << error;
    testsupport::TempDir dir;
    const auto serve = [&](testsupport::ServerProcess& server,
                           const testsupport::TestCertificates::Pair& pair) {
        return server.start({u"--db"_s, QString::fromStdString("sqlite:" + dir.file("s.sqlite")),
                             u"--tls-listen"_s, u"127.0.0.1:0"_s, u"--tls-cert"_s,
                             QString::fromStdString(pair.certificate), u"--tls-key"_s,
                             QString::fromStdString(pair.key), u"--metrics"_s, u"127.0.0.1:0"_s}) &&
               server.tlsPort() != 0;
    };
    const QString ca = QString::fromStdString(certificates.ca);
    const QStringList statement = {u"--company"_s, u"50001"_s, u"--password"_s, u"1234"_s};
    {
        testsupport::ServerProcess server;
        ASSERT_TRUE(serve(server, certificates.good)) << server.errorOutput();
        const QString plain = u"127.0.0.1:"_s + QString::number(server.port());
        const QString tls = u"127.0.0.1:"_s + QString::number(server.tlsPort());
        const ProgramRun expected =
            runMirola(QStringList{u"fetch"_s, u"--server"_s, plain} + statement);
        ASSERT_EQ(expected.status, 0) << expected.err;
        const ProgramRun fetched =
            runMirola(QStringList{u"fetch"_s, u"--server"_s, tls, u"--ca"_s, ca} + statement);
        EXPECT_EQ(fetched.status, 0) << fetched.err;
        EXPECT_EQ(fetched.out, expected.out);
        // The click on the date is a second connection, which resumes the search's session.
        const ProgramRun clicked = runMirola(
            QStringList{u"fetch"_s, u"--server"_s, tls, u"--ca"_s, ca, u"--date"_s, u"2"_s} +
            statement);
        EXPECT_EQ(clicked.status, 0) << clicked.err;
        const auto metrics = QRegularExpression(u"metrics on 127\\.0\\.0\\.1:(\\d+)"_s)
                                 .match(QString::fromStdString(server.errorOutput()));
        ASSERT_TRUE(metrics.hasMatch());
        const std::string body = testsupport::metricsPage(quint16(metrics.captured(1).toUInt()));
        EXPECT_TRUE(QRegularExpression(u"\nmirola_tls_resumed_total [1-9]"_s)
                        .match(QString::fromStdString(body))
                        .hasMatch())
            << body;
        // The certificate names localhost as well.
        const ProgramRun byName = runMirola({u"companies"_s, u"--server"_s,
                                             u"localhost:"_s + QString::number(server.tlsPort()),
                                             u"--tls"_s, u"--ca"_s, ca});
        EXPECT_EQ(byName.status, 0) << byName.err;
        EXPECT_NE(byName.out.find("50001"), std::string::npos) << byName.out;
        const QString pdf = QString::fromStdString(dir.file("tls.pdf"));
        const ProgramRun exported =
            runMirola(QStringList{u"export"_s, u"--server"_s, tls, u"--ca"_s, ca, u"--out"_s, pdf} +
                      statement);
        EXPECT_EQ(exported.status, 0) << exported.err;
        EXPECT_TRUE(QFile::exists(pdf));
        // Without the test's CA, the system's trusted issuers do not know it.
        const ProgramRun untrusted = runMirola({u"companies"_s, u"--server"_s, tls, u"--tls"_s});
        EXPECT_EQ(untrusted.status, 1) << untrusted.err;
        EXPECT_NE(untrusted.err.find("신뢰할 수 없는 발급자"), std::string::npos) << untrusted.err;
        // TLS to the plain port fails; nothing is tried without TLS.
        const ProgramRun onPlain = runMirola({u"companies"_s, u"--server"_s, plain, u"--ca"_s, ca});
        EXPECT_EQ(onPlain.status, 1) << onPlain.err;
        EXPECT_NE(onPlain.err.find("TLS"), std::string::npos) << onPlain.err;
        EXPECT_TRUE(server.waitForOutput("closed: sent a frame length that cannot be read"));
    }
    struct Case
    {
        const char* name;
        const testsupport::TestCertificates::Pair& pair;
        const char* reason;
    };
    const Case cases[] = {
        {"expired", certificates.expired, "인증서가 만료되었습니다"},
        {"for another name", certificates.wrongName, "이름 불일치"},
        {"self-signed", certificates.selfSigned, "신뢰할 수 없는 발급자"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::ServerProcess server;
        ASSERT_TRUE(serve(server, c.pair)) << server.errorOutput();
        const ProgramRun run = runMirola(
            QStringList{u"fetch"_s, u"--server"_s,
                        u"127.0.0.1:"_s + QString::number(server.tlsPort()), u"--ca"_s, ca} +
            statement);
        EXPECT_EQ(run.status, 1) << run.err;
        const std::vector<std::string> lines = ownLines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_NE(lines[0].find("인증서를 받아들일 수 없어 연결하지 않았습니다"), std::string::npos)
            << lines[0];
        EXPECT_NE(lines[0].find(c.reason), std::string::npos) << lines[0];
        EXPECT_TRUE(run.out.empty());
        EXPECT_TRUE(server.waitForOutput("closed: TLS handshake failed"));
        EXPECT_EQ(server.errorOutput().find("127.0.0.1 MAKE"), std::string::npos)
            << "a request was answered: " << server.errorOutput();
    }
}

TEST(CommandLine, ExportAllWritesThePeriodInDateOrder)
{
    testsupport::TempDir dir;
    const std::string db = dir.file("demo.sqlite");
    testsupport::ServerProcess server;
    // A guard that locks the address at its first failed match and takes two connections from
    // it at a time: every run below searches anew, so an export that counted as a guess, or
    // fetched its statements side by side, would be refused from then on.
    ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + db),
                              u"--max-failures"_s, u"1"_s, u"--max-per-address"_s, u"2"_s}))
        << server.errorOutput();
    std::string error;
    ASSERT_TRUE(addPeriod(db, error)) << error;
    const QStringList period = {
        u"export"_s,    u"--server"_s, u"127.0.0.1:"_s + QString::number(server.port()),
        u"--company"_s, u"59001"_s,    u"--password"_s,
        u"0715"_s,      u"--year"_s,   u"2004"_s,
        u"--from"_s,    u"7"_s,        u"--to"_s,
        u"8"_s,         u"--all"_s};

    const QString pdf = QString::fromStdString(dir.file("period.pdf"));
    const ProgramRun run = runMirola(period + QStringList{u"--out"_s, pdf});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ownLines(run.err).empty()) << "no progress without a terminal: " << run.err;
    ASSERT_EQ(pdfFacts(pdf).pages, 7);
    // Each statement's number and its own lines on its pages, and nobody else's.
    struct Page
    {
        const char* number;
        const char* line; // a line of the statement printed on this page
        const char* notHere;
    };
    const Page pages[] = {
        {"2004-07-03-001", "early 1", "early 14"}, {"2004-07-03-001", "early 14", "middle"},
        {"2004-07-15-003", "middle 2", "early"},   {"2004-08-02-001", "late 1", "late 14"},
        {"2004-08-02-001", "late 14", "late 27"},  {"2004-08-02-001", "late 27", "late 40"},
        {"2004-08-02-001", "late 40", "middle"},
    };
    for (int n = 1; n <= 7; ++n) {
        SCOPED_TRACE("page " + std::to_string(n));
        const QString text = pdfText(pdf, n);
        const Page& p = pages[n - 1];
        EXPECT_TRUE(text.contains(QString::fromLatin1(p.number))) << text.toStdString();
        EXPECT_TRUE(hasWords(text, p.line)) << text.toStdString();
        EXPECT_FALSE(hasWords(text, p.notHere)) << text.toStdString();
    }

    // The report file holds the same pages, compressed as asked.
    const QString rpf = QString::fromStdString(dir.file("period.rpf"));
    const ProgramRun saved = runMirola(period + QStringList{u"--compress"_s, u"--out"_s, rpf});
    ASSERT_EQ(saved.status, 0) << saved.err;
    const auto store = report::TRpPageList::OpenReportFile(rpf);
    EXPECT_EQ(store->Header().PageCount, 7u);
    EXPECT_EQ(store->Header().Compressed, 1);
    EXPECT_EQ(store->Records().size(), 7u);

    // On a terminal it tells how far it has come.
    const QString command = QStringList{QString::fromUtf8(MIROLA_PROGRAM)}.join(u' ') + u" "_s +
                            period.join(u' ') + u" --out "_s +
                            QString::fromStdString(dir.file("tty.pdf"));
    QProcess tty;
    tty.start(u"script"_s, {u"-qec"_s, command, u"/dev/null"_s});
    ASSERT_TRUE(tty.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return tty.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(tty.exitCode(), 0);
    const QString shown = QString::fromUtf8(tty.readAllStandardOutput());
    for (const char* step : {"statement 1 of 3", "statement 2 of 3", "statement 3 of 3"})
        EXPECT_TRUE(shown.contains(QString::fromLatin1(step))) << shown.toStdString();
    EXPECT_EQ(pdfFacts(QString::fromStdString(dir.file("tty.pdf"))).pages, 7);
}

TEST(CommandLine, ExportAllRefusesWhatItCannotWriteAndLeavesNothingOnAFailure)
{
    // Two trading dates; the second statement's answer is cut off.
    testsupport::ScriptedPeer peer;
    peer.onFrame = [&](const std::string& frame) {
        const exchange::Frame f = exchange::parseFrame(frame);
        if (f.type != "DATA" ||
            answerSearch(peer, f,
                         serverFrame("MAKEDATE", "DATA", "2004-03-01|1|59001||SU1|") +
                             serverFrame("MAKEDATE", "DATA", "2004-03-09|1|59001||SU1|")))
            return;
        if (f.command == "MAKEDATA" && f.body.find("2004-03-01") != std::string_view::npos)
            peer.send(serverFrame("MAKEDATA", "DATA", "2004-03-01|1|1|A|a|1|EA|100|100|10|") +
                      serverFrame("MAKEDATA", "END"));
        else if (f.command == "MAKEDATA") {
            peer.send(serverFrame("MAKEDATA", "DATA", "2004-03-09|1|1|A|a|1|EA|100|100|10|"));
            peer.closeConnection();
        }
    };
    const QString server = u"127.0.0.1:"_s + QString::number(peer.port());
    const QStringList period = {u"export"_s, u"--server"_s,   server, u"--company"_s,
                                u"59001"_s,  u"--password"_s, u"1"_s, u"--year"_s,
                                u"2004"_s,   u"--from"_s,     u"3"_s, u"--to"_s,
                                u"3"_s,      u"--all"_s};
    struct Case
    {
        const char* name;
        QStringList more;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"a single date",
         {u"--date"_s, u"1"_s, u"--out"_s, u"x.pdf"_s},
         2,
         "mirola export: --all takes every trading date; leave out --date"},
        {"a picture",
         {u"--out"_s, u"x.PNG"_s},
         2,
         "mirola export: --all writes .pdf or .rpf, not a picture of one page"},
        {"the second statement cut off", {u"--out"_s, u"x.pdf"_s}, 1, "mirola: 서버 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        QStringList arguments = period + c.more;
        arguments.last() = QString::fromStdString(dir.file(arguments.last().toStdString()));
        const ProgramRun run = runMirola(arguments);
        EXPECT_EQ(run.status, c.status);
        const std::vector<std::string> lines = ownLines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_EQ(lines[0].rfind(c.says, 0), 0u) << lines[0];
        EXPECT_TRUE(QDir(QString::fromStdString(dir.path()))
                        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty())
            << "nothing is left behind";
    }
}

namespace {

QString writeFile(const testsupport::TempDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = QString::fromStdString(dir.file(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// Every file of `dir` with its bytes.
std::map<QString, QByteArray> contentsOf(const testsupport::TempDir& dir)
{
    std::map<QString, QByteArray> files;
    const QDir folder(QString::fromStdString(dir.path()));
    for (const QString& name :
         folder.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        files[name] = file.readAll();
    }
    return files;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (const QString& line : QString::fromStdString(text).split(u'\n', Qt::SkipEmptyParts))
        lines.push_back(line.toStdString());
    return lines;
}

} // namespace

TEST(CommandLine, BadArgumentsEndWithStatusTwoInOneLineBeforeAnyConnectionOrFile)
{
    // The settings name a server that only counts who connects: nothing may.
    testsupport::ScriptedPeer peer;
    testsupport::TempDir dir;
    const QString settings = writeFile(
        dir, "my.ini", "[server]\nhost=127.0.0.1\nport=" + QByteArray::number(peer.port()));
    const QString secret = writeFile(dir, "secret.txt", "1234\n");
    const QString secretPdf = writeFile(dir, "secret.pdf", "1234\n");
    const QString blank = writeFile(dir, "blank.txt", "\n");
    const QString passwd = writeFile(dir, "passwd",
                                     "root:x:0:0:root:/root:/bin/bash\n"
                                     "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n");
    const QString unknownKeys = writeFile(dir, "other.ini", "[colours]\nbackground=white\n");
    const QString missing = QString::fromStdString(dir.file("missing.txt"));
    const auto out = [&](const char* name) { return QString::fromStdString(dir.file(name)); };
    // An export of the settings' server with `more`, into x.pdf unless `more` names an output.
    const auto exportWith = [&](QStringList more, QStringList credentials = {}) {
        if (credentials.isEmpty())
            credentials = {u"--password-file"_s, secret};
        if (!more.contains(u"--out"_s))
            more << u"--out"_s << out("x.pdf");
        return QStringList{u"export"_s, u"--config"_s, settings, u"--company"_s, u"59001"_s} +
               credentials + more;
    };
    const std::map<QString, QByteArray> before = contentsOf(dir);

    struct Case
    {
        const char* name;
        QStringList arguments;
        const char* says; // the one line starts with it
        QByteArray input = {};
        int status = 2;
    };
    const Case cases[] = {
        {"a year of 0", exportWith({u"--year"_s, u"0"_s}),
         "mirola export: --year wants a whole number 1 to 9999, not '0'"},
        {"a year below 0", exportWith({u"--year"_s, u"-1"_s}),
         "mirola export: --year wants a whole number 1 to 9999, not '-1'"},
        {"a year of five digits", exportWith({u"--year"_s, u"99999"_s}),
         "mirola export: --year wants a whole number 1 to 9999, not '99999'"},
        {"a year that is no number", exportWith({u"--year"_s, u"20x6"_s}),
         "mirola export: --year wants a whole number 1 to 9999, not '20x6'"},
        {"a first month of 0", exportWith({u"--from"_s, u"0"_s}),
         "mirola export: --from wants a whole number 1 to 12, not '0'"},
        {"a first month of 13", exportWith({u"--from"_s, u"13"_s}),
         "mirola export: --from wants a whole number 1 to 12, not '13'"},
        {"a last month of 13", exportWith({u"--to"_s, u"13"_s}),
         "mirola export: --to wants a whole number 1 to 12, not '13'"},
        {"months backwards", exportWith({u"--from"_s, u"12"_s, u"--to"_s, u"7"_s}),
         "mirola export: the period runs backwards: --from 12 is after --to 7"},
        {"a trading date of 0", exportWith({u"--date"_s, u"0"_s}),
         "mirola export: --date wants a whole number from 1, not '0'"},
        {"a resolution of 0", exportWith({u"--dpi"_s, u"0"_s, u"--out"_s, out("x.png")}),
         "mirola export: --dpi wants a whole number 24 to 1200, not '0'"},
        {"a resolution below 0", exportWith({u"--dpi"_s, u"-5"_s, u"--out"_s, out("x.png")}),
         "mirola export: --dpi wants a whole number 24 to 1200, not '-5'"},
        {"a resolution too high", exportWith({u"--dpi"_s, u"100000"_s, u"--out"_s, out("x.png")}),
         "mirola export: --dpi wants a whole number 24 to 1200, not '100000'"},
        {"a fetch with a year of 0",
         {u"fetch"_s, u"--config"_s, settings, u"--company"_s, u"59001"_s, u"--password-file"_s,
          secret, u"--year"_s, u"0"_s},
         "mirola fetch: --year wants a whole number 1 to 9999, not '0'"},
        {"a page of 0",
         {u"report"_s, u"render"_s, settings, u"--page"_s, u"0"_s, u"--out"_s, out("p.png")},
         "mirola report render: --page wants a whole number from 1, not '0'"},
        {"an output without an extension", exportWith({u"--out"_s, out("x")}),
         "mirola export: --out "},
        {"an output of another kind", exportWith({u"--out"_s, out("x.txt")}),
         "mirola export: --out "},
        {"every statement into a text file", exportWith({u"--all"_s, u"--out"_s, out("all.txt")}),
         "mirola export: --out "},
        {"the settings file as the output", exportWith({u"--out"_s, settings}),
         "mirola export: --out "},
        {"the security number's file as the output",
         exportWith({u"--out"_s, secretPdf}, {u"--password-file"_s, secretPdf}),
         "mirola export: --out "},
        {"the report file as its own picture",
         {u"report"_s, u"render"_s, secretPdf, u"--out"_s, secretPdf},
         "mirola report render: --out "},
        {"a settings file that is none",
         {u"companies"_s, u"--config"_s, passwd},
         "mirola companies: --config "},
        {"settings without a key the viewer knows",
         {u"companies"_s, u"--config"_s, unknownKeys},
         "mirola companies: --config "},
        {"settings that are not there",
         {u"companies"_s, u"--config"_s, missing},
         "mirola companies: --config cannot read "},
        {"two security numbers",
         exportWith({}, {u"--password"_s, u"1234"_s, u"--password-file"_s, secret}),
         "mirola export: give --password or --password-file, not both"},
        {"no security number", exportWith({}, {u"--date"_s, u"1"_s}),
         "mirola export: needs --password-file FILE or --password PW"},
        {"a security number's file that is not there",
         exportWith({}, {u"--password-file"_s, missing}), "mirola export: --password-file "},
        {"a blank security number's file", exportWith({}, {u"--password-file"_s, blank}),
         "mirola export: --password-file "},
        {"nothing on standard input", exportWith({}, {u"--password"_s, u"-"_s}),
         "mirola export: --password - (standard input): no security number on its first line"},
        {"an expression that is not whole", {u"report"_s, u"eval"_s, u"1+"_s}, "mirola: ", {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRun run = runMirola(c.arguments, c.input);
        EXPECT_EQ(run.status, c.status) << run.err;
        const std::vector<std::string> lines = linesOf(run.err);
        ASSERT_EQ(lines.size(), 1u) << "one line means one line: " << run.err;
        EXPECT_EQ(lines[0].rfind(c.says, 0), 0u) << lines[0];
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_TRUE(contentsOf(dir) == before) << "no file written, none replaced";
        EXPECT_EQ(peer.connections(), 0) << "nothing fetched";
    }
}

TEST(CommandLine, TheSecurityNumberComesFromAFileOrStandardInput)
{
    testsupport::ScriptedPeer peer;
    playOneStatement(peer);
    testsupport::TempDir dir;
    const QString file = writeFile(dir, "secret", "0715\r\nsecond line\n");
    const QStringList fetch = {
        u"fetch"_s,     u"--server"_s, u"127.0.0.1:"_s + QString::number(peer.port()),
        u"--company"_s, u"59001"_s,    u"--year"_s,
        u"2004"_s,      u"--from"_s,   u"3"_s,
        u"--to"_s,      u"3"_s};
    struct Case
    {
        const char* name;
        QStringList credentials;
        QByteArray input;
    };
    const Case cases[] = {
        {"its file's first line", {u"--password-file"_s, file}, {}},
        {"standard input", {u"--password"_s, u"-"_s}, "0715\n"},
        {"standard input without a line end", {u"--password"_s, u"-"_s}, "0715"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t seen = peer.frames().size();
        const ProgramRun run = runMirola(fetch + c.credentials, c.input);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("TOTCOUNT\t1"), std::string::npos) << run.out;
        std::string custRequest;
        for (size_t i = seen; i < peer.frames().size(); ++i)
            if (peer.frames()[i].find("MAKECUST       DATA") != std::string::npos)
                custRequest = peer.frames()[i];
        EXPECT_NE(custRequest.find("USERPASS = \"0715\""), std::string::npos) << custRequest;
    }
}

// The viewer's commands read --server as the web front and the server read their addresses:
// an IPv6 address in brackets.
TEST(CommandLine, AServerAtABracketedIPv6Address)
{
    testsupport::ScriptedPeer peer{QHostAddress(QHostAddress::LocalHostIPv6)};
    if (peer.port() == 0)
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    playOneStatement(peer);
    const ProgramRun run =
        runMirola({u"companies"_s, u"--server"_s, u"[::1]:"_s + QString::number(peer.port())});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "59001 Cut Trading\n");
}

namespace {

// The files `pid` holds open in `folder` that no name leads to.
int unnamedFilesOf(qint64 pid, const QString& folder)
{
    int count = 0;
    const QString prefix = QFileInfo(folder).canonicalFilePath() + u'/';
    const QDir fds(u"/proc/%1/fd"_s.arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::AllEntries | QDir::System)) {
        const QString target = fd.symLinkTarget();
        count += target.startsWith(prefix) && target.endsWith(u" (deleted)"_s) ? 1 : 0;
    }
    return count;
}

} // namespace

TEST(CommandLine, AnInterruptedExportLeavesNothingBehind)
{
    // Six statements of 14 lines, two pages each; the sixth never comes, so the export waits
    // with five in its page store, which has then moved to a temporary file.
    testsupport::ScriptedPeer peer;
    bool waiting = false;
    std::string dates;
    for (int day = 1; day <= 6; ++day)
        dates +=
            serverFrame("MAKEDATE", "DATA", "2004-03-0" + std::to_string(day) + "|1|59001||SU1|");
    peer.onFrame = [&](const std::string& frame) {
        const exchange::Frame f = exchange::parseFrame(frame);
        if (f.type != "DATA" || answerSearch(peer, f, dates) || f.command != "MAKEDATA")
            return;
        if (f.body.find("2004-03-06") != std::string_view::npos) {
            waiting = true;
            return;
        }
        const size_t at = f.body.find("2004-03-0");
        const std::string date(f.body.substr(at, 10));
        std::string lines;
        for (int i = 1; i <= 14; ++i)
            lines += serverFrame("MAKEDATA", "DATA",
                                 date + "|1|" + std::to_string(i) + "|A|line " + std::to_string(i) +
                                     "|1|EA|100|100|10|");
        peer.send(lines + serverFrame("MAKEDATA", "END"));
    };
    const QStringList period = {
        u"export"_s,    u"--server"_s, u"127.0.0.1:"_s + QString::number(peer.port()),
        u"--company"_s, u"59001"_s,    u"--password"_s,
        u"1"_s,         u"--year"_s,   u"2004"_s,
        u"--from"_s,    u"3"_s,        u"--to"_s,
        u"3"_s,         u"--all"_s,    u"--out"_s};
    // SIGINT and SIGHUP take the same path as SIGTERM (tst_interruptcleanup).
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        testsupport::TempDir temp;
        testsupport::TempDir target;
        testsupport::TempDir runtime;
        waiting = false;
        QProcess p;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TMPDIR"_s, QString::fromStdString(temp.path()));
        // Without one, Qt makes a runtime folder of its own in the temporary folder.
        environment.insert(u"XDG_RUNTIME_DIR"_s, QString::fromStdString(runtime.path()));
        p.setProcessEnvironment(environment);
        p.start(QString::fromUtf8(MIROLA_PROGRAM),
                period + QStringList{QString::fromStdString(target.file("period.pdf"))});
        ASSERT_TRUE(p.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return waiting; }, 30000))
            << p.readAllStandardError().toStdString();
        const QString tempPath = QString::fromStdString(temp.path());
        EXPECT_EQ(unnamedFilesOf(p.processId(), tempPath), 1) << "the pages are in a file";
        ::kill(pid_t(p.processId()), signal);
        ASSERT_TRUE(waitUntil([&] { return p.state() == QProcess::NotRunning; }, 30000));
        EXPECT_EQ(p.exitStatus(), QProcess::CrashExit) << "ended by the signal";
        for (const testsupport::TempDir* dir : {&temp, &target})
            EXPECT_EQ(QDir(QString::fromStdString(dir->path()))
                          .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList())
                << dir->path();
    }
}

TEST(CommandLine, APictureThatCannotBeWrittenIsToldInOneLine)
{
    testsupport::ScriptedPeer peer;
    playOneStatement(peer);
    testsupport::TempDir dir;
    const QString full = QString::fromStdString(dir.file("full.png"));
    ASSERT_TRUE(QFile::link(u"/dev/full"_s, full));
    const ProgramRun run = runMirola(exportOfTheStatement(peer, full));
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = linesOf(run.err);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_EQ(lines[0].rfind("mirola: cannot write " + full.toStdString() + ": ", 0), 0u)
        << lines[0];
}

namespace {

// A small file system of the test's own, mounted over a fresh folder: a really full disk.
class SmallDisk
{
public:
    SmallDisk()
    {
        m_mounted = QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=64k"_s,
                                                   u"tmpfs"_s, path()}) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute(u"umount"_s, {path()});
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return QString::fromStdString(m_dir.path()); }
    const testsupport::TempDir& dir() const { return m_dir; }

private:
    testsupport::TempDir m_dir;
    bool m_mounted = false;
};

} // namespace

// The output's disk is full: the one line names the file the user asked for (not the hidden one
// it is made under) and the system's reason, and nothing is left.
TEST(CommandLine, AnExportToAFullDiskNamesTheOutputAndTheSystemsReason)
{
    testsupport::ScriptedPeer peer;
    playOneStatement(peer);
    for (const char* name : {"명세서.pdf", "명세서.rpf", "명세서.png"}) {
        SCOPED_TRACE(name);
        SmallDisk disk;
        if (!disk.mounted())
            GTEST_SKIP() << "mounting a small file system needs the right to mount";
        const QString out = disk.path() + u"/"_s + QString::fromUtf8(name);
        const ProgramRun run = runMirola(exportOfTheStatement(peer, out));
        EXPECT_EQ(run.status, 1);
        const std::vector<std::string> lines = ownLines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_NE(lines[0].find(out.toStdString()), std::string::npos) << lines[0];
        EXPECT_TRUE(lines[0].ends_with(": No space left on device")) << lines[0];
        EXPECT_TRUE(contentsOf(disk.dir()).empty()) << "nothing is left behind";
    }
}

// The page store spills to the temporary folder, which a file size limit fills as a full disk
// would (the signal ignored): the line gives the system's reason, not "Unknown error".
TEST(CommandLine, AFullTemporaryFolderIsToldWithTheSystemsReason)
{
    testsupport::ScriptedPeer peer;
    playOneStatement(peer);
    testsupport::TempDir dir;
    const QString out = QString::fromStdString(dir.file("명세서.pdf"));
    const ProgramRun run =
        runMirola(exportOfTheStatement(peer, out), {}, u"trap '' XFSZ; ulimit -f 2;"_s);
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = ownLines(run.err);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_TRUE(lines[0].ends_with(": File too large")) << lines[0];
    EXPECT_TRUE(contentsOf(dir).empty()) << "nothing is left behind";
}

TEST(CommandLine, TheServerTellsWhatIsWrongBeforeItMakesAnything)
{
    testsupport::TempDir dir;
    const std::string fresh = dir.file("fresh.db");
    struct Case
    {
        const char* name;
        QStringList arguments;
        int status;
        const char* says; // the one line, or stdout for status 0
    };
    const Case cases[] = {
        {"its version", {u"--version"_s}, 0, "mirola-server 1."},
        {"the page on the statement port",
         {u"--listen"_s, u"127.0.0.1:5021"_s, u"--metrics"_s, u"127.0.0.1:5021"_s},
         2,
         "mirola-server: --metrics wants a port of its own, not the statement port 5021 of "
         "--listen"},
        {"the page on every address and the statement port",
         {u"--listen"_s, u"127.0.0.1:5021"_s, u"--metrics"_s, u"*:5021"_s},
         2,
         "mirola-server: --metrics wants a port of its own"},
        {"a database in no folder",
         {u"--listen"_s, u"127.0.0.1:0"_s, u"--db"_s,
          QString::fromStdString("sqlite:" + dir.file("none/x.db"))},
         1,
         "cannot open it: No such file or directory (there is no folder "},
        {"a database where no file can be made",
         {u"--listen"_s, u"127.0.0.1:0"_s, u"--db"_s, u"sqlite:/proc/statements.db"_s},
         1,
         "mirola-server: /proc/statements.db: cannot open it: No such file or directory (no file "
         "can be made in /proc)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess p;
        QStringList arguments = c.arguments;
        if (!arguments.contains(u"--db"_s))
            arguments << u"--db"_s << QString::fromStdString("sqlite:" + fresh);
        p.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM), arguments);
        ASSERT_TRUE(p.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return p.state() == QProcess::NotRunning; }, 30000));
        EXPECT_EQ(p.exitCode(), c.status);
        const std::string out = p.readAllStandardOutput().toStdString();
        const std::vector<std::string> lines = linesOf(p.readAllStandardError().toStdString());
        if (c.status == 0) {
            EXPECT_EQ(out.rfind(c.says, 0), 0u) << out;
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_NE(lines[0].find(c.says), std::string::npos) << lines[0];
        }
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(fresh))) << "nothing made";
    }
}

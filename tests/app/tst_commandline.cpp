// The mirola program as a script meets it: what each subcommand takes, what it refuses, and how
// a failed exchange ends.
#include "tests/exchange/ScriptedPeer.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
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

// Runs the real program; the test's own event loop keeps turning, for a peer it plays.
ProgramRun runMirola(const QStringList& arguments)
{
    QProcess p;
    p.start(QString::fromUtf8(MIROLA_PROGRAM), arguments);
    ProgramRun run;
    if (!p.waitForStarted() || !waitUntil([&] { return p.state() == QProcess::NotRunning; }, 30000)) {
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
        {"an option of another subcommand", {u"control"_s, u"idl"_s, u"--dpi"_s, u"5"_s, u"--company"_s, u"x"_s},
         2, "mirola control: Unknown options: dpi, company."},
        {"an unknown option", {u"fetch"_s, u"--colour"_s}, 2, "mirola fetch: Unknown option 'colour'."},
        {"a missing value", {u"fetch"_s, u"--company"_s, u"1"_s, u"--server"_s}, 2,
         "mirola fetch: Missing value after '--server'."},
        {"a required option left out", {u"export"_s, u"--server"_s, server, u"--company"_s, u"1"_s, u"--password"_s, u"2"_s},
         2, "mirola export: needs --out FILE"},
        {"no server", {u"companies"_s}, 2, "mirola companies: needs --server HOST:PORT"},
        {"a server without a port", {u"companies"_s, u"--server"_s, u"here"_s}, 2,
         "mirola companies: --server wants HOST:PORT, not 'here'"},
        {"a number that is none", {u"fetch"_s, u"--server"_s, server, u"--company"_s, u"1"_s, u"--password"_s, u"2"_s, u"--year"_s, u"20x6"_s},
         2, "mirola fetch: --year wants a whole number, not '20x6'"},
        {"an argument too many", {u"companies"_s, u"extra"_s}, 2,
         "mirola companies: unexpected argument 'extra'"},
        {"an unknown command", {u"frob"_s}, 2, "mirola: unknown command 'frob'"},
        {"report without what to do", {u"report"_s}, 2, "mirola report: wants info, render or eval"},
        {"render without --out", {u"report"_s, u"render"_s, u"a.rpf"_s}, 2,
         "mirola report render: needs --out F.png|F.svg|F.emf"},
        {"control without what to write", {u"control"_s}, 2,
         "mirola control: wants regfile [LIBRARY_PATH] | idl | rc"},
        {"the window's options", {u"--company"_s, u"1"_s}, 2, "mirola: Unknown option 'company'."},
        {"help of a subcommand", {u"export"_s, u"--help"_s}, 0, "--out FILE"},
        {"help of the window", {u"-h"_s}, 0, "commands: companies, fetch, export"},
        {"version of a subcommand", {u"report"_s, u"info"_s, u"--version"_s}, 0, "mirola 1."},
        {"version of the window", {u"--version"_s}, 0, "mirola 1."},
        {"version of the web page", {u"web"_s, u"--version"_s}, 0, "mirola 1."},
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
        if (f.type != "DATA")
            return;
        if (f.command == "MAKEKEY")
            peer.send(serverFrame("MAKEKEY", "DATA", "59001|Cut Trading|02|") + serverFrame("MAKEKEY", "END"));
        else if (f.command == "MAKECUST")
            peer.send(serverFrame("MAKECUST", "DATA", "101-81-00001|Cut Trading|Kim|Seoul |Main 1|Retail|Paper|")
                      + serverFrame("MAKECUST", "END"));
        else if (f.command == "MAKEDATE")
            peer.send(serverFrame("MAKEDATE", "DATA", "2004-03-01|1|59001||SU1|") + serverFrame("MAKEDATE", "END"));
        else if (f.command == "MAKEDATA") {
            peer.send(serverFrame("MAKEDATA", "DATA", "2004-03-01|1|1|A|a|1|EA|100|100|10|"));
            peer.closeConnection();
        }
    };
    const QString cutServer = u"127.0.0.1:"_s + QString::number(peer.port());
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
        {"an answer cut off", cutServer,
         "이(가) 응답 도중에 연결을 끊었습니다 (3건 받음)."},
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
            peer.send(serverFrame("MAKEDATA", "DATA", "2004-03-01|1|1|A|a|1|EA|100|100|10|")
                      + serverFrame("MAKEDATA", "END"));
        else
            first(frame);
    };
    testsupport::TempDir dir;
    const ProgramRun fetched = runMirola(QStringList{u"fetch"_s, u"--server"_s, cutServer} + statement);
    EXPECT_EQ(fetched.status, 0) << fetched.err;
    EXPECT_NE(fetched.out.find("TOTCOUNT\t1"), std::string::npos) << fetched.out;
    const QString out = QString::fromStdString(dir.file("statement.pdf"));
    const ProgramRun exported = runMirola(QStringList{u"export"_s, u"--server"_s, cutServer} + statement
                                   + QStringList{u"--out"_s, out});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(QDir(QString::fromStdString(dir.path()))
                  .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{u"statement.pdf"_s});
    EXPECT_TRUE(QFileInfo(out).size() > 0);

    // Written again by another process, the statement is the same file but for its date.
    const QString again = QString::fromStdString(dir.file("again.pdf"));
    const ProgramRun second = runMirola(QStringList{u"export"_s, u"--server"_s, cutServer} + statement
                                        + QStringList{u"--out"_s, again});
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

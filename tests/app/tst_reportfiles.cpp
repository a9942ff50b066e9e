// `report info`, `report render` and `--open` on damaged and hostile report files, run as the
// real program: each gives one clear line and status 1, or draws within its bounds, and a
// failed render leaves no file behind.
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::dataPath;
using testsupport::waitUntil;

namespace {

struct ProgramRun
{
    int status = -1;
    QString out;
    QString err;
};

// Runs the program through the shell, which sets the limits a case asks for first.
ProgramRun runMirola(const QStringList& arguments, const QString& shellPrefix = {})
{
    QProcess p;
    QStringList quoted;
    for (const QString& a : arguments)
        quoted << u"'"_s + QString(a).replace(u"'"_s, u"'\\''"_s) + u"'"_s;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(u"/bin/sh"_s,
            {u"-c"_s, shellPrefix + u" exec \""_s + QString::fromUtf8(MIROLA_PROGRAM) + u"\" "_s +
                          quoted.join(u' ')});
    ProgramRun run;
    if (!p.waitForStarted() ||
        !waitUntil([&] { return p.state() == QProcess::NotRunning; }, 60000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

// The lines the program itself wrote on stderr (the platform may add notes of its own).
QStringList ownLines(const QString& err)
{
    QStringList lines;
    for (const QString& line : err.split(u'\n'))
        if (line.startsWith(u"mirola"_s))
            lines << line;
    return lines;
}

QString fixture(const char* name)
{
    return QString::fromStdString(dataPath(std::string("report/") + name));
}

QStringList filesIn(const std::string& dir)
{
    return QDir(QString::fromStdString(dir))
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct Refusal
{
    const char* name;
    QStringList arguments; // the fixture's name, then the command (OUT stands for the output)
    const char* message;   // a part of the one line on stderr
};

} // namespace

TEST(ReportFiles, DamagedAndHostileFilesGiveOneLineAndStatusOne)
{
    const std::vector<Refusal> cases = {
        {"a paper of 30000 x 30000 pixels",
         {u"huge-paper.rpf"_s, u"render"_s, u"--page"_s, u"1"_s, u"--out"_s, u"OUT.png"_s},
         "page 1's picture claims a paper of 30000 x 30000 pixels"},
        {"bounds and frame whose width wraps",
         {u"wrapping-size.rpf"_s, u"render"_s, u"--page"_s, u"1"_s, u"--out"_s, u"OUT.svg"_s},
         "a page is drawn at 1 to 4224 pixels a side"},
        {"a bitmap without its bits, in info",
         {u"bitmap-without-bits.rpf"_s, u"info"_s},
         "page 1's picture does not parse: metafile record"},
        {"a bitmap without its bits, in render",
         {u"bitmap-without-bits.rpf"_s, u"render"_s, u"--page"_s, u"1"_s, u"--out"_s, u"OUT.png"_s},
         "has a bitmap of 0 bytes of bits where 48 are needed"},
        {"a compressed page that does not decode, in info",
         {u"undecodable-page.rpf"_s, u"info"_s},
         "The report file is damaged: page 2"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        QStringList arguments = {u"report"_s, c.arguments[1], fixture(qPrintable(c.arguments[0]))};
        for (qsizetype i = 2; i < c.arguments.size(); ++i)
            arguments << QString(c.arguments[i])
                             .replace(u"OUT"_s, QString::fromStdString(dir.file("page")));
        const ProgramRun run = runMirola(arguments);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        const QStringList lines = ownLines(run.err);
        ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
        EXPECT_TRUE(lines[0].contains(QString::fromUtf8(c.message))) << lines[0].toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(filesIn(dir.path()).isEmpty()) << filesIn(dir.path()).join(u' ').toStdString();
    }
}

TEST(ReportFiles, ALineToTheEdgeOfTheCoordinatesIsDrawnAsFarAsThePage)
{
    testsupport::TempDir dir;
    const QString out = QString::fromStdString(dir.file("page.png"));
    const ProgramRun run = runMirola(
        {u"report"_s, u"render"_s, fixture("far-line.rpf"), u"--page"_s, u"1"_s, u"--out"_s, out});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QImage page(out);
    ASSERT_EQ(page.size(), QSize(794, 1123));
    // The line runs from its start to the right edge of the page.
    int inkOnRightEdge = 0;
    for (int y = 0; y < page.height(); ++y)
        inkOnRightEdge += qGray(page.pixel(page.width() - 1, y)) < 128;
    EXPECT_GT(inkOnRightEdge, 0);
}

TEST(ReportFiles, AFailedWriteExitsWithTheSystemsReasonAndLeavesNoFile)
{
    struct Case
    {
        const char* name;
        const char* suffix;
        QString shellPrefix;
        const char* reason;
    };
    // A file size limit makes the writes fail as a full disk does, with the signal ignored.
    const QString limited = u"trap '' XFSZ; ulimit -f 4;"_s;
    const std::vector<Case> cases = {
        {"a PNG beyond the file size limit", ".png", limited, "File too large"},
        {"an SVG beyond the file size limit", ".svg", limited, "File too large"},
        {"an EMF beyond the file size limit", ".emf", u"trap '' XFSZ; ulimit -f 1;"_s,
         "File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const QString out = QString::fromStdString(dir.file(std::string("page") + c.suffix));
        const ProgramRun run = runMirola({u"report"_s, u"render"_s, fixture("two-pages.rpf"),
                                          u"--page"_s, u"1"_s, u"--out"_s, out},
                                         c.shellPrefix);
        EXPECT_EQ(run.status, 1);
        const QStringList lines = ownLines(run.err);
        ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
        EXPECT_EQ(lines[0],
                  u"mirola: cannot write "_s + out + u": "_s + QString::fromUtf8(c.reason));
        EXPECT_TRUE(filesIn(dir.path()).isEmpty()) << filesIn(dir.path()).join(u' ').toStdString();
    }
}

TEST(ReportFiles, RenderingOntoAFullDeviceNamesTheOutputAndTheSystemsReason)
{
    // A device is written as it is, not renamed over: a name for /dev/full stays a link to it.
    testsupport::TempDir dir;
    const QString out = QString::fromStdString(dir.file("full.png"));
    ASSERT_TRUE(QFile::link(u"/dev/full"_s, out));
    const ProgramRun run = runMirola(
        {u"report"_s, u"render"_s, fixture("two-pages.rpf"), u"--page"_s, u"2"_s, u"--out"_s, out});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = ownLines(run.err);
    ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
    EXPECT_EQ(lines[0], u"mirola: cannot write "_s + out + u": No space left on device"_s);
    EXPECT_TRUE(QFileInfo(out).isSymLink());
}

TEST(ReportFiles, OpenTellsAKoreanFileNameOnceAndReadably)
{
    testsupport::TempDir dir;
    const QString damaged = QString::fromStdString(dir.path()) + u"/손상된 명세서.rpf"_s;
    ASSERT_TRUE(QFile::copy(fixture("wrapping-size.rpf"), damaged));
    const QString missing = QString::fromStdString(dir.path()) + u"/없는 명세서.rpf"_s;
    for (const QString& name : {damaged, missing}) {
        SCOPED_TRACE(name.toStdString());
        const ProgramRun run = runMirola({u"--open"_s, name});
        EXPECT_EQ(run.status, 1);
        const QStringList lines = ownLines(run.err);
        ASSERT_EQ(lines.size(), 1) << run.err.toStdString();
        EXPECT_EQ(lines[0].count(name), 1) << lines[0].toStdString();
    }
}

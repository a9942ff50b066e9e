// The manual pages against the programs: the options each page describes are the options the
// programs take, with the same ranges, and the examples run.
#include "tests/server/ServerProcess.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace Qt::StringLiterals;

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

QString manualPage(const char* name)
{
    return readText(QString::fromUtf8(MIROLA_MANUAL_DIR) + u'/' + QString::fromLatin1(name));
}

QString helpOf(const char* program, const QStringList& arguments)
{
    QProcess p;
    p.start(QString::fromUtf8(program), arguments + QStringList{u"--help"_s});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << arguments.join(u' ').toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The page's roff escapes that matter here, as the reader sees them.
QString plain(QString roff)
{
    return roff.replace(u"\\-"_s, u"-"_s).replace(u"\\e"_s, u"\\"_s).replace(u"\\(aq"_s, u"'"_s);
}

// Each "--option" of --help with its range ("1 to 12", "from 1") if it has one.
std::map<QString, QString> helpOptions(const QString& help)
{
    std::map<QString, QString> options;
    static const QRegularExpression row(u"^  (-\\S.*?)(?:\\s{2,}(.*))?$"_s);
    static const QRegularExpression name(u"--[a-z][a-z-]*"_s);
    static const QRegularExpression range(u"\\b(\\d+ to \\d+|from \\d+)\\b"_s);
    for (const QString& line : help.split(u'\n')) {
        const QRegularExpressionMatch m = row.match(line);
        if (!m.hasMatch())
            continue;
        const QString described = m.captured(2);
        const QRegularExpressionMatch r = range.match(described);
        for (auto it = name.globalMatch(m.captured(1)); it.hasNext();)
            options[it.next().captured()] = r.hasMatch() ? r.captured(1) : QString();
    }
    return options;
}

// Each option the OPTIONS section describes, with its paragraph.
std::map<QString, QString> pageOptions(const QString& page)
{
    std::map<QString, QString> options;
    const qsizetype start = page.indexOf(u"\n.SH OPTIONS\n"_s);
    const qsizetype end = page.indexOf(u"\n.SH "_s, start + 1);
    const QStringList items =
        page.mid(start, end - start).split(u"\n.TP\n"_s, Qt::SkipEmptyParts).mid(1);
    static const QRegularExpression name(u"--[a-z][a-z-]*"_s);
    for (const QString& item : items) {
        const QString head = plain(item.section(u'\n', 0, 0));
        const QString text = plain(item.section(u'\n', 1)).replace(u'\n', u' ');
        for (auto it = name.globalMatch(head); it.hasNext();)
            options[it.next().captured()] = text;
    }
    return options;
}

void expectAgreement(const std::map<QString, QString>& help, const std::map<QString, QString>& page)
{
    for (const auto& [option, range] : help) {
        SCOPED_TRACE(option.toStdString());
        const auto described = page.find(option);
        ASSERT_NE(described, page.end()) << "not in the manual page";
        if (!range.isEmpty()) {
            EXPECT_TRUE(described->second.contains(range))
                << "the page does not give the range " << range.toStdString() << ": "
                << described->second.toStdString();
        }
    }
    for (const auto& [option, text] : page) {
        EXPECT_TRUE(help.count(option)) << option.toStdString() << " is in the page only";
    }
}

} // namespace

TEST(ManualPages, TheViewersPageDescribesTheOptionsOfEveryCommand)
{
    std::map<QString, QString> help;
    const QStringList commands[] = {{},
                                    {u"companies"_s},
                                    {u"fetch"_s},
                                    {u"export"_s},
                                    {u"control"_s},
                                    {u"report"_s, u"info"_s},
                                    {u"report"_s, u"render"_s},
                                    {u"report"_s, u"eval"_s},
                                    {u"web"_s}};
    for (const QStringList& command : commands)
        for (const auto& [option, range] : helpOptions(helpOf(MIROLA_PROGRAM, command))) {
            SCOPED_TRACE(command.join(u' ').toStdString() + " " + option.toStdString());
            // An option of several commands means one thing everywhere, so one paragraph.
            const auto [it, added] = help.emplace(option, range);
            EXPECT_TRUE(added || it->second == range);
        }
    expectAgreement(help, pageOptions(manualPage("mirola.1")));
}

TEST(ManualPages, TheServersPageDescribesItsOptions)
{
    expectAgreement(helpOptions(helpOf(MIROLA_SERVER_PROGRAM, {})),
                    pageOptions(manualPage("mirola-server.1")));
}

TEST(ManualPages, TheViewersExamplesRunAgainstTheDemonstrationServer)
{
    testsupport::TempDir dir;
    testsupport::ServerProcess server;
    ASSERT_TRUE(server.start({u"--db"_s, QString::fromStdString("sqlite:" + dir.file("demo.db"))}))
        << server.errorOutput();
    // "mirola" as the examples call it: this build's program, first on the path.
    const QString bin = QString::fromStdString(dir.file("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QFile::link(QString::fromUtf8(MIROLA_PROGRAM), bin + u"/mirola"_s));
    const QString work = QString::fromStdString(dir.file("work"));
    ASSERT_TRUE(QDir().mkpath(work));

    const QString page = manualPage("mirola.1");
    static const QRegularExpression example(u"\n\\.EX\n(.*?)\n\\.EE\n"_s,
                                            QRegularExpression::DotMatchesEverythingOption);
    int examples = 0;
    for (auto it = example.globalMatch(page); it.hasNext(); ++examples) {
        const QString script =
            plain(it.next().captured(1))
                .replace(u"127.0.0.1:1021"_s, u"127.0.0.1:"_s + QString::number(server.port()));
        SCOPED_TRACE(script.toStdString());
        QProcess shell;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_s, bin + u':' + environment.value(u"PATH"_s));
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(work);
        shell.start(u"sh"_s, {u"-ec"_s, script});
        ASSERT_TRUE(shell.waitForFinished(120000));
        EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    }
    EXPECT_EQ(examples, 3);
    for (const char* written : {"statement.pdf", "month.pdf", "statement.rpf", "page1.png"})
        EXPECT_GT(QFileInfo(work + u'/' + QString::fromLatin1(written)).size(), 0) << written;
}

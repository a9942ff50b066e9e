#include "tests/report/print/CupsQueue.h"

#include "tests/report/print/PdfTools.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>
#include <unistd.h>

using namespace Qt::StringLiterals;

CupsQueue::CupsQueue()
    : m_root(qEnvironmentVariable("MIROLA_CUPS_ROOT")),
      m_socket(qEnvironmentVariable("CUPS_SERVER"))
{
}

bool CupsQueue::available() const
{
    return !m_root.isEmpty() && QFileInfo(m_socket).exists();
}

bool CupsQueue::serverExpected()
{
    return geteuid() == 0;
}

QString CupsQueue::whyUnavailable() const
{
    if (m_root.isEmpty())
        return u"MIROLA_CUPS_ROOT is not set"_s;
    return u"no print server at "_s + m_socket;
}

std::optional<CupsQueue::Job> CupsQueue::findJob(const QString& title) const
{
    // One line per finished job: "ID total SHEETS copies=C ... media=M name=TITLE".
    QFile log(m_root + u"/log/page_log"_s);
    if (!log.open(QIODevice::ReadOnly))
        return std::nullopt;
    static const QRegularExpression line(
        u"^(\\d+) total \\S+ copies=(\\S+) .* media=(\\S+) name=(.*)$"_s);
    const QStringList lines = QString::fromUtf8(log.readAll()).split(u'\n');
    for (const QString& text : lines) {
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch() || m.captured(4) != title)
            continue;
        Job job;
        job.id = m.captured(1).toInt();
        job.copies = m.captured(2) == u"-"_s ? 1 : m.captured(2).toInt();
        job.media = m.captured(3);
        const QString suffix = u"job_"_s + QString::number(job.id) + u".pdf"_s;
        const QStringList files =
            QDir(m_root + u"/out"_s).entryList({u"*"_s + suffix}, QDir::Files);
        if (files.size() != 1)
            return std::nullopt;
        job.pdf = m_root + u"/out/"_s + files.front();
        job.pages = pdfFacts(job.pdf).pages;
        return job;
    }
    return std::nullopt;
}

std::optional<CupsQueue::Job> CupsQueue::waitForJob(const QString& title, int timeoutMs) const
{
    std::optional<Job> job;
    testsupport::waitUntil([&] { return (job = findJob(title)).has_value(); }, timeoutMs);
    return job;
}

QImage CupsQueue::renderPage(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(u"page"_s);
    const QString number = QString::number(page);
    runPdfTool(u"pdftoppm"_s, {u"-r"_s, QString::number(dpi), u"-f"_s, number, u"-l"_s, number,
                               u"-singlefile"_s, u"-png"_s, pdf, base});
    return QImage(base + u".png"_s);
}

QString CupsQueue::uniqueTitle(const QString& what)
{
    return what + u"-"_s + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

void PrintServerTest::SetUp()
{
    if (queue.available())
        return;
    ASSERT_FALSE(CupsQueue::serverExpected()) << queue.whyUnavailable().toStdString();
    GTEST_SKIP() << queue.whyUnavailable().toStdString();
}

#include "tests/report/print/PdfTools.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// poppler's tools finish in well under this on a few pages.
constexpr int toolTimeoutMs = 30000;

} // namespace

QString runPdfTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(toolTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

namespace {

QSizeF pageSizeIn(const QString& info)
{
    static const QRegularExpression size(u"^Page(?:\\s+\\d+)? size:\\s+([\\d.]+) x ([\\d.]+) pts"_s,
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = size.match(info);
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

} // namespace

PdfFacts pdfFacts(const QString& pdf)
{
    static const QRegularExpression pages(u"^Pages:\\s+(\\d+)"_s,
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression encrypted(u"^Encrypted:\\s+yes"_s,
                                              QRegularExpression::MultilineOption);
    const QString info = runPdfTool(u"pdfinfo"_s, {pdf});
    PdfFacts facts;
    if (const QRegularExpressionMatch m = pages.match(info); m.hasMatch())
        facts.pages = m.captured(1).toInt();
    facts.pagePoints = pageSizeIn(info);
    facts.encrypted = encrypted.match(info).hasMatch();
    return facts;
}

QSizeF pdfPagePoints(const QString& pdf, int page)
{
    const QString n = QString::number(page);
    return pageSizeIn(runPdfTool(u"pdfinfo"_s, {u"-f"_s, n, u"-l"_s, n, pdf}));
}

QString pdfText(const QString& pdf, int page)
{
    const QString n = QString::number(page);
    return runPdfTool(u"pdftotext"_s, {u"-f"_s, n, u"-l"_s, n, u"-enc"_s, u"UTF-8"_s, pdf, u"-"_s});
}

int pdfImageCount(const QString& pdf)
{
    // A header of two lines, then one line per image.
    const QString list = runPdfTool(u"pdfimages"_s, {u"-list"_s, pdf});
    if (list.isEmpty())
        return -1;
    return int(list.split(u'\n', Qt::SkipEmptyParts).size()) - 2;
}

bool hasPdfSignature(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

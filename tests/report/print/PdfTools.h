#pragma once

#include <QSizeF>
#include <QString>
#include <QStringList>

// What poppler's tools read from a PDF file: an independent reader of the documents we write.
struct PdfFacts
{
    int pages = -1;    // -1: not a readable PDF
    QSizeF pagePoints; // the first page's size, 1/72 inch
    bool encrypted = false;
};

PdfFacts pdfFacts(const QString& pdf);
// A poppler tool's standard output; empty when it fails.
QString runPdfTool(const QString& program, const QStringList& arguments);
// The size of page `page`, in points; empty when there is no such page.
QSizeF pdfPagePoints(const QString& pdf, int page);
// The text on page `page`, as pdftotext extracts it.
QString pdfText(const QString& pdf, int page);
// How many raster images the document holds (pdfimages); -1 when it cannot be read.
int pdfImageCount(const QString& pdf);
// Whether the file starts with the PDF signature.
bool hasPdfSignature(const QString& path);

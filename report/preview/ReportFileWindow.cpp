#include "report/preview/ReportFileWindow.h"

#include "report/preview/PreviewWords.h"
#include "report/preview/ReportFilePages.h"
#include "report/preview/TRpPreview.h"
#include "report/print/PlatformPrinter.h"
#include "report/print/PrintStoredPages.h"
#include "report/store/ReportFileError.h"
#include "text/Cp949.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace report {

namespace {

// The window's size before it is maximized, as the statement preview has it.
constexpr int restoredWidth = 788;
constexpr int restoredHeight = 466;

QAction* addButton(QToolBar* bar, const QString& text, const QKeySequence& key,
                   ReportFileWindow* window, void (ReportFileWindow::*handler)())
{
    QAction* action = bar->addAction(text);
    action->setShortcut(key);
    action->setToolTip(text + u" ("_s + key.toString(QKeySequence::NativeText) + u")"_s);
    QObject::connect(action, &QAction::triggered, window,
                     [window, handler] { window->guarded(handler); });
    return action;
}

} // namespace

ReportFileWindow::ReportFileWindow(std::unique_ptr<ReportFilePages> pages, const QString& fileName,
                                   QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_fileName(fileName)
{
    setWindowTitle(u"미리보기 - "_s + QFileInfo(fileName).fileName());
    resize(restoredWidth, restoredHeight);

    auto* bar = new QToolBar(this);
    addButton(bar, u"처음"_s, Qt::Key_Home, this, &ReportFileWindow::firstPage);
    addButton(bar, u"이전"_s, Qt::Key_PageUp, this, &ReportFileWindow::previousPage);
    addButton(bar, u"다음"_s, Qt::Key_PageDown, this, &ReportFileWindow::nextPage);
    addButton(bar, u"마지막"_s, Qt::Key_End, this, &ReportFileWindow::lastPage);
    bar->addSeparator();
    addButton(bar, u"출력"_s, QKeySequence(Qt::ALT | Qt::Key_P), this, &ReportFileWindow::print);
    bar->addSeparator();
    addButton(bar, u"확대"_s, QKeySequence(Qt::ALT | Qt::Key_I), this, &ReportFileWindow::zoomIn);
    addButton(bar, u"축소"_s, QKeySequence(Qt::ALT | Qt::Key_O), this, &ReportFileWindow::zoomOut);
    addButton(bar, u"폭 맞춤"_s, QKeySequence(Qt::ALT | Qt::Key_W), this,
              &ReportFileWindow::fitWidth);
    m_zoomLabel = new QLabel(bar);
    m_zoomLabel->setObjectName(u"zoom"_s);
    bar->addWidget(m_zoomLabel);
    bar->addSeparator();
    // Escape, as for every dialog.
    addButton(bar, u"종료"_s, Qt::Key_Escape, this, &ReportFileWindow::closeWindow);
    bar->addSeparator();
    m_pageLabel = new QLabel(bar);
    m_pageLabel->setObjectName(u"page"_s);
    bar->addWidget(m_pageLabel);

    m_filePages = pages.get();
    m_preview = new TRpPreview(this);
    m_preview->setPages(std::move(pages));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_preview, 1);
    m_preview->setFocus();
    updateTexts();
}

ReportFileWindow::~ReportFileWindow()
{
    // The check's thread tells this window; it ends while the window is still whole.
    if (m_filePages)
        m_filePages->stopChecking();
}

void ReportFileWindow::refuse(const std::string& reason)
{
    if (!m_refusal.empty())
        return;
    m_refusal = reason;
    showMessage(reason);
    done(QDialog::Rejected);
}

void ReportFileWindow::guarded(void (ReportFileWindow::*handler)())
{
    // A page of the file that cannot be read is told; the window goes on with the others.
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        updateTexts();
        showMessage(e.what());
    }
}

void ReportFileWindow::showMessage(const std::string& text)
{
    if (messageSink) {
        messageSink(text);
        return;
    }
    QMessageBox::critical(this, windowTitle(), text::fromCp949(text));
}

void ReportFileWindow::closeWindow()
{
    close();
}

void ReportFileWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    // The page first fills the window's width.
    m_shown = true;
    m_preview->ZoomToWidth();
    updateTexts();
    // Page 1 shows now; the later pages are read meanwhile, and a damaged one refuses the file.
    if (m_filePages)
        m_filePages->checkLaterPages([this](const std::string& reason) {
            QMetaObject::invokeMethod(
                this, [this, reason] { refuse(reason); }, Qt::QueuedConnection);
        });
}

int ReportFileWindow::pageTotal() const
{
    return m_preview->pages() ? m_preview->pages()->PageTotal() : 0;
}

QString ReportFileWindow::pageText() const
{
    return pageIndicator(m_preview->pageNumber(), pageTotal());
}

QString ReportFileWindow::zoomText() const
{
    return QString::number(m_preview->zoom()) + u"%"_s;
}

void ReportFileWindow::updateTexts()
{
    m_pageLabel->setText(pageText());
    m_zoomLabel->setText(zoomText());
    // Named with what they show, in words; a new name is told as it comes.
    m_pageLabel->setAccessibleName(pageInWords(m_preview->pageNumber(), pageTotal()));
    m_zoomLabel->setAccessibleName(zoomInWords(m_preview->zoom()));
}

void ReportFileWindow::showPage(int page)
{
    m_preview->setPageNumber(page);
    updateTexts();
}

void ReportFileWindow::firstPage()
{
    showPage(1);
}

void ReportFileWindow::previousPage()
{
    showPage(m_preview->pageNumber() - 1);
}

void ReportFileWindow::nextPage()
{
    showPage(m_preview->pageNumber() + 1);
}

void ReportFileWindow::lastPage()
{
    if (m_preview->pages())
        showPage(m_preview->pages()->PageTotal());
}

void ReportFileWindow::setZoom(int zoom)
{
    m_preview->setZoom(std::clamp(zoom, minStepZoom, maxStepZoom));
    updateTexts();
}

void ReportFileWindow::zoomIn()
{
    setZoom(m_preview->zoom() + zoomStep);
}

void ReportFileWindow::zoomOut()
{
    setZoom(m_preview->zoom() - zoomStep);
}

void ReportFileWindow::fitWidth()
{
    m_preview->ZoomToWidth();
    updateTexts();
}

void ReportFileWindow::print()
{
    const PreviewPages* pages = m_preview->pages();
    if (!pages || pages->PageTotal() == 0)
        return;
    QPrinter& printer = PlatformPrinter::instance().printer();
    printer.setPageOrientation(pages->PaperWidthNative() > pages->PaperLengthNative()
                                   ? QPageLayout::Landscape
                                   : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, pages->PageTotal());
    dialog.setFromTo(1, pages->PageTotal());
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool range = dialog.printRange() == QAbstractPrintDialog::PageRange;
    PrintStoredPages(printer, text::toCp949(QFileInfo(m_fileName).fileName()), pages->PageTotal(),
                     range ? dialog.fromPage() : 0, range ? dialog.toPage() : 0,
                     [pages](int n) { return pages->PageImage(n); });
}

namespace {

QString failureLine(const QString& fileName, const std::exception& e)
{
    // A file error names the file already; damaged content does not. Both are cp949.
    const QString reason = text::fromCp949(e.what());
    return u"mirola: "_s +
           (dynamic_cast<const EStreamError*>(&e) ? reason : fileName + u": "_s + reason);
}

} // namespace

int showReportFile(const QString& fileName)
{
    try {
        auto pages = std::make_unique<ReportFilePages>(fileName);
        ReportFileWindow window(std::move(pages), fileName);
        window.setWindowState(Qt::WindowMaximized);
        window.exec();
        if (!window.refusal().empty())
            throw EReportFileError(window.refusal());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", failureLine(fileName, e).toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

} // namespace report

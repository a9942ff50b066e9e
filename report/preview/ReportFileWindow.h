#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QLabel;

namespace report {

class ReportFilePages;
class TRpPreview;

// A window on a saved report file: its pages in a preview, page by page, zoomed, and printed
// again. The file is only read.
class ReportFileWindow : public QDialog
{
    Q_OBJECT

public:
    // Zoom steps of the zoom buttons, and their bounds, in percent: a step is visible at once,
    // and the bounds keep a page between a thumbnail and a close look at its lines.
    static constexpr int zoomStep = 10;
    static constexpr int minStepZoom = 10;
    static constexpr int maxStepZoom = 400;

    ReportFileWindow(std::unique_ptr<ReportFilePages> pages, const QString& fileName,
                     QWidget* parent = nullptr);
    ~ReportFileWindow() override;

    TRpPreview* preview() const { return m_preview; }
    // "Page : n/N".
    QString pageText() const;
    QString zoomText() const;

    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void zoomIn();
    void zoomOut();
    void fitWidth();
    // The print dialog, then the chosen pages on the chosen printer.
    void print();
    void closeWindow();

    // Runs a button's handler; an error it raises (a page that cannot be read) is shown.
    void guarded(void (ReportFileWindow::*handler)());
    // Where messages go instead of a message box (tests).
    std::function<void(const std::string&)> messageSink;
    // Why the file was refused after it was shown (a damaged later page); empty while it is not.
    const std::string& refusal() const { return m_refusal; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showPage(int page);
    int pageTotal() const;
    void setZoom(int zoom);
    void updateTexts();
    void showMessage(const std::string& text);
    // A later page turned out damaged: the file is told and refused, and the window closes.
    void refuse(const std::string& reason);

    TRpPreview* m_preview = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_zoomLabel = nullptr;
    ReportFilePages* m_filePages = nullptr; // owned by the preview
    QString m_fileName;
    std::string m_refusal;
    bool m_shown = false;
};

// Shows a saved report file in a window until the user closes it. Returns the exit status:
// 0, or 1 with a one-line message on standard error when the file cannot be opened.
int showReportFile(const QString& fileName);

} // namespace report

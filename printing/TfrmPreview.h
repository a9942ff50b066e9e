#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolButton;

namespace report {
class TRpPreview;
class TRpPrinter;
class TRpReport;
} // namespace report

namespace printing {

// The statement preview window of the print command: the generated pages in a preview with
// page navigation, zoom, the print dialog, printing, saving to a file, and closing. The print
// command sets `Report`, attaches the report's printer and shows the window modally.
class TfrmPreview : public QDialog
{
    Q_OBJECT

public:
    // Zoom of the zoom buttons, percent: each click moves by zoomStep, up to maxStepZoom.
    static constexpr int zoomStep = 5;
    static constexpr int maxStepZoom = 200;
    // Pixels an arrow key scrolls the page.
    static constexpr int arrowScrollPixels = 13;
    // The window's size when it is not maximized.
    static constexpr int restoredWidth = 788;
    static constexpr int restoredHeight = 466;
    static constexpr int toolBarHeight = 27;

    // `owner` may be none.
    explicit TfrmPreview(QWidget* owner);
    ~TfrmPreview() override;

    // The report whose pages are shown; not owned.
    report::TRpReport* Report = nullptr;

    QFrame* ToolBar1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;  // first page
    QToolButton* SpeedButton2 = nullptr;  // previous page
    QToolButton* SpeedButton3 = nullptr;  // next page
    QToolButton* SpeedButton4 = nullptr;  // last page
    QToolButton* SpeedButton5 = nullptr;  // print dialog
    QToolButton* SpeedButton6 = nullptr;  // print
    QToolButton* SpeedButton7 = nullptr;  // zoom in
    QToolButton* SpeedButton8 = nullptr;  // zoom out
    QToolButton* SpeedButton9 = nullptr;  // close
    QToolButton* SpeedButton10 = nullptr; // save
    QFrame* Panel2 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* edt_Size = nullptr; // the zoom the zoom buttons step from
    QFrame* Panel1 = nullptr;
    QLabel* lbl_page = nullptr;
    QLabel* lbl_warning = nullptr; // the fields that were cut, above the page
    report::TRpPreview* RpPreview1 = nullptr;
    QMenu* Pop_Menu = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;
    QAction* N7 = nullptr;
    QAction* N8 = nullptr;
    QAction* N9 = nullptr;
    QAction* N10 = nullptr;
    QAction* N11 = nullptr;
    QAction* N12 = nullptr;
    QAction* N13 = nullptr;
    QAction* N14 = nullptr;

    // Attaches the report's current printer to the preview, keeping it for as long as it is
    // shown, and shows the page indicator.
    void attachReportPrinter();
    // "Page : n/N": the page shown and the shown printer's page total (0 without a printer).
    QString pageIndicatorText() const;
    void refreshPageIndicator();
    // Names the fields that did not fit whole above the page; hidden when there are none.
    void showCutTexts(const std::vector<std::string>& fields);

    // Shows the window modally and returns when it has closed.
    int ShowModal();

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton10Click();
    void FormShow();
    void FormClose();
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);

    // Where errors of the handlers go; a message box when unset. Texts are cp949.
    std::function<void(const std::string&)> messageSink;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void done(int result) override;

private:
    void buildToolBar();
    void buildMenu();
    void nameForAssistiveTechnology();
    QToolButton* speedButton(const char* name, int left, int width, const char* caption,
                             void (TfrmPreview::*handler)());
    QAction* menuItem(const char* name, const char* caption, const QKeySequence& shortcut,
                      void (TfrmPreview::*handler)());
    QAction* menuSeparator(const char* name);
    // Runs a handler as an event does: an error is shown, not thrown on.
    void guarded(void (TfrmPreview::*handler)());
    void showMessage(const std::string& text);
    void showPage(int page);
    int zoomPanelValue() const;
    // The zoom panel's text, and its name that says what it is.
    void writeZoomPanel(int zoom);
    void setZoomPanel(int zoom);
    // Writes the shown pages to `path`: a report file when `exportExtension` is empty, else
    // through the export filter of that extension. Nothing before the printer has finished.
    void save(const QString& path, const QString& exportExtension);

    QFrame* m_toolBarEdge = nullptr;
    // The printer the preview shows, kept alive while the report moves on to new ones.
    std::shared_ptr<report::TRpPrinter> m_shownPrinter;
};

} // namespace printing

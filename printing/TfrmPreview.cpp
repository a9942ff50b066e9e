#include "printing/TfrmPreview.h"

#include "gfx/Color.h"
#include "gfx/Font.h"
#include "printing/PreviewButtonPictures.h"
#include "report/model/TRpPrinter.h"
#include "report/model/TRpReport.h"
#include "report/preview/PreviewWords.h"
#include "report/preview/TRpPreview.h"
#include "report/print/PrintReport.h"
#include "report/print/ShowPrintDialog.h"
#include "report/print/WritePdf.h"
#include "report/store/TRpExportFilterLibrary.h"
#include "text/Cp949.h"
#include "text/Integers.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace printing {

namespace {

// Pixel heights of the characters of the window's fonts.
constexpr int formFontPixels = 13;
constexpr int buttonFontPixels = 12;
constexpr int zoomLabelPixels = 13;
// The tool bar's controls: a row 22 pixels high, 2 below the bar's top edge.
constexpr int controlTop = 2;
constexpr int controlHeight = 22;
constexpr int pictureSize = 16;
// The zoom panel's label and value, in the panel.
constexpr int zoomLabelLeft = 10;
constexpr int zoomValueLeft = 54;
constexpr int zoomValueWidth = 50;
constexpr int hangeulCharset = 129;
// The report file's added extension; the other files take their filter's.
const char* const reportFileSuffix = ".Txt";

QFont fontOf(const char* face, int pixels, bool bold)
{
    gfx::Font f;
    f.name = text::cp949(face);
    f.height = -pixels;
    f.bold = bold;
    f.charset = hangeulCharset;
    return gfx::toQFont(f, gfx::ScreenDpi);
}

QLabel* panelLabel(QWidget* parent, const char* name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    return label;
}

QFrame* spacerPanel(QWidget* parent, const char* name, int left, int width)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(left, controlTop, width, controlHeight);
    return panel;
}

// The save dialog's name filters from a filter text of "description|patterns" pairs.
QStringList nameFilters(const std::string& dialogFilterText)
{
    const QStringList parts = text::fromCp949(dialogFilterText).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        // A description that already names its patterns in brackets is the name filter.
        filters << (parts[i].endsWith(u')') ? parts[i] : parts[i] + u" ("_s + patterns + u")"_s);
    }
    return filters;
}

} // namespace

TfrmPreview::TfrmPreview(QWidget* owner)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint |
                         Qt::WindowContextHelpButtonHint)
{
    setObjectName(u"frmPreview"_s);
    setWindowTitle(u"미리보기(조회)"_s);
    setFont(fontOf("굴림체", formFontPixels, true));
    resize(restoredWidth, restoredHeight);
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowState(Qt::WindowMaximized);

    buildToolBar();
    RpPreview1 = new report::TRpPreview(this);
    RpPreview1->setObjectName(u"RpPreview1"_s);
    // The window's own key handler sees the arrow keys: the preview never takes the focus.
    RpPreview1->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    lbl_warning = new QLabel(this);
    lbl_warning->setObjectName(u"lbl_warning"_s);
    lbl_warning->setWordWrap(true);
    lbl_warning->setContentsMargins(8, 4, 8, 4);
    lbl_warning->setStyleSheet(u"background: #fff3cd; color: #5c3c00;"_s);
    lbl_warning->hide();
    layout->addWidget(lbl_warning);
    layout->addWidget(RpPreview1, 1);
    buildMenu();
    nameForAssistiveTechnology();
    // The pages can be saved as a PDF as well as a report file.
    report::RegisterPdfExportFilter();
}

void TfrmPreview::showCutTexts(const std::vector<std::string>& fields)
{
    QStringList names;
    for (const std::string& field : fields)
        names << text::fromCp949(field);
    lbl_warning->setText(u"가장 작은 글자로도 칸에 다 들어가지 않아 잘린 내용이 있습니다: "_s +
                         names.join(u", "_s));
    lbl_warning->setVisible(!fields.empty());
}

TfrmPreview::~TfrmPreview()
{
    // The printer goes only after the preview has let go of it.
    RpPreview1->setRpPrinter(nullptr);
}

void TfrmPreview::buildToolBar()
{
    ToolBar1 = new QFrame(this);
    ToolBar1->setObjectName(u"ToolBar1"_s);
    ToolBar1->setFixedHeight(toolBarHeight);
    // The bar's etched top edge, above its row of controls.
    m_toolBarEdge = new QFrame(ToolBar1);
    m_toolBarEdge->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    m_toolBarEdge->setGeometry(0, 0, width(), controlTop);

    SpeedButton1 = speedButton("SpeedButton1", 0, 40, "처음", &TfrmPreview::SpeedButton1Click);
    SpeedButton2 = speedButton("SpeedButton2", 40, 40, "이전", &TfrmPreview::SpeedButton2Click);
    SpeedButton3 = speedButton("SpeedButton3", 80, 40, "다음", &TfrmPreview::SpeedButton3Click);
    SpeedButton4 = speedButton("SpeedButton4", 120, 40, "마지막", &TfrmPreview::SpeedButton4Click);
    SpeedButton5 = speedButton("SpeedButton5", 160, 40, "설정", &TfrmPreview::SpeedButton5Click);
    SpeedButton6 = speedButton("SpeedButton6", 200, 40, "출력", &TfrmPreview::SpeedButton6Click);
    SpeedButton10 =
        speedButton("SpeedButton10", 240, 40, nullptr, &TfrmPreview::SpeedButton10Click);
    SpeedButton7 = speedButton("SpeedButton7", 280, 40, nullptr, &TfrmPreview::SpeedButton7Click);
    SpeedButton8 = speedButton("SpeedButton8", 320, 40, nullptr, &TfrmPreview::SpeedButton8Click);
    SpeedButton9 = speedButton("SpeedButton9", 472, 56, "종료", &TfrmPreview::SpeedButton9Click);

    const struct
    {
        QToolButton* button;
        gfx::Bitmap picture;
        const char* hint;
    } pictures[] = {
        {SpeedButton10, PreviewButtonPictures::floppyDisk(), "저장"},
        {SpeedButton7, PreviewButtonPictures::zoomIn(), "확대"},
        {SpeedButton8, PreviewButtonPictures::zoomOut(), "축소"},
        {SpeedButton9, PreviewButtonPictures::door(), nullptr},
    };
    for (const auto& p : pictures) {
        p.button->setIcon(PreviewButtonPictures::icon(p.picture));
        if (p.hint)
            p.button->setToolTip(QString::fromUtf8(p.hint));
    }
    SpeedButton9->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    Panel2 = spacerPanel(ToolBar1, "Panel2", 360, 112);
    Label2 = new QLabel(u"ZOOM"_s, Panel2);
    Label2->setObjectName(u"Label2"_s);
    Label2->setFont(fontOf("Arial", zoomLabelPixels, true));
    Label2->adjustSize();
    Label2->move(zoomLabelLeft, (controlHeight - Label2->height()) / 2);
    edt_Size = panelLabel(Panel2, "edt_Size", u"0"_s);
    edt_Size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edt_Size->setGeometry(zoomValueLeft, 0, zoomValueWidth, controlHeight);
    edt_Size->setAutoFillBackground(true);
    QPalette tip = edt_Size->palette();
    tip.setColor(QPalette::Window, gfx::toQColor(gfx::clInfoBk));
    tip.setColor(QPalette::WindowText, gfx::toQColor(gfx::clInfoText));
    edt_Size->setPalette(tip);

    Panel1 = spacerPanel(ToolBar1, "Panel1", 528, 112);
    lbl_page = panelLabel(ToolBar1, "lbl_page", u"Page : 1/1"_s);
    lbl_page->setAlignment(Qt::AlignCenter);
    lbl_page->setGeometry(640, controlTop, 140, controlHeight);
}

QToolButton* TfrmPreview::speedButton(const char* name, int left, int width, const char* caption,
                                      void (TfrmPreview::*handler)())
{
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFont(fontOf("굴림체", buttonFontPixels, false));
    button->setIconSize(QSize(pictureSize, pictureSize));
    button->setGeometry(left, controlTop, width, controlHeight);
    button->setToolButtonStyle(caption ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    if (caption)
        button->setText(QString::fromUtf8(caption));
    connect(button, &QToolButton::clicked, this, [this, handler] { guarded(handler); });
    return button;
}

void TfrmPreview::buildMenu()
{
    Pop_Menu = new QMenu(this);
    Pop_Menu->setObjectName(u"Pop_Menu"_s);
    N1 = menuItem("N1", "처음", Qt::Key_Home, &TfrmPreview::SpeedButton1Click);
    N2 = menuItem("N2", "이전", Qt::Key_PageUp, &TfrmPreview::SpeedButton2Click);
    N3 = menuItem("N3", "다음", Qt::Key_PageDown, &TfrmPreview::SpeedButton3Click);
    N4 = menuItem("N4", "마지막", Qt::Key_End, &TfrmPreview::SpeedButton4Click);
    N5 = menuSeparator("N5");
    N6 = menuItem("N6", "출력", Qt::ALT | Qt::Key_P, &TfrmPreview::SpeedButton6Click);
    N7 = menuItem("N7", "저장", Qt::ALT | Qt::Key_S, &TfrmPreview::SpeedButton10Click);
    N8 = menuSeparator("N8");
    N9 = menuItem("N9", "확대", Qt::ALT | Qt::Key_I, &TfrmPreview::SpeedButton7Click);
    N10 = menuItem("N10", "축소", Qt::ALT | Qt::Key_O, &TfrmPreview::SpeedButton8Click);
    N11 = menuSeparator("N11");
    N12 = menuItem("N12", "프린터 설정", Qt::CTRL | Qt::Key_P, &TfrmPreview::SpeedButton5Click);
    N13 = menuSeparator("N13");
    N14 = menuItem("N14", "종료", Qt::ALT | Qt::Key_F4, &TfrmPreview::SpeedButton9Click);
}

QAction* TfrmPreview::menuItem(const char* name, const char* caption, const QKeySequence& shortcut,
                               void (TfrmPreview::*handler)())
{
    QAction* item = Pop_Menu->addAction(QString::fromUtf8(caption));
    item->setObjectName(QString::fromLatin1(name));
    item->setShortcut(shortcut);
    // The shortcuts work whether the menu is open or not.
    addAction(item);
    connect(item, &QAction::triggered, this, [this, handler] { guarded(handler); });
    return item;
}

QAction* TfrmPreview::menuSeparator(const char* name)
{
    QAction* separator = Pop_Menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

void TfrmPreview::guarded(void (TfrmPreview::*handler)())
{
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        showMessage(e.what());
    }
}

void TfrmPreview::showMessage(const std::string& text)
{
    if (messageSink) {
        messageSink(text);
        return;
    }
    QMessageBox::critical(this, windowTitle(), text::fromCp949(text));
}

void TfrmPreview::attachReportPrinter()
{
    if (!Report)
        return;
    RpPreview1->setRpPrinter(Report->RpPrinter());
    m_shownPrinter = Report->sharedPrinter();
    refreshPageIndicator();
}

QString TfrmPreview::pageIndicatorText() const
{
    const report::TRpPrinter* printer = RpPreview1->RpPrinter();
    return report::pageIndicator(RpPreview1->pageNumber(), printer ? printer->PageTotal() : 0);
}

void TfrmPreview::refreshPageIndicator()
{
    lbl_page->setText(pageIndicatorText());
    const report::TRpPrinter* printer = RpPreview1->RpPrinter();
    const int pages = printer ? printer->PageTotal() : 0;
    const std::string title = printer ? printer->jobTitle : std::string();
    const QString where = report::pageInWords(RpPreview1->pageNumber(), pages);
    // The indicator's name is what it shows, said in words; a new name is told as it comes.
    lbl_page->setAccessibleName(where);
    RpPreview1->setAccessibleDescription(
        (title.empty() ? QString() : text::fromCp949(title) + u", "_s) + where);
}

void TfrmPreview::nameForAssistiveTechnology()
{
    // Each button is named by what it does, and its tooltip gives the key that does the same.
    const std::pair<QToolButton*, QAction*> buttons[] = {
        {SpeedButton1, N1},  {SpeedButton2, N2},  {SpeedButton3, N3},  {SpeedButton4, N4},
        {SpeedButton5, N12}, {SpeedButton6, N6},  {SpeedButton10, N7}, {SpeedButton7, N9},
        {SpeedButton8, N10}, {SpeedButton9, N14},
    };
    for (const auto& [button, action] : buttons) {
        button->setAccessibleName(action->text());
        button->setToolTip(action->text() + u" ("_s +
                           action->shortcut().toString(QKeySequence::NativeText) + u")"_s);
    }
    writeZoomPanel(zoomPanelValue());
    lbl_page->setAccessibleName(report::pageInWords(1, 1)); // as its first caption reads
    RpPreview1->setAccessibleName(u"미리 보기"_s);
}

int TfrmPreview::ShowModal()
{
    return exec();
}

void TfrmPreview::showPage(int page)
{
    RpPreview1->setPageNumber(page);
    refreshPageIndicator();
}

void TfrmPreview::SpeedButton1Click()
{
    showPage(1);
}

void TfrmPreview::SpeedButton2Click()
{
    const int page = RpPreview1->pageNumber();
    showPage(page > 1 ? page - 1 : page);
}

void TfrmPreview::SpeedButton3Click()
{
    const report::TRpPrinter* printer = RpPreview1->RpPrinter();
    const int page = RpPreview1->pageNumber();
    showPage(printer && page < printer->PageTotal() ? page + 1 : page);
}

void TfrmPreview::SpeedButton4Click()
{
    const report::TRpPrinter* printer = RpPreview1->RpPrinter();
    showPage(printer ? printer->PageTotal() : RpPreview1->pageNumber());
}

void TfrmPreview::SpeedButton5Click()
{
    if (Report)
        report::ShowPrintDialog(*Report, this);
}

void TfrmPreview::SpeedButton6Click()
{
    if (!Report)
        return;
    Report->showProgress = true;
    report::PrintReport(*Report);
}

int TfrmPreview::zoomPanelValue() const
{
    return text::StrToInt(text::toCp949(edt_Size->text()));
}

void TfrmPreview::writeZoomPanel(int zoom)
{
    edt_Size->setText(QString::number(zoom));
    edt_Size->setAccessibleName(report::zoomInWords(zoom));
}

void TfrmPreview::setZoomPanel(int zoom)
{
    writeZoomPanel(zoom);
    // The preview ignores zooms it cannot show (below 2 %), and keeps the page as it was.
    RpPreview1->setZoom(zoom);
}

void TfrmPreview::SpeedButton7Click()
{
    const int zoom = zoomPanelValue();
    if (zoom < maxStepZoom)
        setZoomPanel(zoom + zoomStep);
}

void TfrmPreview::SpeedButton8Click()
{
    const int zoom = zoomPanelValue();
    if (zoom > 0)
        setZoomPanel(zoom - zoomStep);
}

void TfrmPreview::SpeedButton9Click()
{
    RpPreview1->setRpPrinter(nullptr);
    close();
}

void TfrmPreview::SpeedButton10Click()
{
    // Saving makes the report generate anew; the preview keeps showing the pages it had.
    if (Report && RpPreview1->RpPrinter() && Report->RpPrinter() == RpPreview1->RpPrinter())
        m_shownPrinter = Report->sharedPrinter();
    auto regenerate = [this] {
        if (Report)
            Report->GeneratePages();
    };
    try {
        QFileDialog dialog(this);
        dialog.setObjectName(u"SaveDialog"_s);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setNameFilters(nameFilters(report::TRpExportFilterLibrary::DialogFilterText()));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            // The first filter is the report file, the export filters follow in their order.
            const qsizetype chosen = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
            const auto filters = report::TRpExportFilterLibrary::Filters();
            const bool exported = chosen >= 1 && size_t(chosen) <= filters.size();
            save(dialog.selectedFiles().constFirst(),
                 exported ? QString::fromStdString(filters[size_t(chosen) - 1].extension)
                          : QString());
        }
    } catch (...) {
        regenerate();
        throw;
    }
    regenerate();
}

void TfrmPreview::save(const QString& path, const QString& exportExtension)
{
    report::TRpPrinter* printer = RpPreview1->RpPrinter();
    if (!printer || printer->jobState() != report::jsFinished || !printer->pageStore())
        return;
    // A file name without a dot takes the extension of its file type; dots in its folders
    // say nothing about it.
    const bool dotless = !QFileInfo(path).fileName().contains(u'.');
    if (exportExtension.isEmpty()) {
        printer->SaveReportFile(dotless ? path + QString::fromLatin1(reportFileSuffix) : path);
        return;
    }
    const report::TRpExportFilterLibrary::Filter* filter =
        report::TRpExportFilterLibrary::FindFilter(exportExtension.toStdString());
    if (filter && filter->write)
        filter->write(*printer->pageStore(), dotless ? path + u"."_s + exportExtension : path);
}

void TfrmPreview::FormShow()
{
    // The zoom buttons step from 100, while the page first fills the window's width.
    writeZoomPanel(100);
    RpPreview1->setZoom(100);
    RpPreview1->ZoomToWidth();
}

void TfrmPreview::FormClose()
{
    RpPreview1->setRpPrinter(nullptr);
    m_shownPrinter.reset();
}

void TfrmPreview::FormKeyDown(int key, Qt::KeyboardModifiers)
{
    QScrollBar* horizontal = RpPreview1->horizontalScrollBar();
    QScrollBar* vertical = RpPreview1->verticalScrollBar();
    switch (key) {
    case Qt::Key_Right:
        horizontal->setValue(horizontal->value() + arrowScrollPixels);
        break;
    case Qt::Key_Left:
        horizontal->setValue(horizontal->value() - arrowScrollPixels);
        break;
    case Qt::Key_Up:
        vertical->setValue(vertical->value() - arrowScrollPixels);
        break;
    case Qt::Key_Down:
        vertical->setValue(vertical->value() + arrowScrollPixels);
        break;
    default:
        break;
    }
}

void TfrmPreview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored by the window system is not shown anew.
    if (!event->spontaneous())
        guarded(&TfrmPreview::FormShow);
}

void TfrmPreview::keyPressEvent(QKeyEvent* event)
{
    // Only the window's own handler: Escape does not close the window as it would a dialog.
    FormKeyDown(event->key(), event->modifiers());
    event->accept();
}

void TfrmPreview::contextMenuEvent(QContextMenuEvent* event)
{
    Pop_Menu->popup(event->globalPos());
}

void TfrmPreview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    m_toolBarEdge->setGeometry(0, 0, width(), controlTop);
}

void TfrmPreview::done(int result)
{
    // Every way of closing ends here: the buttons and menu, the window system's close, Alt+F4.
    FormClose();
    QDialog::done(result);
}

} // namespace printing

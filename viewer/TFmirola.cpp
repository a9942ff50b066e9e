#include "viewer/TFmirola.h"

#include "button/Glyphs.h"
#include "button/TFlatImageButton.h"
#include "exchange/ExchangeDriver.h"
#include "grid/TImVarGrid.h"
#include "printing/TFmirolareport.h"
#include "text/Cp949.h"
#include "viewer/DockLayout.h"
#include "viewer/GridCues.h"
#include "viewer/GridStatementLines.h"
#include "viewer/StatementGrids.h"
#include "viewer/StatementInputs.h"
#include "viewer/StatusLine.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QProxyStyle>
#include <QTimer>

#include <algorithm>
#include <stdexcept>
#include <utility>

using namespace Qt::StringLiterals;

namespace viewer {

namespace {

constexpr int startupDelayMs = 500; // the timer gives the host time to finish creating us
constexpr int editHeight = 21;
constexpr int bevelPixels = 5; // the spacers between the panels
constexpr int gulimChePixels = 13;
constexpr int formFontPixels = 11;
// Long enough to cover a search chain on a local network, short enough to go unnoticed.
constexpr int paintHoldMs = 100;
// How long the statement server locks an address after repeated wrong security numbers, by its
// default; its answer looks the same as a mismatch, so the message names both.
constexpr int guessLockMinutes = 10;

// The security number shows "*" for every character, whatever the style's own mark.
class StarPasswordStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QFont fontOf(const char* face, int pixels)
{
    gfx::Font f;
    f.name = text::cp949(face);
    f.height = -pixels;
    return gfx::toQFont(f, gfx::ScreenDpi);
}

QFrame* panel(QWidget* parent, const char* name, bool lowered)
{
    auto* p = new QFrame(parent);
    p->setObjectName(QString::fromLatin1(name));
    if (lowered)
        p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return p;
}

QWidget* spacer(QWidget* parent, const char* name)
{
    auto* w = new QWidget(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TFmirola::TFmirola(const Configuration& config, QWidget* parent) : QWidget(parent), m_config(config)
{
    setObjectName(u"Fmirola"_s);
    setWindowTitle(u"Fmirola"_s);
    setFont(fontOf("MS Sans Serif", formFontPixels));
    setAutoFillBackground(true);
    resize(823, 583); // the client area of the 831 x 617 form

    Image1 = config.seal;
    ClientSocket1 = new exchange::ExchangeDriver(*this, this);
    ClientSocket1->setServer(QString::fromStdString(config.host), quint16(config.port));
    ClientSocket1->setConnectTimeoutMs(config.connectTimeoutMs);
    ClientSocket1->setTls(config.tls, config.ca);

    buildActions();
    buildLayout();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setSingleShot(true);
    Timer1->setInterval(startupDelayMs);
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(); }); });
    Timer1->start();

    m_paintHold = new QTimer(this);
    m_paintHold->setSingleShot(true);
    m_paintHold->setInterval(paintHoldMs);
    connect(m_paintHold, &QTimer::timeout, this, [this] { holdPainting(false); });
}

TFmirola::~TFmirola()
{
    // The grids' click handler and the query line's signals refer to us; nothing may reach
    // them while the children go (the focus leaving the combo box ends its editing).
    ImVarGrid1->OnClick = nullptr;
    // The focus leaving a grid as it goes would reach its cues after the grid's own part is gone.
    qDeleteAll(findChildren<GridCues*>());
    for (QObject* sender : std::initializer_list<QObject*>{CustList, CustList->lineEdit(), PassWD,
                                                           SUBULYEAR, SSUBULMONTH, ESUBULMONTH})
        sender->disconnect(this);
}

QAction* TFmirola::action(const char* name, const char* caption, void (TFmirola::*handler)())
{
    auto* a = new QAction(QString::fromUtf8(caption), this);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this,
            [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    return a;
}

void TFmirola::buildActions()
{
    DataSerch = action("DataSerch", "검색", &TFmirola::DataSerchExecute);
    DataPrint = action("DataPrint", "인쇄", &TFmirola::DataPrintExecute);
    DataExit = action("DataExit", "종료", &TFmirola::DataExitExecute);
    // The command buttons take no focus, so the keyboard reaches them through these.
    const std::pair<QAction*, QKeySequence> keys[] = {
        {DataSerch, QKeySequence(Qt::Key_F5)},
        {DataPrint, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {DataExit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    for (const auto& [a, key] : keys) {
        a->setShortcut(key);
        // Within the form only: a host page may have its own meaning for the same keys.
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        a->setToolTip(a->text() + u" ("_s + key.toString(QKeySequence::NativeText) + u')');
        addAction(a);
    }
    DataClear = action("DataClear", "DataClear", &TFmirola::DataClearExecute);
    DataClear1 = action("DataClear1", "DataClear1", &TFmirola::DataClear1Execute);
    DataClear2 = action("DataClear2", "DataClear2", &TFmirola::DataClear2Execute);
    MakeKey = action("MakeKey", "MakeKey", &TFmirola::MakeKeyExecute);
    MakeCust = action("MakeCust", "MakeCust", &TFmirola::MakeCustExecute);
    MakeDate = action("MakeDate", "MakeDate", &TFmirola::MakeDateExecute);
    MakeData = action("MakeData", "MakeData", &TFmirola::MakeDataExecute);
    RepInit = action("RepInit", "RepInit", &TFmirola::RepInitExecute);
    RepData = action("RepData", "RepData", &TFmirola::RepDataExecute);
}

QLineEdit* TFmirola::edit(QWidget* parent, const char* name, int left, int top, int width,
                          bool readOnly)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(left, top, width, editHeight);
    e->setReadOnly(readOnly);
    e->setText(QString::fromLatin1(name)); // a new edit shows its own name until cleared
    e->setCursorPosition(0);
    // Read-only fields take focus by click, for copying, but stay out of the tab chain.
    if (readOnly)
        e->setFocusPolicy(Qt::ClickFocus);
    return e;
}

void TFmirola::nameFieldsForAssistiveTechnology()
{
    // Each field is named as its label reads, without the label's spacing; the labels are their
    // fields' buddies.
    const std::pair<QWidget*, const char*> fields[] = {
        {SUBULYEAR, "거래 연도"}, {SSUBULMONTH, "시작 월"},
        {ESUBULMONTH, "끝 월"},   {CustList, "거래업체"},
        {PassWD, "보안번호"},     {REGISTRATION, "사업자번호"},
        {CUSTNAME, "상호"},       {CHIEF, "대표자성명"},
        {ADDRESS, "주소"},        {JOBKIND, "업태"},
        {JOBITEM, "업종"},        {TOTAMTAX, "합계 금액"},
        {TOTCOUNT, "건수"},       {TOTAMT, "공급가액 합계"},
        {TOTTAX, "부가세 합계"},  {ImVarGrid1, "거래일자 목록"},
        {ImVarGrid2, "품목"},
    };
    for (const auto& [field, name] : fields)
        field->setAccessibleName(QString::fromUtf8(name));
    const std::pair<const char*, QWidget*> buddies[] = {
        {"Label1", SUBULYEAR}, {"Label2", CustList},  {"Label3", PassWD},  {"Label4", REGISTRATION},
        {"Label5", CUSTNAME},  {"Label6", CHIEF},     {"Label7", ADDRESS}, {"Label8", JOBKIND},
        {"Label9", JOBITEM},   {"Label22", TOTAMTAX},
    };
    for (const auto& [label, field] : buddies)
        if (auto* l = findChild<QLabel*>(QString::fromLatin1(label)))
            l->setBuddy(field);
}

QLabel* TFmirola::label(QWidget* parent, const char* name, const char* caption, int left, int top,
                        bool gulimChe, int width, bool rightJustify)
{
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    if (gulimChe)
        l->setFont(fontOf("굴림체", gulimChePixels));
    l->adjustSize();
    l->move(left, top);
    if (width > 0)
        l->resize(width, l->height());
    if (rightJustify)
        l->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return l;
}

void TFmirola::buildLayout()
{
    dockPanels();
    configureDatesGrid(*ImVarGrid1);
    configureLinesGrid(*ImVarGrid2);

    buildQueryLine();
    buildParticulars();
    buildTotals();
    nameFieldsForAssistiveTechnology();
    buildButtons();

    for (grid::TImVarGrid* g : {ImVarGrid1, ImVarGrid2})
        new GridCues(*g);

    // The query line first, then the trading dates and their lines.
    QWidget* const chain[] = {CustList,    PassWD,     SUBULYEAR, SSUBULMONTH,
                              ESUBULMONTH, ImVarGrid1, ImVarGrid2};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// The form's panels and grids, docked to its edges as the design lays them out.
void TFmirola::dockPanels()
{
    auto* form = new DockLayout(this);
    Panel_Menu = panel(this, "Panel_Menu", true);
    Panel1 = panel(this, "Panel1", false);
    form->addDocked(spacer(this, "Bevel8"), DockLayout::Top, bevelPixels);
    form->addDocked(spacer(this, "Bevel4"), DockLayout::Bottom, bevelPixels);
    form->addDocked(spacer(this, "Bevel6"), DockLayout::Left, bevelPixels);
    form->addDocked(spacer(this, "Bevel2"), DockLayout::Right, bevelPixels);
    form->addDocked(Panel_Menu, DockLayout::Right, 75);
    form->addDocked(spacer(this, "Bevel1"), DockLayout::Right, bevelPixels);
    form->addDocked(Panel1, DockLayout::Client);

    auto* main1 = new DockLayout(Panel1);
    Panel_Key = panel(Panel1, "Panel_Key", true);
    Panel_Msg = new StatusLine(Panel1);
    Panel_Msg->setObjectName(u"Panel_Msg"_s);
    Panel_Msg->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel_Msg->setAlignment(Qt::AlignCenter);
    ImVarGrid1 = new grid::TImVarGrid(Panel1);
    ImVarGrid1->setObjectName(u"ImVarGrid1"_s);
    Panel_Main = panel(Panel1, "Panel_Main", false);
    main1->addDocked(Panel_Key, DockLayout::Top, 40);
    main1->addDocked(spacer(Panel1, "Bevel3"), DockLayout::Top, bevelPixels);
    main1->addDocked(Panel_Msg, DockLayout::Bottom, 19);
    main1->addDocked(spacer(Panel1, "Bevel9"), DockLayout::Bottom, bevelPixels);
    main1->addDocked(ImVarGrid1, DockLayout::Left, 121);
    main1->addDocked(spacer(Panel1, "Bevel5"), DockLayout::Left, bevelPixels);
    main1->addDocked(Panel_Main, DockLayout::Client);

    auto* main2 = new DockLayout(Panel_Main);
    Panel_Main_Top = panel(Panel_Main, "Panel_Main_Top", true);
    Panel_Main_Botton = panel(Panel_Main, "Panel_Main_Botton", true);
    ImVarGrid2 = new grid::TImVarGrid(Panel_Main);
    ImVarGrid2->setObjectName(u"ImVarGrid2"_s);
    main2->addDocked(Panel_Main_Top, DockLayout::Top, 113);
    main2->addDocked(spacer(Panel_Main, "Bevel7"), DockLayout::Top, bevelPixels);
    main2->addDocked(Panel_Main_Botton, DockLayout::Bottom, 38);
    main2->addDocked(spacer(Panel_Main, "Bevel10"), DockLayout::Bottom, bevelPixels);
    main2->addDocked(ImVarGrid2, DockLayout::Client);
}

// Year, months, company and security number, each running the search on Enter.
void TFmirola::buildQueryLine()
{
    label(Panel_Key, "Label1", "거래년월", 10, 14, false, 48, true);
    SUBULYEAR = edit(Panel_Key, "SUBULYEAR", 64, 10, 49, false);
    label(Panel_Key, "Label23", "년", 117, 14, false);
    SSUBULMONTH = edit(Panel_Key, "SSUBULMONTH", 135, 10, 33, false);
    label(Panel_Key, "Label24", "월부터", 172, 14, false);
    ESUBULMONTH = edit(Panel_Key, "ESUBULMONTH", 219, 10, 33, false);
    label(Panel_Key, "Label25", "월까지", 257, 14, false);
    label(Panel_Key, "Label2", "거래업체", 304, 14, true);
    CustList = new QComboBox(Panel_Key);
    CustList->setObjectName(u"CustList"_s);
    CustList->setEditable(true);
    CustList->setInsertPolicy(QComboBox::NoInsert);
    CustList->setGeometry(368, 10, 153, editHeight);
    CustList->setEditText(u"CustList"_s);
    label(Panel_Key, "Label3", "보안번호", 536, 14, true);
    PassWD = edit(Panel_Key, "PassWD", 600, 10, 97, false);
    PassWD->setText(QString());
    auto* starStyle = new StarPasswordStyle;
    starStyle->setParent(PassWD);
    PassWD->setStyle(starStyle);
    PassWD->setEchoMode(QLineEdit::Password);
    // Enter in a field of the query line runs the search, as the search button does.
    for (QLineEdit* e : {CustList->lineEdit(), PassWD, SUBULYEAR, SSUBULMONTH, ESUBULMONTH})
        connect(e, &QLineEdit::returnPressed, this,
                [this] { guarded([this] { DataSerchExecute(); }); });
    // A typed company commits to its item once typing ends; a chosen item shows its code.
    connect(CustList->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const int index = custItemIndex();
        if (index >= 0 && index != CustList->currentIndex())
            CustList->setCurrentIndex(index);
        CustList->lineEdit()->setCursorPosition(0);
    });
    connect(CustList, &QComboBox::currentIndexChanged, this,
            [this] { CustList->lineEdit()->setCursorPosition(0); });
}

void TFmirola::buildParticulars()
{
    label(Panel_Main_Top, "Label4", "사업자번호", 16, 14, true, 70);
    REGISTRATION = edit(Panel_Main_Top, "REGISTRATION", 96, 10, 193, true);
    label(Panel_Main_Top, "Label5", "상      호", 16, 38, true, 70);
    CUSTNAME = edit(Panel_Main_Top, "CUSTNAME", 96, 34, 193, true);
    label(Panel_Main_Top, "Label6", "대표자성명", 296, 38, true, 70);
    CHIEF = edit(Panel_Main_Top, "CHIEF", 376, 34, 193, true);
    label(Panel_Main_Top, "Label7", "주      소", 16, 62, true, 70);
    ADDRESS = edit(Panel_Main_Top, "ADDRESS", 96, 58, 473, true);
    label(Panel_Main_Top, "Label8", "업      태", 16, 86, true, 70);
    JOBKIND = edit(Panel_Main_Top, "JOBKIND", 96, 82, 193, true);
    label(Panel_Main_Top, "Label9", "업      종", 296, 86, true, 70);
    JOBITEM = edit(Panel_Main_Top, "JOBITEM", 376, 82, 193, true);
}

void TFmirola::buildTotals()
{
    m_totalsLabel = label(Panel_Main_Botton, "Label22", "합      계", 16, 14, true, 70, true);
    TOTAMTAX = edit(Panel_Main_Botton, "TOTAMTAX", 96, 10, 153, true);
    TOTCOUNT = edit(Panel_Main_Botton, "TOTCOUNT", 256, 10, 105, true);
    TOTAMT = edit(Panel_Main_Botton, "TOTAMT", 368, 10, 121, true);
    TOTTAX = edit(Panel_Main_Botton, "TOTTAX", 496, 10, 73, true);
}

void TFmirola::buildButtons()
{
    struct ButtonRow
    {
        button::TFlatImageButton** button;
        const char* name;
        int top;
        QAction* action;
        gfx::Bitmap glyph;
    };
    const ButtonRow buttons[] = {
        {&FlatImageButton1, "FlatImageButton1", 5, DataSerch, button::Glyphs::search()},
        {&FlatImageButton6, "FlatImageButton6", 77, DataPrint, button::Glyphs::print()},
        {&FlatImageButton7, "FlatImageButton7", 149, DataExit, button::Glyphs::exit()},
    };
    for (const ButtonRow& row : buttons) {
        auto* b = new button::TFlatImageButton(Panel_Menu);
        b->setObjectName(QString::fromLatin1(row.name));
        b->setGeometry(2, row.top, 70, 70);
        b->setColorFocused(gfx::clBtnFace);
        b->setColorBorder(gfx::clBtnFace);
        b->setGlyph(row.glyph);
        b->setAction(row.action);
        b->setToolTip(row.action->toolTip());
        *row.button = b;
    }
}

void TFmirola::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The company is what a user picks first.
    if (m_firstShow) {
        m_firstShow = false;
        CustList->setFocus(Qt::OtherFocusReason);
    }
}

void TFmirola::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        showMessage(e.what());
    }
}

std::string TFmirola::textOf(const QLineEdit* edit)
{
    return text::toCp949(edit->text());
}

void TFmirola::setTextOf(QLineEdit* edit, const std::string& text)
{
    edit->setText(text::fromCp949(text));
    edit->setCursorPosition(0);
}

void TFmirola::Timer1Timer()
{
    Timer1->stop();
    DataClearExecute();
    MakeKeyExecute();
}

void TFmirola::DataSerchExecute()
{
    // Clearing now would empty what is arriving and the search could not be sent: it runs
    // once the exchange under way has ended.
    if (ClientSocket1->isBusy()) {
        m_searchPending = true;
        showStatus();
        return;
    }
    // Run now, or refused below: it waits no longer either way.
    m_searchPending = false;
    m_printPending = false;
    // A wrong field is told before anything is cleared or sent; the chain would otherwise stop
    // halfway with its connection left open.
    const std::string fieldError =
        exchange::periodFieldError(textOf(SUBULYEAR), textOf(SSUBULMONTH), textOf(ESUBULMONTH));
    if (!fieldError.empty()) {
        showMessage(fieldError);
        return;
    }
    // A code typed that names no company would go out empty, fail and count towards the lock
    // of this address.
    if (CustList->count() > 1 && custItemIndex() < 0) {
        const std::string typed = text::trim(text::toCp949(CustList->currentText()));
        showMessage(typed.empty() ? text::cp949("업체를 선택해 주세요!!!")
                                  : text::cp949("거래업체 '") + typed +
                                        text::cp949("'은(는) 업체 목록에 없습니다. "
                                                    "목록에서 업체를 골라 주세요."));
        return;
    }
    m_notice.clear();
    DataClearExecute();
    if (custItemIndex() == 0 || CustList->count() <= 1) {
        if (CustList->count() > 1) {
            showMessage(text::cp949("업체를 선택해 주세요!!!"));
            return;
        }
        // Not the user's fault: the list never came. Say why and ask for it again.
        const std::string why = lastFailure();
        showMessage(text::cp949("업체 목록을 받지 못했습니다. ") +
                    (why.empty() ? std::string() : why + " ") +
                    text::cp949("목록을 다시 받습니다."));
        // The list's request sets the period to this month; the user's own stays.
        const std::string period[] = {textOf(SUBULYEAR), textOf(SSUBULMONTH), textOf(ESUBULMONTH)};
        MakeKeyExecute();
        setTextOf(SUBULYEAR, period[0]);
        setTextOf(SSUBULMONTH, period[1]);
        setTextOf(ESUBULMONTH, period[2]);
        return;
    }
    MakeCustExecute();
}

std::optional<TFmirola::StatementKey> TFmirola::selectedStatement() const
{
    const int r = ImVarGrid1->Row() - 1;
    if (r < 0 || r >= ImVarGrid1->DataRowCount())
        return std::nullopt;
    return StatementKey{ImVarGrid1->GetDataCell(0, r).toString(),
                        ImVarGrid1->GetDataCell(1, r).toString()};
}

std::string TFmirola::printRefusal() const
{
    if (ClientSocket1->isBusy() || m_followUpQueued)
        return text::cp949("선택한 거래명세서를 받는 중입니다. 받기가 끝난 뒤 인쇄해 주세요.");
    const auto selected = selectedStatement();
    if (!selected)
        return text::cp949("인쇄할 거래명세서가 없습니다. 업체와 보안번호로 검색한 뒤 "
                           "거래일자를 골라 인쇄해 주세요.");
    if (selected == m_refusedLines)
        return staleListText(*selected);
    if (selected != m_linesOf) {
        const std::string why = lastFailure();
        return text::cp949("선택한 거래일자 ") + selected->first +
               text::cp949("의 품목을 받지 못해 인쇄할 수 없습니다.") +
               (why.empty() ? std::string() : " " + why);
    }
    return {};
}

bool TFmirola::isIdle() const
{
    return !ClientSocket1->isBusy() && !m_followUpQueued;
}

std::string TFmirola::lastFailure() const
{
    return ClientSocket1->lastFailure();
}

std::string TFmirola::staleListText(const StatementKey& statement) const
{
    return text::cp949("서버가 거래일자 ") + statement.first +
           text::cp949("의 품목을 보내 주지 않았습니다. 거래일자 목록이 오래되었습니다(서버가 "
                       "다시 시작되었거나 목록을 받은 지 오래되었습니다). 다시 검색해 주세요.");
}

void TFmirola::answerComplete(exchange::Command command)
{
    switch (command) {
    case exchange::Command::MakeData: {
        flushTotals();
        const auto& asked = ClientSocket1->lastLinesRequest();
        // Every listed statement has lines: none at all means the server refused them.
        if (asked && ImVarGrid2->DataRowCount() == 0) {
            m_refusedLines = asked;
            m_refusalToTell = true;
        } else {
            m_linesOf = asked;
            if (m_refusedLines == asked)
                m_refusedLines.reset();
        }
        markTotals();
        break;
    }
    case exchange::Command::MakeCust: {
        if (!m_statement.hasParticulars())
            m_notice = text::cp949("이 업체와 보안번호에 맞는 거래처 정보가 없습니다. "
                                   "보안번호가 틀렸거나, 틀린 보안번호가 여러 번 들어와 "
                                   "이 컴퓨터의 조회가 잠시 막혀 있습니다. 보안번호를 "
                                   "확인해 다시 검색하시고, 맞는 번호로도 이 메시지가 나오면 ") +
                       std::to_string(guessLockMinutes) +
                       text::cp949("분 뒤에 다시 검색해 주세요.");
        break;
    }
    case exchange::Command::MakeDate:
        // The search asked for after a refusal shows the statement the user was on.
        if (m_resumeStatement) {
            for (int r = 0; r < ImVarGrid1->DataRowCount(); ++r)
                if (StatementKey{ImVarGrid1->GetDataCell(0, r).toString(),
                                 ImVarGrid1->GetDataCell(1, r).toString()} == *m_resumeStatement)
                    ImVarGrid1->SetRow(r + 1);
            m_resumeStatement.reset();
        }
        if (m_notice.empty() && ImVarGrid1->DataRowCount() == 0)
            m_notice = text::trim(textOf(SUBULYEAR)) + text::cp949("년 ") +
                       text::trim(textOf(SSUBULMONTH)) + text::cp949("월부터 ") +
                       text::trim(textOf(ESUBULMONTH)) +
                       text::cp949("월까지 거래명세서가 없습니다.");
        break;
    default:
        break;
    }
}

void TFmirola::exchangeStarted()
{
    holdPainting(true);
}

void TFmirola::holdPainting(bool hold)
{
    if (hold)
        m_paintHold->start();
    else
        m_paintHold->stop();
    for (QWidget* w : std::initializer_list<QWidget*>{Panel1, Panel_Menu})
        w->setUpdatesEnabled(!hold);
}

void TFmirola::exchangeEnded()
{
    holdPainting(false);
    const std::optional<exchange::Command> unfinished = ClientSocket1->lastUnfinishedAnswer();
    if (unfinished == exchange::Command::MakeDate)
        m_datesCut = true;
    if (unfinished == exchange::Command::MakeData)
        markTotals();
    // A failure keeps its own words; a whole answer is told by what it put on the form.
    // The protection stays on the line once the answer is in, where the user reads it.
    if (ClientSocket1->lastOutcome() == exchange::Outcome::Complete)
        setStatusText(text::cp949("받기 끝: ") + screenSummary() +
                      (ClientSocket1->isProtected() ? text::cp949(" (보안 연결)") : std::string()));
    // Not from inside the disconnect handler: a follow-up opens a connection of its own.
    if (!m_followUpQueued) {
        m_followUpQueued = true;
        QTimer::singleShot(0, this, [this] { guarded([this] { afterExchange(); }); });
    }
}

void TFmirola::afterExchange()
{
    m_followUpQueued = false;
    if (ClientSocket1->isBusy())
        return;
    std::string notice;
    std::swap(notice, m_notice);
    if (m_searchPending) {
        // The search replaces the statement that a waiting print was for.
        m_printPending = false;
        DataSerchExecute();
        return;
    }
    // The latest selection wins. Nothing is sent after a failed exchange: its failure stays on
    // the status line until the user acts.
    const auto selected = selectedStatement();
    const bool failed = !lastFailure().empty();
    if (!failed && selected && selected != m_linesOf && selected != m_refusedLines) {
        MakeDataExecute();
        return;
    }
    if (std::exchange(m_refusalToTell, false) && m_refusedLines) {
        m_printPending = false;
        const StatementKey refused = *m_refusedLines;
        if (askQuestion(staleListText(refused) + " " + text::cp949("지금 다시 검색할까요?"))) {
            m_resumeStatement = refused;
            DataSerchExecute();
        }
        return;
    }
    if (std::exchange(m_printPending, false)) {
        showStatus();
        DataPrintExecute();
        return;
    }
    if (!failed && !notice.empty())
        showMessage(notice);
}

void TFmirola::DataPrintExecute()
{
    // As a search waits: the lines on their way are printed once they are whole.
    if (ClientSocket1->isBusy() || m_followUpQueued) {
        m_printPending = true;
        showStatus();
        return;
    }
    if (const std::string refusal = printRefusal(); !refusal.empty()) {
        showMessage(refusal);
        return;
    }
    m_printCommand.run(m_config.supplier, this, [this](printing::TFmirolareport&) {
        RepInitExecute();
        RepDataExecute();
    });
}

void TFmirola::DataExitExecute()
{
    m_searchPending = false;
    m_printPending = false;
    m_resumeStatement.reset();
    DataClearExecute();
}

void TFmirola::DataClearExecute()
{
    ClientSocket1->close();
    DataClear1Execute();
    DataClear2Execute();
}

void TFmirola::DataClear1Execute()
{
    // Detached first, so that moving the current row below cannot start a request.
    setGrid1ClickAttached(false);
    // The grid keeps values beyond its row count; blank them so they cannot reappear.
    for (int r = 0; r < ImVarGrid1->DataRowCount(); ++r) {
        ImVarGrid1->SetDataCell(0, r, std::string());
        ImVarGrid1->SetDataCell(1, r, std::string());
    }
    ImVarGrid1->SetRow(1);
    ImVarGrid1->setDataRowCount(0);
    for (QLineEdit* e : {REGISTRATION, CUSTNAME, CHIEF, ADDRESS, JOBKIND, JOBITEM})
        e->clear();
    m_statement.clearSearch();
    m_refusedLines.reset();
    m_refusalToTell = false;
    m_datesCut = false;
}

void TFmirola::DataClear2Execute()
{
    detachPrintedLines();
    for (int r = 0; r < ImVarGrid2->DataRowCount(); ++r)
        for (int c = 0; c < 7; ++c)
            ImVarGrid2->SetDataCell(c, r, std::string());
    ImVarGrid2->SetRow(1);
    ImVarGrid2->setDataRowCount(0);
    for (QLineEdit* e : {TOTAMT, TOTTAX, TOTAMTAX, TOTCOUNT})
        e->clear();
    m_statement.clearLines();
    m_totalsPending = false;
    m_linesOf.reset();
    markTotals();
}

void TFmirola::MakeKeyExecute()
{
    ClientSocket1->MakeKeyExecute();
}

void TFmirola::MakeCustExecute()
{
    ClientSocket1->MakeCustExecute();
}

void TFmirola::MakeDateExecute()
{
    ClientSocket1->MakeDateExecute();
}

void TFmirola::MakeDataExecute()
{
    // A row moved while an exchange runs is fetched when it ends (afterExchange); sending now
    // would be refused after grid 2 had already been cleared.
    if (ClientSocket1->isBusy())
        return;
    ClientSocket1->MakeDataExecute();
}

// Both work on the page of the print command in progress; outside one there is no page.
void TFmirola::RepInitExecute()
{
    if (printing::TFmirolareport* page = m_printCommand.reportForm())
        printing::ResetStatement(*page);
}

void TFmirola::RepDataExecute()
{
    if (printing::TFmirolareport* page = m_printCommand.reportForm())
        printing::FillStatement(*page, statementInputs());
}

printing::StatementInputs TFmirola::statementInputs() const
{
    // The focused body row; a focus on the heading row reads as no statement.
    printing::StatementInputs in = viewer::statementInputs(m_statement, ImVarGrid1->Row());
    auto lines = std::make_shared<GridStatementLines>(*ImVarGrid2);
    std::erase_if(m_printedLines, [](const auto& printed) { return printed.expired(); });
    m_printedLines.push_back(lines);
    in.lineSource = std::move(lines);
    in.seal = Image1;
    return in;
}

void TFmirola::detachPrintedLines()
{
    for (const std::weak_ptr<GridStatementLines>& printed : m_printedLines)
        if (const std::shared_ptr<GridStatementLines> lines = printed.lock())
            lines->detach();
    m_printedLines.clear();
}

printing::StatementFiller TFmirola::printableStatement()
{
    if (const std::string refusal = printRefusal(); !refusal.empty())
        throw std::runtime_error(refusal);
    return [this](printing::TFmirolareport&) {
        RepInitExecute();
        RepDataExecute();
    };
}

void TFmirola::exportStatement(const std::string& path, const printing::ExportOptions& options)
{
    m_printCommand.exportTo(m_config.supplier, printableStatement(), path, options);
}

void TFmirola::appendStatement(printing::StatementDocument& document)
{
    m_printCommand.appendTo(m_config.supplier, printableStatement(), document);
}

QLineEdit* TFmirola::editFor(Edit e) const
{
    switch (e) {
    case Edit::SUBULYEAR:
        return SUBULYEAR;
    case Edit::SSUBULMONTH:
        return SSUBULMONTH;
    case Edit::ESUBULMONTH:
        return ESUBULMONTH;
    case Edit::PassWD:
        return PassWD;
    }
    return nullptr;
}

std::string TFmirola::editText(Edit e) const
{
    return textOf(editFor(e));
}

void TFmirola::setEditText(Edit e, const std::string& text)
{
    setTextOf(editFor(e), text);
}

int TFmirola::custItemIndex() const
{
    const QString typed = CustList->currentText();
    const int index = CustList->currentIndex();
    if (index >= 0 && typed == CustList->itemText(index))
        return index;
    // Completion fills the edit part without selecting the item; so does typing it whole.
    if (const int match = CustList->findText(typed, Qt::MatchExactly); match >= 0)
        return match;
    // A company code alone names its item.
    const QString code = typed.trimmed();
    if (!code.isEmpty() && !code.contains(u' '))
        for (int i = 1; i < CustList->count(); ++i)
            if (CustList->itemText(i).startsWith(code + u' '))
                return i;
    return -1;
}

std::string TFmirola::selectedCustItem() const
{
    const int index = custItemIndex();
    return index < 0 ? std::string() : text::toCp949(CustList->itemText(index));
}

void TFmirola::clearCustList()
{
    CustList->clear();
}

void TFmirola::addCustItem(const std::string& item)
{
    CustList->addItem(text::fromCp949(item));
}

void TFmirola::setCustItemIndex(int index)
{
    CustList->setCurrentIndex(index);
}

int TFmirola::grid1DataRowCount() const
{
    return ImVarGrid1->DataRowCount();
}

int TFmirola::grid1Row() const
{
    return ImVarGrid1->Row();
}

std::string TFmirola::grid1DataCell(int col, int dataRow) const
{
    return ImVarGrid1->GetDataCell(col, dataRow).toString();
}

void TFmirola::setSearchEnabled(bool enabled)
{
    DataSerch->setEnabled(enabled);
}

void TFmirola::setGrid1ClickAttached(bool attached)
{
    if (attached)
        ImVarGrid1->OnClick = [this](QObject*) { guarded([this] { MakeDataExecute(); }); };
    else
        ImVarGrid1->OnClick = nullptr;
}

void TFmirola::setStatusText(const std::string& text)
{
    m_status = text;
    showStatus();
}

void TFmirola::showStatus()
{
    std::string shown = m_status;
    // The progress of the exchange goes on being shown; what waits for it is said beside it.
    if (m_searchPending || m_printPending)
        shown += (shown.empty() ? "" : "  /  ") +
                 text::cp949(m_searchPending ? "검색 대기 중: 지금 받는 내용이 끝나면 검색합니다."
                                             : "인쇄 대기 중: 품목을 다 받으면 인쇄합니다.");
    Panel_Msg->setText(text::fromCp949(shown));
}

std::string TFmirola::screenSummary() const
{
    const int dates = ImVarGrid1->DataRowCount();
    const bool searched =
        dates > 0 || !CUSTNAME->text().isEmpty() || !REGISTRATION->text().isEmpty();
    if (!searched)
        return text::cp949("업체 ") + std::to_string(std::max(0, CustList->count() - 1)) +
               text::cp949("곳");
    std::string summary = text::cp949("거래일자 ") + std::to_string(dates) + text::cp949("건");
    if (m_datesCut)
        summary += text::cp949("(목록이 끝까지 오지 않음)");
    const auto selected = selectedStatement();
    if (!selected)
        return summary;
    summary += text::cp949(", 선택한 ") + selected->first + text::cp949("의 품목 ");
    if (selected == m_refusedLines)
        return summary + text::cp949("받지 못함(목록이 오래됨)");
    summary += std::to_string(ImVarGrid2->DataRowCount()) + text::cp949("건");
    if (selected != m_linesOf)
        summary += text::cp949("(일부)");
    return summary;
}

void TFmirola::showMessage(const std::string& text)
{
    if (messageSink) {
        messageSink(text);
        return;
    }
    QMessageBox::information(this, u"mirola"_s, text::fromCp949(text));
}

bool TFmirola::askQuestion(const std::string& text)
{
    if (questionSink)
        return questionSink(text);
    if (messageSink) {
        messageSink(text);
        return false;
    }
    return QMessageBox::question(this, u"mirola"_s, text::fromCp949(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void TFmirola::SocketMakeKey(std::string_view row)
{
    addCustItem(exchange::companyItem(row));
}

void TFmirola::SocketMakeCust(std::string_view row)
{
    const exchange::CustParticulars& p = m_statement.takeParticulars(row);
    setTextOf(REGISTRATION, p.registration);
    setTextOf(CUSTNAME, p.custName);
    setTextOf(CHIEF, p.chief);
    setTextOf(ADDRESS, p.address);
    setTextOf(JOBKIND, p.jobKind);
    setTextOf(JOBITEM, p.jobItem);
}

void TFmirola::SocketMakeDate(std::string_view row)
{
    const int r = ImVarGrid1->DataRowCount();
    ImVarGrid1->setDataRowCount(r + 1);
    const exchange::TradingDate& d = m_statement.addDate(row);
    ImVarGrid1->SetDataCell(0, r, d.date);
    ImVarGrid1->SetDataCell(1, r, d.seq);
}

void TFmirola::SocketMakeData(std::string_view row)
{
    detachPrintedLines();
    const int r = ImVarGrid2->DataRowCount();
    const exchange::StatementLine& line = m_statement.addLine(row);
    // The cells before the row count: the grid keeps cells beyond its rows, and a cell written
    // there asks for no repaint, where one written into the new row would have the row
    // positions, just made stale by the count, worked out again for every line.
    for (int c = 0; c < int(line.size()); ++c)
        ImVarGrid2->SetDataCell(c, r, line[size_t(c)]);
    ImVarGrid2->setDataRowCount(r + 1);
    if (!m_totalsPending) {
        m_totalsPending = true;
        // After the lines of this read; the answer's end and the print command flush at once.
        QTimer::singleShot(0, this, [this] { flushTotals(); });
    }
}

void TFmirola::flushTotals() const
{
    if (!m_totalsPending)
        return;
    m_totalsPending = false;
    const exchange::Totals totals = m_statement.totals();
    setTextOf(TOTAMT, totals.amount);
    setTextOf(TOTTAX, totals.tax);
    setTextOf(TOTAMTAX, totals.amountWithTax);
    setTextOf(TOTCOUNT, totals.count);
    markTotals();
}

void TFmirola::markTotals() const
{
    const bool partial = ImVarGrid2->DataRowCount() > 0 && !m_linesOf;
    m_totalsLabel->setText(partial ? u"일부 합계"_s : u"합      계"_s);
    const QString why =
        partial ? u"품목을 다 받지 못했습니다: 받은 품목만의 합계입니다."_s : QString();
    for (QLineEdit* e : {TOTAMTAX, TOTCOUNT, TOTAMT, TOTTAX}) {
        if (partial) {
            QPalette palette = e->palette();
            palette.setColor(QPalette::Text, Qt::red);
            e->setPalette(palette);
        } else {
            e->setPalette(QPalette()); // the form's own again
        }
        e->setToolTip(why);
    }
}

} // namespace viewer

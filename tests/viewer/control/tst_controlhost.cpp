// Hosts of the control against the real server: two controls in one window exchanging at the
// same time, the viewer window, the example host program, and the control command.
#include "app/ControlCommand.h"
#include "exchange/ExchangeDriver.h"
#include "grid/TImVarGrid.h"
#include "tests/server/ServerProcess.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"
#include "viewer/TFmirola.h"
#include "viewer/control/ComServer.h"
#include "viewer/control/ControlSite.h"
#include "viewer/control/MirolaControl.h"
#include "viewer/control/TypeLibrary.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <sstream>

using namespace Qt::StringLiterals;
using namespace viewer::control;
using testsupport::waitUntil;
using viewer::TFmirola;

namespace {

MirolaFactory& factory()
{
    MirolaFactory* f = nullptr;
    EXPECT_EQ(DllGetClassObject(CLSID_mirola, &f), S_OK);
    return *f;
}

// The real server on its demo database, in a directory of its own.
struct DemoServer
{
    testsupport::TempDir dir;
    testsupport::ServerProcess process;

    bool start()
    {
        return process.start(
            {u"--db"_s, QString::fromStdString("sqlite:" + dir.file("demo.sqlite"))});
    }
    viewer::Configuration configuration() const
    {
        viewer::Configuration config = viewer::Configuration::defaults();
        config.port = process.port();
        return config;
    }
};

bool idle(const TFmirola* form)
{
    return !form->Panel_Msg->text().isEmpty() && form->isIdle() && form->DataSerch->isEnabled();
}

// Everything a search put on a form.
struct Shown
{
    std::vector<std::string> particulars;
    std::vector<std::vector<std::string>> dates;
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> totals;
    friend bool operator==(const Shown&, const Shown&) = default;
};

std::vector<std::vector<std::string>> rowsOf(const grid::TImVarGrid* g, int columns)
{
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < g->DataRowCount(); ++r) {
        rows.emplace_back();
        for (int c = 0; c < columns; ++c)
            rows.back().push_back(g->GetDataCell(c, r).toString());
    }
    return rows;
}

Shown shown(const TFmirola* f)
{
    Shown s;
    for (const QLineEdit* e :
         {f->REGISTRATION, f->CUSTNAME, f->CHIEF, f->ADDRESS, f->JOBKIND, f->JOBITEM})
        s.particulars.push_back(TFmirola::textOf(e));
    s.dates = rowsOf(f->ImVarGrid1, 2);
    s.lines = rowsOf(f->ImVarGrid2, 7);
    for (const QLineEdit* e : {f->TOTAMTAX, f->TOTCOUNT, f->TOTAMT, f->TOTTAX})
        s.totals.push_back(TFmirola::textOf(e));
    return s;
}

class TwoControls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << server.process.errorOutput();
        factory().setConfiguration(server.configuration());
        window = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window.get());
        for (ControlSite*& site : sites) {
            site = new ControlSite(window.get());
            layout->addWidget(site);
            ASSERT_EQ(site->createControl(factory()), S_OK);
            site->control()->form()->messageSink = [this](const std::string& m) {
                messages.push_back(m);
            };
        }
        window->show();
        // Each control's start-up timer loads its own company list.
        ASSERT_TRUE(waitUntil(
            [&] { return companies(a()) > 1 && companies(b()) > 1 && idle(a()) && idle(b()); },
            20000));
    }

    static int companies(const TFmirola* f) { return f->CustList->count(); }
    TFmirola* a() const { return sites[0]->control()->form(); }
    TFmirola* b() const { return sites[1]->control()->form(); }

    static void prepare(TFmirola* f, const char* code, const char* password)
    {
        f->DataExit->trigger();
        f->CustList->setCurrentIndex(
            f->CustList->findText(QString::fromLatin1(code), Qt::MatchStartsWith));
        f->PassWD->setText(QString::fromLatin1(password));
        f->Panel_Msg->clear();
    }

    DemoServer server;
    std::unique_ptr<QWidget> window;
    ControlSite* sites[2] = {};
    std::vector<std::string> messages;
};

TEST_F(TwoControls, SearchAtTheSameTimeAndEachShowsItsOwnCompany)
{
    // Each search alone first, for what each company's statement looks like.
    prepare(a(), "50001", "1234");
    a()->DataSerch->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(a()); }, 20000));
    const Shown aloneA = shown(a());
    prepare(b(), "50002", "5678");
    b()->DataSerch->trigger();
    ASSERT_TRUE(waitUntil([&] { return idle(b()); }, 20000));
    const Shown aloneB = shown(b());
    EXPECT_EQ(aloneA.particulars[1], text::cp949("(주)한빛유통"));
    EXPECT_EQ(aloneB.particulars[1], text::cp949("대성철강(주)"));
    ASSERT_FALSE(aloneA.lines.empty());
    ASSERT_FALSE(aloneB.lines.empty());

    // Then both from the same turn of the event loop: their connections are open together.
    prepare(a(), "50001", "1234");
    prepare(b(), "50002", "5678");
    EXPECT_EQ(shown(a()).lines.size(), 0u);
    bool bothOpen = false;
    for (TFmirola* f : {a(), b()})
        QObject::connect(f->DataSerch, &QAction::changed, f, [&] {
            bothOpen = bothOpen || (!a()->DataSerch->isEnabled() && !b()->DataSerch->isEnabled());
        });
    QMetaObject::invokeMethod(a()->DataSerch, &QAction::trigger, Qt::QueuedConnection);
    QMetaObject::invokeMethod(b()->DataSerch, &QAction::trigger, Qt::QueuedConnection);
    ASSERT_TRUE(
        waitUntil([&] { return idle(a()) && idle(b()) && shown(b()).totals[0] != ""; }, 20000));
    EXPECT_TRUE(bothOpen);
    EXPECT_EQ(shown(a()), aloneA);
    EXPECT_EQ(shown(b()), aloneB);
    EXPECT_TRUE(messages.empty());
}

TEST(ViewerWindow, ShowsTheFormInsideAHostWindowUntilItCloses)
{
    DemoServer server;
    ASSERT_TRUE(server.start()) << server.process.errorOutput();

    bool seen = false;
    int status = -1;
    const auto findWindow = []() -> QWidget* {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* area = qobject_cast<QScrollArea*>(w);
                area && area->isVisible() && dynamic_cast<ControlSite*>(area->widget()))
                return area;
        return nullptr;
    };
    const bool ended = testsupport::driveModal(
        "the viewer window", [&] { status = app::runViewerWindow(server.configuration()); },
        [&](QWidget& window) {
            auto* area = qobject_cast<QScrollArea*>(&window);
            auto* site = dynamic_cast<ControlSite*>(area->widget());
            EXPECT_EQ(window.windowTitle(), u"Fmirola"_s);
            TFmirola* form = site->control()->form();
            EXPECT_EQ(form->parentWidget(), site);
            EXPECT_EQ(form->geometry(), site->rect());
            // The window fits the screen's room, whatever the form's designed size.
            EXPECT_TRUE(window.screen()->availableGeometry().contains(window.frameGeometry()));
            // The embedded form runs its start-up exchange like any other.
            EXPECT_TRUE(
                waitUntil([&] { return form->CustList->count() > 1 && idle(form); }, 20000));
            // Made small, the window scrolls to what is out of sight rather than squeeze it.
            window.resize(420, 300);
            EXPECT_TRUE(waitUntil([&] { return area->horizontalScrollBar()->maximum() > 0; }));
            EXPECT_EQ(form->size(), site->sizeHint());
            // Tab from the company box brings where the security number is typed into sight.
            form->CustList->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(form->CustList, Qt::Key_Tab);
            EXPECT_TRUE(form->PassWD->hasFocus());
            const auto inSight = [&] {
                const QRect cursor = form->PassWD->inputMethodQuery(Qt::ImCursorRectangle).toRect();
                return area->viewport()->rect().contains(
                    QRect(form->PassWD->mapTo(area->viewport(), cursor.topLeft()), cursor.size()));
            };
            EXPECT_TRUE(waitUntil(inSight));
            EXPECT_GT(area->horizontalScrollBar()->value(), 0);
            if (const QByteArray shots = qgetenv("MIROLA_VIEWER_SHOTS"); !shots.isEmpty())
                window.grab().save(QString::fromLocal8Bit(shots) + u"/viewer-small-window.png"_s);
            seen = true;
            window.close();
        },
        testsupport::defaultModalDeadlineMs, findWindow);
    EXPECT_TRUE(ended);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(seen);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(HostExample, RunsHeadlessAndLogsTheEventsOfBothControls)
{
    DemoServer server;
    ASSERT_TRUE(server.start()) << server.process.errorOutput();
    QProcess example;
    example.start(QString::fromUtf8(MIROLA_HOST_EXAMPLE),
                  {u"--server"_s, u"127.0.0.1:"_s + QString::number(server.process.port()),
                   u"--quit-after-ms"_s, u"1000"_s});
    ASSERT_TRUE(example.waitForFinished(60000));
    EXPECT_EQ(example.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(example.exitCode(), 0) << example.readAllStandardError().toStdString();

    std::vector<std::string> log;
    std::istringstream out(example.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(out, line);)
        log.push_back(line);
    auto at = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line) - log.begin();
    };
    const long end = long(log.size());
    for (const std::string n : {"1", "2"}) {
        SCOPED_TRACE("control " + n);
        const std::string p = "[" + n + "] ";
        EXPECT_LT(at(p + "Caption 거래명세서 조회 " + n), end);
        EXPECT_LT(at(p + "Visible -1"), end);
        EXPECT_LT(at(p + "OnCreate"), at(p + "OnPaint"));
        EXPECT_LT(at(p + "OnPaint"), at(p + "OnDestroy"));
        EXPECT_LT(at(p + "OnDestroy"), end);
    }
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "done");
}

TEST(ControlCommand, WritesTheRegistryFileWithTheLibraryPathInCp949)
{
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(app::controlCommand({"regfile", "D:\\프로그램\\mirola.ocx"}, out, err), 0);
    EXPECT_NE(out.str().find("@=\"D:\\\\" + text::cp949("프로그램") + "\\\\mirola.ocx\""),
              std::string::npos);
    EXPECT_TRUE(err.str().empty());

    std::ostringstream byDefault;
    ASSERT_EQ(app::controlCommand({"regfile"}, byDefault, err), 0);
    EXPECT_NE(byDefault.str().find("\"C:\\\\Program Files\\\\mirola\\\\mirola.ocx,1\""),
              std::string::npos);
}

TEST(ControlCommand, WritesTheTypeLibraryAndVersionResourceAndRefusesOtherWords)
{
    struct Row
    {
        std::vector<std::string> args;
        int status;
        const char* expected; // in stdout, or in stderr for a refusal
    };
    const Row rows[] = {
        {{"idl"}, 0, "coclass mirola"},
        {{"rc"}, 0, "FILEVERSION 1,1,0,10"},
        {{}, 2, "control wants"},
        {{"tlb"}, 2, "control wants"},
        {{"idl", "extra"}, 2, "control wants"},
        {{"regfile", "a", "b"}, 2, "control wants"},
    };
    for (const Row& row : rows) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(app::controlCommand(row.args, out, err), row.status);
        EXPECT_NE((row.status == 0 ? out : err).str().find(row.expected), std::string::npos)
            << row.expected;
        EXPECT_TRUE((row.status == 0 ? err : out).str().empty());
    }
}

} // namespace

// The control object as a host sees it: factory and counting, the automation properties on the
// form, and the form's events fired to the host's sink.
#include "grid/TImVarGrid.h"
#include "tests/support/TestSupport.h"
#include "text/Cp949.h"
#include "viewer/TFmirola.h"
#include "viewer/control/ComServer.h"
#include "viewer/control/MirolaControl.h"

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLayout>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace viewer::control;
using testsupport::waitUntil;
using viewer::TFmirola;

namespace {

// Records every event it hears; its key handler decides what the form receives.
class RecordingSink : public MirolaEventSink
{
public:
    std::vector<std::string> events;
    std::vector<int16_t> keys;
    std::function<void(int16_t&)> onKey;

    void OnActivate() override { events.push_back("OnActivate"); }
    void OnClick() override { events.push_back("OnClick"); }
    void OnCreate() override { events.push_back("OnCreate"); }
    void OnDblClick() override { events.push_back("OnDblClick"); }
    void OnDestroy() override { events.push_back("OnDestroy"); }
    void OnDeactivate() override { events.push_back("OnDeactivate"); }
    void OnPaint() override { events.push_back("OnPaint"); }
    void OnKeyPress(int16_t& Key) override
    {
        events.push_back("OnKeyPress");
        keys.push_back(Key);
        if (onKey)
            onKey(Key);
    }

    int count(const std::string& name) const
    {
        return int(std::count(events.begin(), events.end(), name));
    }
    // Events other than painting, which comes whenever the platform likes.
    std::vector<std::string> withoutPaint() const
    {
        std::vector<std::string> out;
        for (const std::string& e : events)
            if (e != "OnPaint")
                out.push_back(e);
        return out;
    }
};

// Something a host might pass that is no event sink.
class NotASink : public IUnknown
{
};

// Records the characters that reach a widget.
class KeySpy : public QObject
{
public:
    std::vector<QString> texts;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            texts.push_back(static_cast<QKeyEvent*>(event)->text());
        return false;
    }
};

MirolaFactory& factory()
{
    MirolaFactory* f = nullptr;
    EXPECT_EQ(DllGetClassObject(CLSID_mirola, &f), S_OK);
    return *f;
}

// A host window with one control and an edit of the host's own beside it.
class ControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host = std::make_unique<QWidget>();
        host->resize(900, 640);
        outside = new QLineEdit(host.get());
        outside->setGeometry(10, 600, 200, 24);
        ASSERT_EQ(factory().CreateInstance(host.get(), &control), S_OK);
        form = control->form();
        // No server here: the start-up exchange stays off.
        form->Timer1->stop();
        sink = std::make_shared<RecordingSink>();
        control->EventSinkChanged(sink);
    }

    void showActive()
    {
        host->show();
        host->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    }

    // A press and release where the window system would deliver them: to the widget under the
    // point, from which an ignored press travels up to the form.
    void click(QPoint p, bool twice = false)
    {
        QWidget* target = form->childAt(p) ? form->childAt(p) : form;
        const QPoint local = target->mapFrom(form, p);
        QTest::mousePress(target, Qt::LeftButton, {}, local);
        QTest::mouseRelease(target, Qt::LeftButton, {}, local);
        if (twice) {
            QTest::mouseDClick(target, Qt::LeftButton, {}, local);
            QTest::mouseRelease(target, Qt::LeftButton, {}, local);
        }
    }

    std::unique_ptr<QWidget> host;
    QLineEdit* outside = nullptr;
    std::unique_ptr<MirolaControl> control;
    TFmirola* form = nullptr;
    std::shared_ptr<RecordingSink> sink;
};

TEST(ControlFactory, CountsLiveObjectsAndLocksAndServesOnlyItsClass)
{
    MirolaFactory* other = &factory();
    EXPECT_EQ(DllGetClassObject(IID_Imirola, &other), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(DllGetClassObject(CLSID_mirola, nullptr), E_POINTER);

    ASSERT_EQ(DllCanUnloadNow(), S_OK);
    QWidget site;
    std::unique_ptr<MirolaControl> a;
    std::unique_ptr<MirolaControl> b;
    ASSERT_EQ(factory().CreateInstance(&site, &a), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    ASSERT_EQ(factory().CreateInstance(&site, &b), S_OK);
    EXPECT_NE(a->form(), b->form());
    a.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    b.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    EXPECT_EQ(factory().LockServer(true), S_OK);
    EXPECT_EQ(factory().LockServer(true), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory().LockServer(false), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory().LockServer(false), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_EQ(factory().LockServer(false), E_UNEXPECTED);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    // Failed creations leave nothing alive.
    std::unique_ptr<MirolaControl> none;
    EXPECT_EQ(factory().CreateInstance(nullptr, &none), E_INVALIDARG);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(factory().CreateInstance(&site, nullptr), E_POINTER);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ControlTest, CaptionWithHangulReachesTheFormAsCp949)
{
    ASSERT_EQ(control->put_Caption(u"거래명세서 조회"), S_OK);
    EXPECT_EQ(text::toCp949(form->windowTitle()), text::cp949("거래명세서 조회"));
    std::u16string caption;
    ASSERT_EQ(control->get_Caption(&caption), S_OK);
    EXPECT_EQ(caption, u"거래명세서 조회");
    // What cp949 cannot hold does not survive the form's text.
    ASSERT_EQ(control->put_Caption(u"가\u0E01"), S_OK);
    EXPECT_EQ(text::toCp949(form->windowTitle()), text::cp949("가?"));
}

TEST_F(ControlTest, VisibleReadsMinusOneWhileTheFormIsVisibleAndZeroOtherwise)
{
    host->show();
    VARIANT_BOOL visible = 7;
    ASSERT_EQ(control->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, -1);
    ASSERT_EQ(control->put_Visible(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(control->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, 0);
    // Any non-zero automation boolean is true; it reads back as -1.
    ASSERT_EQ(control->put_Visible(1), S_OK);
    EXPECT_TRUE(form->isVisible());
    OleVariant value;
    ASSERT_EQ(control->Invoke(201, InvokeKind::PropertyGet, {}, &value), S_OK);
    EXPECT_EQ(value, OleVariant::boolean(VARIANT_TRUE));
    EXPECT_EQ(control->get_Visible(nullptr), E_POINTER);
}

TEST_F(ControlTest, PropertiesMapOntoTheForm)
{
    // Colour: OLE's 0x00BBGGRR in the form's background, system colours kept as such.
    ASSERT_EQ(control->put_Color(0x000080FF), S_OK);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(0xFF, 0x80, 0x00));
    OLE_COLOR color = 0;
    ASSERT_EQ(control->get_Color(&color), S_OK);
    EXPECT_EQ(color, 0x000080FFu);
    ASSERT_EQ(control->put_Color(0x8000000F), S_OK);
    ASSERT_EQ(control->get_Color(&color), S_OK);
    EXPECT_EQ(color, 0x8000000Fu);
    EXPECT_EQ(control->put_Color(0x12000000), E_INVALIDARG);
    EXPECT_EQ(control->put_Color(0x80000040), E_INVALIDARG);

    // Font: copied into the form's font through the adapter, read back as set.
    OleFont font;
    font.Name = u"굴림체";
    font.Size = 120000; // 12 points: 16 pixels
    font.Bold = true;
    font.Charset = 129;
    ASSERT_EQ(control->put_Font(font), S_OK);
    EXPECT_EQ(form->font().pixelSize(), 16);
    EXPECT_TRUE(form->font().bold());
    EXPECT_EQ(form->font().family(), u"NanumGothicCoding");
    OleFont back;
    ASSERT_EQ(control->get_Font(&back), S_OK);
    EXPECT_EQ(back, font);
    font.Italic = true;
    ASSERT_EQ(control->putref_Font(font), S_OK);
    EXPECT_TRUE(form->font().italic());
    EXPECT_EQ(control->put_Font(OleFont{u"", 90000}), E_INVALIDARG);
    EXPECT_EQ(control->put_Font(OleFont{u"Arial", 0}), E_INVALIDARG);

    ASSERT_EQ(control->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(form->isEnabled());
    ASSERT_EQ(control->put_DropTarget(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(form->acceptDrops());
    VARIANT_BOOL b = 0;
    ASSERT_EQ(control->get_AlignDisabled(&b), S_OK);
    EXPECT_EQ(b, 0);
    form->layout()->setEnabled(false);
    ASSERT_EQ(control->get_AlignDisabled(&b), S_OK);
    EXPECT_EQ(b, -1);

    // Values outside an enumeration or a range are refused and change nothing.
    EXPECT_EQ(control->put_AxBorderStyle(TxActiveFormBorderStyle(4)), E_INVALIDARG);
    EXPECT_EQ(control->put_PrintScale(TxPrintScale(-1)), E_INVALIDARG);
    EXPECT_EQ(control->put_PixelsPerInch(0), E_INVALIDARG);
    TxPrintScale scale = poNone;
    ASSERT_EQ(control->get_PrintScale(&scale), S_OK);
    EXPECT_EQ(scale, poProportional);
}

TEST_F(ControlTest, DispatchByNameAndDispidReachesEveryProperty)
{
    for (const PropertyInfo& p : ImirolaProperties()) {
        SCOPED_TRACE(std::string(p.name));
        DISPID id = 0;
        std::u16string upper;
        for (char c : p.name)
            upper += char16_t(std::toupper(static_cast<unsigned char>(c)));
        ASSERT_EQ(control->GetIDsOfNames(upper, &id), S_OK);
        EXPECT_EQ(id, p.dispid);
        OleVariant value;
        ASSERT_EQ(control->Invoke(id, InvokeKind::PropertyGet, {}, &value), S_OK);
        EXPECT_NE(value.type(), OleVariant::Type::Empty);
        // Writing back what was read is accepted exactly where the property can be written.
        EXPECT_EQ(control->Invoke(id, InvokeKind::PropertyPut, {value}, nullptr),
                  (p.access() & Put) ? S_OK : DISP_E_MEMBERNOTFOUND);
        EXPECT_EQ(control->Invoke(id, InvokeKind::PropertyPutRef, {value}, nullptr),
                  (p.access() & PutRef) ? S_OK : DISP_E_MEMBERNOTFOUND);
    }

    DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(u"Print", &id), DISP_E_UNKNOWNNAME);
    OleVariant value;
    EXPECT_EQ(control->Invoke(999, InvokeKind::PropertyGet, {}, &value), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(control->Invoke(DISPID_CAPTION, InvokeKind::Method, {}, &value),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(
        control->Invoke(DISPID_CAPTION, InvokeKind::PropertyPut, {OleVariant::i4(5)}, nullptr),
        DISP_E_TYPEMISMATCH);
    EXPECT_EQ(control->Invoke(DISPID_CAPTION, InvokeKind::PropertyPut, {}, nullptr),
              DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(control->Invoke(DISPID_CAPTION, InvokeKind::PropertyGet, {}, nullptr), E_POINTER);
    // A script's caption arrives like the typed accessor's; a colour may come as a signed value.
    ASSERT_EQ(control->Invoke(DISPID_CAPTION, InvokeKind::PropertyPut,
                              {OleVariant::bstr(u"명세서")}, nullptr),
              S_OK);
    EXPECT_EQ(text::toCp949(form->windowTitle()), text::cp949("명세서"));
    ASSERT_EQ(control->Invoke(DISPID_BACKCOLOR, InvokeKind::PropertyPut,
                              {OleVariant::i4(int32_t(0x8000000F))}, nullptr),
              S_OK);
    ASSERT_EQ(control->Invoke(DISPID_BACKCOLOR, InvokeKind::PropertyGet, {}, &value), S_OK);
    EXPECT_EQ(value.toUInt32(), 0x8000000Fu);
    // An error inside the accessor comes back as its status.
    EXPECT_EQ(control->Invoke(204, InvokeKind::PropertyPut, {OleVariant::i4(9)}, nullptr),
              E_INVALIDARG);
}

TEST_F(ControlTest, OnCreateAndOnPaintArriveOnceTheHostRunsItsLoop)
{
    EXPECT_TRUE(sink->events.empty());
    host->show();
    ASSERT_TRUE(
        waitUntil([&] { return sink->count("OnPaint") > 0 && sink->count("OnCreate") == 1; }));
    EXPECT_EQ(sink->events.front(), "OnCreate");
}

TEST_F(ControlTest, ClicksOnTheFormItselfFireButClicksOnItsControlsDoNot)
{
    showActive();
    waitUntil([&] { return sink->count("OnCreate") == 1; });
    sink->events.clear();
    click(form->PassWD->mapTo(form, QPoint(5, 5)));
    click(form->Panel_Key->mapTo(form, QPoint(2, 2)));
    click(form->ImVarGrid2->mapTo(form, QPoint(30, 30)));
    EXPECT_EQ(sink->count("OnClick"), 0);

    // The spacer strip along the top edge is the form's own surface.
    click(QPoint(300, 2));
    EXPECT_EQ(sink->count("OnClick"), 1);
    click(QPoint(300, 2), true);
    EXPECT_EQ(sink->count("OnClick"), 2); // the first click of the pair
    EXPECT_EQ(sink->count("OnDblClick"), 1);
}

TEST_F(ControlTest, FocusEnteringAndLeavingTheFormActivatesAndDeactivatesIt)
{
    showActive();
    outside->setFocus();
    waitUntil([&] { return sink->count("OnCreate") == 1; });
    sink->events.clear();
    VARIANT_BOOL active = -1;
    ASSERT_EQ(control->get_Active(&active), S_OK);
    EXPECT_EQ(active, 0);

    form->PassWD->setFocus();
    form->SUBULYEAR->setFocus(); // moving inside the form changes nothing
    ASSERT_EQ(control->get_Active(&active), S_OK);
    EXPECT_EQ(active, -1);
    outside->setFocus();
    ASSERT_EQ(control->get_Active(&active), S_OK);
    EXPECT_EQ(active, 0);
    EXPECT_EQ(sink->withoutPaint(), (std::vector<std::string>{"OnActivate", "OnDeactivate"}));
}

struct KeyCase
{
    const char* name;
    bool keyPreview;
    int16_t hostKey; // what the sink leaves in Key; -1 leaves it alone
    const char* before;
    const char* after;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyPressTest : public ControlTest, public ::testing::WithParamInterface<KeyCase>
{
};

TEST_P(KeyPressTest, TheHostsKeyReplacesTheTypedCharacter)
{
    const KeyCase& c = GetParam();
    showActive();
    control->put_KeyPreview(toVariantBool(c.keyPreview));
    form->PassWD->setText(QString::fromUtf8(c.before));
    form->PassWD->setFocus();
    sink->onKey = [&](int16_t& key) {
        if (c.hostKey >= 0)
            key = c.hostKey;
    };
    KeySpy spy;
    form->PassWD->installEventFilter(&spy);
    QTest::keyClick(form->PassWD, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(form->PassWD->text(), QString::fromUtf8(c.after));
    if (!c.keyPreview) {
        EXPECT_EQ(sink->count("OnKeyPress"), 0);
        return;
    }
    ASSERT_EQ(sink->keys, std::vector<int16_t>{'a'});
    // The typed character reaches the control only when the host left it alone; otherwise the
    // host's character arrives in its place.
    const std::vector<QString> expected =
        c.hostKey < 0 ? std::vector<QString>{u"a"_s}
                      : std::vector<QString>{u"a"_s, QString(QChar(char16_t(c.hostKey)))};
    EXPECT_EQ(spy.texts, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeyPressTest,
    ::testing::Values(KeyCase{"HostLeavesTheKey", true, -1, "", "a"},
                      KeyCase{"HostReplacesTheKey", true, 'b', "", "b"},
                      KeyCase{"HostSetsTheKeyToZero", true, 0, "", ""},
                      KeyCase{"HostTurnsTheKeyIntoBackspace", true, 8, "xy", "x"},
                      KeyCase{"WithoutKeyPreviewTheControlGetsTheKey", false, 0, "", "a"}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

struct CharacterCase
{
    const char* name;
    bool inputMethod; // committed by an input method, or typed as a key with this text
    const char* typed;
    int hostKey;                 // what the sink leaves in Key; -1 leaves it alone
    std::vector<uint16_t> heard; // the keys the sink hears, cp949 values
    const char* before;
    const char* after;
};

void PrintTo(const CharacterCase& c, std::ostream* os)
{
    *os << c.name;
}

class CharacterTest : public ControlTest, public ::testing::WithParamInterface<CharacterCase>
{
};

TEST_P(CharacterTest, KoreanCharactersReachTheHostAsCp949Values)
{
    const CharacterCase& c = GetParam();
    showActive();
    control->put_KeyPreview(VARIANT_TRUE);
    form->PassWD->setText(QString::fromUtf8(c.before));
    form->PassWD->setFocus();
    sink->onKey = [&](int16_t& key) {
        if (c.hostKey >= 0)
            key = int16_t(c.hostKey);
    };
    const QString typed = QString::fromUtf8(c.typed);
    if (c.inputMethod) {
        // A composition in progress, then its commit, as the platform's input method sends them.
        QInputMethodEvent composing(typed.left(1), {});
        QCoreApplication::sendEvent(form->PassWD, &composing);
        QInputMethodEvent committed;
        committed.setCommitString(typed);
        QCoreApplication::sendEvent(form->PassWD, &committed);
    } else {
        QTest::sendKeyEvent(QTest::Click, form->PassWD, Qt::Key_unknown, typed, Qt::NoModifier);
    }
    std::vector<uint16_t> heard;
    for (int16_t k : sink->keys)
        heard.push_back(uint16_t(k));
    EXPECT_EQ(heard, c.heard);
    EXPECT_EQ(form->PassWD->text(), QString::fromUtf8(c.after));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CharacterTest,
    ::testing::Values(
        CharacterCase{"CommittedHangulFiresWithItsCp949Value", true, "한", -1, {0xC7D1}, "", "한"},
        CharacterCase{
            "TwoSyllablesCommittedAtOnceFireTwice", true, "한글", -1, {0xC7D1, 0xB1DB}, "", "한글"},
        CharacterCase{"HostReplacesTheCommittedSyllable", true, "한", 0xB1DB, {0xC7D1}, "", "글"},
        CharacterCase{"HostReplacesItWithALatinLetter", true, "한", 'z', {0xC7D1}, "a", "az"},
        CharacterCase{"HostSetsTheKeyToZero", true, "한", 0, {0xC7D1}, "a", "a"},
        CharacterCase{"HostTurnsTheCommitIntoBackspace", true, "한", 8, {0xC7D1}, "xy", "x"},
        CharacterCase{"HostLeavesALoneLeadByte", true, "한", 0xC7, {0xC7D1}, "a", "a"},
        CharacterCase{"HangulTypedAsAKey", false, "글", -1, {0xB1DB}, "", "글"},
        CharacterCase{"HostReplacesTheTypedHangul", false, "글", 0xC7D1, {0xB1DB}, "", "한"},
        CharacterCase{"ACharacterCp949LacksGoesAsAQuestionMark", false, "é", -1, {'?'}, "", "é"}),
    [](const ::testing::TestParamInfo<CharacterCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(ControlTest, ASinkThatSetsKeyToZeroMakesTheFormReceiveCharacterZero)
{
    showActive();
    form->setFocus(); // the form itself holds the focus: its own key press, no preview needed
    sink->onKey = [](int16_t& key) { key = 0; };
    KeySpy spy;
    form->installEventFilter(&spy);
    QTest::keyClick(form, Qt::Key_Q, Qt::NoModifier);
    EXPECT_EQ(sink->keys, std::vector<int16_t>{'q'});
    EXPECT_EQ(spy.texts, (std::vector<QString>{u"q"_s, QString(QChar(u'\0'))}));
}

TEST_F(ControlTest, WithoutASinkNothingIsFiredAndTheFormWorks)
{
    // A sink disconnected, and something that is no sink at all, hear nothing.
    control->EventSinkChanged(nullptr);
    control->EventSinkChanged(std::make_shared<NotASink>());
    showActive();
    control->put_KeyPreview(VARIANT_TRUE);
    form->PassWD->setFocus();
    QTest::keyClicks(form->PassWD, u"12"_s);
    click(QPoint(300, 2), true);
    form->SUBULYEAR->setText(u"1999"_s);
    form->DataExit->trigger();
    QCoreApplication::processEvents(); // the queued OnCreate would come now
    outside->setFocus();
    EXPECT_TRUE(sink->events.empty());
    EXPECT_EQ(form->PassWD->text(), u"12"_s);
    EXPECT_EQ(form->ImVarGrid1->DataRowCount(), 0);
    VARIANT_BOOL visible = 0;
    EXPECT_EQ(control->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, -1);
}

TEST_F(ControlTest, OnDestroyComesOnceWhetherTheHostReleasesTheControlOrDestroysItsWindow)
{
    control.reset();
    EXPECT_EQ(sink->count("OnDestroy"), 1);

    ASSERT_EQ(factory().CreateInstance(host.get(), &control), S_OK);
    auto second = std::make_shared<RecordingSink>();
    control->EventSinkChanged(second);
    host.reset();
    EXPECT_EQ(control->form(), nullptr);
    EXPECT_EQ(second->count("OnDestroy"), 1);
    // Accessors that need the form say it is gone; plain fields still answer.
    VARIANT_BOOL value = 0;
    EXPECT_EQ(control->get_Visible(&value), E_UNEXPECTED);
    EXPECT_EQ(control->put_Caption(u"x"), E_UNEXPECTED);
    EXPECT_EQ(control->get_AutoScroll(&value), S_OK);
    control.reset();
    EXPECT_EQ(second->count("OnDestroy"), 1);
    EXPECT_EQ(second->count("OnCreate"), 0); // the form was gone before the loop ran
}

} // namespace

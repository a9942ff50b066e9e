// The modal-loop driver every window test relies on: it acts in the window once it is active,
// and a loop left running fails its step quickly instead of hanging the test program.
#include "tests/support/ModalDriver.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::driveModal;

namespace {

// Short enough to keep the test quick, long enough for a loaded sanitizer build to show a window.
constexpr int shortDeadlineMs = 3000;

TEST(ModalDriver, KeysReachTheActiveDialogAndItsLoopEnds)
{
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new QPushButton(u"OK"_s, &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    edit->setFocus();
    int result = -1;
    const bool ended = driveModal(
        "type into a dialog", [&] { result = dialog.exec(); },
        [&](QWidget& window) {
            EXPECT_EQ(&window, &dialog);
            EXPECT_TRUE(window.isActiveWindow());
            QTest::keyClicks(edit, u"abc"_s);
            QTest::keyClick(&window, Qt::Key_Return);
        });
    EXPECT_TRUE(ended);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(edit->text(), u"abc"_s);
}

TEST(ModalDriver, ADialogOpenedFromInsideAnotherIsTheOneDriven)
{
    QDialog outer;
    QString innerTitle;
    const bool ok = driveModal(
        "outer", [&] { outer.exec(); },
        [&](QWidget&) {
            QMessageBox inner(QMessageBox::Information, u"inner"_s, u"text"_s, QMessageBox::Ok,
                              &outer);
            EXPECT_TRUE(driveModal(
                "inner", [&] { inner.exec(); },
                [&](QWidget& window) {
                    innerTitle = window.windowTitle();
                    QTest::keyClick(&window, Qt::Key_Return);
                }));
            outer.reject();
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(innerTitle, u"inner"_s);
}

// Written to prove the watchdog: the step leaves its dialog open, as a key sent to the wrong
// window would. The loop must end at the deadline with the watchdog's message, not hang.
TEST(ModalDriver, ALoopLeftOpenFailsTheStepAtItsDeadline)
{
    QDialog dialog;
    bool returned = false;
    bool ok = true;
    QElapsedTimer clock;
    clock.start();
    EXPECT_NONFATAL_FAILURE(
        {
            ok = driveModal(
                "leave the dialog open", [&] { dialog.exec(); }, [](QWidget&) {}, shortDeadlineMs);
            returned = true;
        },
        "step \"leave the dialog open\": its modal loop did not end within 3000 ms");
    EXPECT_TRUE(returned);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_GE(clock.elapsed(), shortDeadlineMs) << "closed before its deadline";
}

TEST(ModalDriver, AWindowThatNeverOpensFailsTheStep)
{
    bool ok = true;
    EXPECT_NONFATAL_FAILURE(ok = driveModal(
                                "no window", [] {}, [](QWidget&) {}, shortDeadlineMs),
                            "step \"no window\": its window never opened");
    EXPECT_FALSE(ok);
}

} // namespace

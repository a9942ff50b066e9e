#include "tests/support/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace testsupport {

namespace {

// How often a step looks for its window and the watchdog for the deadline.
constexpr int pollMs = 10;
// How long the watchdog keeps closing windows before it gives up on the loops ending.
constexpr int closeGraceMs = 15000;
// Window activation is asynchronous on every platform; a few seconds cover a loaded machine.
constexpr int activationTimeoutMs = 5000;

} // namespace

bool activate(QWidget& window)
{
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window, activationTimeoutMs);
}

namespace {

// A loop run by the application itself ends when its last window closes.
void closeTopLevelWindows()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->close();
}

} // namespace

void closeModalWindows()
{
    // A window that refuses to close would keep the loop running; a dialog is rejected instead.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            modal->hide();
    }
}

struct ModalWatchdog::Private
{
    std::string step;
    int deadlineMs = 0;
    QElapsedTimer clock;
    QTimer timer;
    bool expired = false;
};

ModalWatchdog::ModalWatchdog(std::string step, int deadlineMs) : d(new Private)
{
    d->step = std::move(step);
    d->deadlineMs = deadlineMs;
    d->clock.start();
    d->timer.setInterval(pollMs * 10);
    QObject::connect(&d->timer, &QTimer::timeout, [p = d] {
        if (p->clock.elapsed() < p->deadlineMs)
            return;
        if (!p->expired) {
            p->expired = true;
            ADD_FAILURE() << "step \"" << p->step << "\": its modal loop did not end within "
                          << p->deadlineMs << " ms; the watchdog closed its windows";
        }
        if (p->clock.elapsed() > p->deadlineMs + closeGraceMs) {
            std::fprintf(stderr,
                         "step \"%s\": modal loop still running after its windows were "
                         "closed; stopping the test program\n",
                         p->step.c_str());
            std::fflush(stderr);
            std::_Exit(EXIT_FAILURE);
        }
        if (QApplication::activeModalWidget())
            closeModalWindows();
        else
            closeTopLevelWindows();
    });
    d->timer.start();
}

ModalWatchdog::~ModalWatchdog()
{
    delete d;
}

bool ModalWatchdog::expired() const
{
    return d->expired;
}

bool driveModal(const std::string& step, const std::function<void()>& open,
                const std::function<void(QWidget&)>& inModal, int deadlineMs, WindowFinder find)
{
    if (!find) {
        QPointer<QWidget> before = QApplication::activeModalWidget();
        find = [before]() -> QWidget* {
            QWidget* modal = QApplication::activeModalWidget();
            return modal != before.data() ? modal : nullptr;
        };
    }
    ModalWatchdog watchdog(step, deadlineMs);
    bool opened = false;
    QTimer poll;
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* window = find();
        if (!window || !window->isVisible())
            return;
        poll.stop();
        opened = true;
        if (!activate(*window))
            ADD_FAILURE() << "step \"" << step << "\": its window never became active";
        else
            inModal(*window);
        // A failed assertion leaves the window open; end its loop now instead of at the deadline.
        if (::testing::Test::HasFatalFailure())
            closeModalWindows();
    });
    poll.start();
    open();
    poll.stop();
    if (!opened)
        ADD_FAILURE() << "step \"" << step << "\": its window never opened";
    return opened && !watchdog.expired();
}

} // namespace testsupport

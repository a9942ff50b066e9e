#pragma once

#include <QWidget>
#include <functional>
#include <string>

namespace testsupport {

// A modal loop that has not ended by then is stuck: no step of ours takes this long, even in the
// sanitizer build on a loaded machine, and a stuck test must fail well within ctest's timeout.
constexpr int defaultModalDeadlineMs = 30000;

// Makes `window` the active one and waits until it is. The offscreen platform does not hand the
// activation to a window shown over another, nor back when that one closes, as a window system
// does; keys and shortcuts sent before it is active go nowhere.
bool activate(QWidget& window);

// Closes every modal window that is open, innermost first, so that their loops return.
void closeModalWindows();

// While it lives, a stuck modal loop fails the test: past `deadlineMs` it records a failure naming
// `step` and closes the modal windows (or, when none is modal, the top-level ones, which ends a
// loop the application runs) until the loops have ended; if they still will not end it
// stops the process with that message rather than leave it hanging.
class ModalWatchdog
{
public:
    ModalWatchdog(std::string step, int deadlineMs = defaultModalDeadlineMs);
    ~ModalWatchdog();
    ModalWatchdog(const ModalWatchdog&) = delete;
    ModalWatchdog& operator=(const ModalWatchdog&) = delete;

    bool expired() const;

private:
    struct Private;
    Private* d;
};

// Finds the window a step waits for; null while it has not shown.
using WindowFinder = std::function<QWidget*()>;

// Runs one step that opens a modal window: `open` starts the modal loop and returns when it ends;
// once the window has shown it is made active and `inModal` acts in it. By default the window is
// the next modal one, not the one active when the step starts. A watchdog covers the whole step.
// Returns whether the window opened and its loop ended in time; either failure is recorded with
// the step's name.
bool driveModal(const std::string& step, const std::function<void()>& open,
                const std::function<void(QWidget&)>& inModal,
                int deadlineMs = defaultModalDeadlineMs, WindowFinder find = {});

} // namespace testsupport

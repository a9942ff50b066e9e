#pragma once

#include <QObject>
#include <QTimer>

namespace button {

class TFlatImageButton;

// The hover tracking shared by every button of the process: one timer and the button it
// follows. The first button creates it (timer stopped), the last one frees it.
class HoverTracker : public QObject
{
    Q_OBJECT
public:
    static constexpr int intervalMs = 100;

    // Null while no button exists.
    static HoverTracker* instance();
    static void attach();
    static void detach();

    TFlatImageButton* tracked() const { return m_tracked; }
    const QTimer& timer() const { return m_timer; }

    // Stops the timer, follows `button` and starts the timer again.
    void track(TFlatImageButton* button);
    // Stops following `button` if it is the one followed.
    void release(TFlatImageButton* button);

private:
    HoverTracker();
    void check();

    QTimer m_timer;
    TFlatImageButton* m_tracked = nullptr;
};

} // namespace button

#include "button/HoverTracker.h"

#include "button/TFlatImageButton.h"

namespace button {

namespace {

HoverTracker* s_instance = nullptr;
int s_buttons = 0;

} // namespace

HoverTracker* HoverTracker::instance()
{
    return s_instance;
}

void HoverTracker::attach()
{
    if (s_buttons++ == 0)
        s_instance = new HoverTracker;
}

void HoverTracker::detach()
{
    if (--s_buttons == 0) {
        delete s_instance;
        s_instance = nullptr;
    }
}

HoverTracker::HoverTracker()
{
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &HoverTracker::check);
}

void HoverTracker::track(TFlatImageButton* button)
{
    m_timer.stop();
    m_tracked = button;
    m_timer.start();
}

void HoverTracker::release(TFlatImageButton* button)
{
    if (m_tracked != button)
        return;
    m_timer.stop();
    m_tracked = nullptr;
}

void HoverTracker::check()
{
    if (m_tracked)
        m_tracked->timerCheck();
}

} // namespace button

#pragma once

#include <QEvent>
#include <QObject>

namespace bench {

// Notes the first paint of the widget it filters: a window counts as shown once it painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

} // namespace bench

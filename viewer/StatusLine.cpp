#include "viewer/StatusLine.h"

#include <QAccessibleWidget>

namespace viewer {

namespace {

class StatusLineAccessible : public QAccessibleWidget
{
public:
    explicit StatusLineAccessible(StatusLine* line)
        : QAccessibleWidget(line, QAccessible::StatusBar)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        // A new text is told as a new name: the label sends that notice on every change.
        if (t == QAccessible::Name)
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* statusLineFactory(const QString&, QObject* object)
{
    if (auto* line = qobject_cast<StatusLine*>(object))
        return new StatusLineAccessible(line);
    return nullptr;
}

} // namespace

StatusLine::StatusLine(QWidget* parent) : QLabel(parent)
{
    static const bool statusBarForAssistiveTechnology =
        (QAccessible::installFactory(statusLineFactory), true);
    (void)statusBarForAssistiveTechnology;
}

} // namespace viewer

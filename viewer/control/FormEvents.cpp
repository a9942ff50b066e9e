#include "viewer/control/FormEvents.h"

#include "viewer/control/TypeLibrary.h"

#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace viewer::control {

namespace {

bool isInside(const QWidget* widget, const QWidget* form)
{
    // Walks through popup windows too: a combo box's list still belongs to the form.
    for (; widget; widget = widget->parentWidget())
        if (widget == form)
            return true;
    return false;
}

// The key a replaced character stands for, so that widgets that act on keys rather than text
// (backspace, return) see it as typed.
int qtKeyOf(char16_t c)
{
    switch (c) {
    case 0:
        return Qt::Key_unknown;
    case 8:
        return Qt::Key_Backspace;
    case 9:
        return Qt::Key_Tab;
    case 13:
        return Qt::Key_Return;
    case 27:
        return Qt::Key_Escape;
    default:
        return QChar(c).toUpper().unicode();
    }
}

} // namespace

FormEvents::FormEvents(QWidget* form, FormEventListener& listener)
    : QObject(form)
    , m_form(form)
    , m_listener(listener)
{
    watch(form);
    m_active = isActive();
}

void FormEvents::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool FormEvents::isActive() const
{
    return isInside(QApplication::focusWidget(), m_form);
}

void FormEvents::activationMayHaveChanged()
{
    const bool active = isActive();
    if (active == m_active)
        return;
    m_active = active;
    m_listener.formEvent(active ? DISPID_OnActivate : DISPID_OnDeactivate);
}

bool FormEvents::onOwnSurface(QPoint pos) const
{
    // The form's own spacers are plain widgets that draw nothing: clicks on them are clicks on
    // the form. Anything else under the pointer is one of its controls.
    const QWidget* hit = m_form->childAt(pos);
    return !hit || (hit->parentWidget() == m_form && hit->metaObject() == &QWidget::staticMetaObject);
}

bool FormEvents::keyPress(QWidget* receiver, QKeyEvent* event)
{
    // A character is one UTF-16 unit, as the event's 16-bit key holds it.
    if (m_replacing || event->text().size() != 1)
        return false;
    // Keys go to the focus widget first; the form hears them there only with key preview on,
    // and otherwise only when it holds the focus itself.
    QWidget* focus = QApplication::focusWidget();
    QWidget* first = isInside(focus, m_form) ? focus : m_form;
    if (receiver != first || (first != m_form && !m_listener.keyPreview()))
        return false;

    const int16_t typed = int16_t(event->text().at(0).unicode());
    int16_t key = typed;
    QPointer<FormEvents> self(this);
    m_listener.formKeyPress(key);
    if (!self || key == typed)
        return false;
    const char16_t c = char16_t(key);
    QKeyEvent replacement(QEvent::KeyPress, qtKeyOf(c), event->modifiers(), QString(QChar(c)),
                          event->isAutoRepeat(), event->count());
    m_replacing = true;
    QCoreApplication::sendEvent(receiver, &replacement);
    if (self)
        m_replacing = false;
    return true;
}

bool FormEvents::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            watch(child);
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        activationMayHaveChanged();
        break;
    case QEvent::KeyPress:
        return keyPress(widget, static_cast<QKeyEvent*>(event));
    case QEvent::Paint:
        if (widget == m_form)
            m_listener.formEvent(DISPID_OnPaint);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        // Presses on the form's controls reach the form only when the control ignored them.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (widget != m_form || mouse->button() != Qt::LeftButton)
            break;
        const QPoint pos = mouse->position().toPoint();
        const bool own = m_form->rect().contains(pos) && onOwnSurface(pos);
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressed = own;
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            m_pressed = false;
            if (own)
                m_listener.formEvent(DISPID_OnDblClick);
        } else {
            const bool click = m_pressed && own;
            m_pressed = false;
            if (click)
                m_listener.formEvent(DISPID_OnClick);
        }
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace viewer::control

#pragma once

#include "viewer/control/Automation.h"

#include <QObject>
#include <QPoint>

class QInputMethodEvent;
class QKeyEvent;
class QWidget;

namespace viewer::control {

// Who hears the form's events.
class FormEventListener
{
public:
    virtual ~FormEventListener() = default;
    // OnActivate, OnClick, OnDblClick, OnDeactivate or OnPaint, by DISPID.
    virtual void formEvent(DISPID event) = 0;
    // A character reaches the form as its cp949 value (a double-byte character with its lead
    // byte high); the listener may replace it.
    virtual void formKeyPress(int16_t& key) = 0;
    // Whether the form sees the characters typed into its controls first.
    virtual bool keyPreview() const = 0;
};

// Turns what happens to the viewer form into the form's own events, watching the form and
// every widget inside it: activation (focus entering or leaving the form), clicks and double
// clicks on the form's own surface rather than on one of its controls, characters reaching the
// form, typed or committed by an input method, and painting.
class FormEvents : public QObject
{
public:
    FormEvents(QWidget* form, FormEventListener& listener);

    // Whether the focus is on the form or inside it (which implies its window is active).
    bool isActive() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);
    void activationMayHaveChanged();
    bool onOwnSurface(QPoint pos) const;
    // Whether characters arriving at `receiver` reach the form.
    bool formHearsKeysAt(const QWidget* receiver) const;
    // Hands each character of `typed` to the listener; false when it left them all as typed (or
    // this filter went away meanwhile), otherwise `replaced` holds the characters it left.
    bool askListener(const QString& typed, QString& replaced);
    // True when the event was replaced by the listener's characters.
    bool keyPress(QWidget* receiver, QKeyEvent* event);
    bool inputMethod(QWidget* receiver, QInputMethodEvent* event);

    QWidget* m_form;
    FormEventListener& m_listener;
    bool m_active = false;
    bool m_pressed = false;
    bool m_replacing = false;
};

} // namespace viewer::control

#include "viewer/control/FormEvents.h"

#include "text/Cp949.h"
#include "viewer/control/TypeLibrary.h"

#include <QApplication>
#include <QChildEvent>
#include <QInputMethodEvent>
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

// The characters of a text, a surrogate pair counting as one.
QStringList charactersOf(const QString& text)
{
    QStringList out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        out.push_back(text.mid(i, n));
        i += n;
    }
    return out;
}

// A character as the host's 16-bit key: its cp949 code, a double-byte character with the lead
// byte high, as the platform's ANSI character messages carry it. A character cp949 lacks goes as
// "?", which is what the platform's conversion makes of it.
int16_t keyValueOf(const QString& character)
{
    const std::string bytes = text::toCp949(character);
    if (bytes.size() == 1)
        return int16_t(uint8_t(bytes[0]));
    if (bytes.size() == 2)
        return int16_t(uint16_t(uint8_t(bytes[0]) << 8 | uint8_t(bytes[1])));
    return '?';
}

// The character a key value stands for; empty when the value is no cp949 character (a lone lead
// byte, an unassigned pair).
QString characterOf(int16_t key)
{
    const auto value = uint16_t(key);
    if (value < 0x80)
        return QString(QChar(value));
    std::string bytes;
    if (value > 0xFF)
        bytes.push_back(char(value >> 8));
    bytes.push_back(char(value & 0xFF));
    QString decoded = text::fromCp949(bytes);
    const QStringList characters = charactersOf(decoded);
    if (characters.size() != 1 || decoded.contains(QChar::ReplacementCharacter) ||
        text::toCp949(decoded) != bytes)
        return {};
    return decoded;
}

bool isControl(const QString& character)
{
    return character.size() == 1 && character[0].unicode() < 0x20;
}

// The key a replaced character stands for, so that widgets that act on keys rather than text
// (backspace, return) see it as typed.
int qtKeyOf(const QString& character)
{
    switch (character.size() == 1 ? character[0].unicode() : 0xFFFF) {
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
        return int(character.toUpper().toUcs4().value(0));
    }
}

} // namespace

FormEvents::FormEvents(QWidget* form, FormEventListener& listener)
    : QObject(form), m_form(form), m_listener(listener)
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
    return !hit ||
           (hit->parentWidget() == m_form && hit->metaObject() == &QWidget::staticMetaObject);
}

bool FormEvents::formHearsKeysAt(const QWidget* receiver) const
{
    // Keys go to the focus widget first; the form hears them there only with key preview on,
    // and otherwise only when it holds the focus itself.
    QWidget* focus = QApplication::focusWidget();
    const QWidget* first = isInside(focus, m_form) ? focus : m_form;
    return receiver == first && (first == m_form || m_listener.keyPreview());
}

bool FormEvents::askListener(const QString& typed, QString& replaced)
{
    QPointer<FormEvents> self(this);
    bool changed = false;
    for (const QString& character : charactersOf(typed)) {
        const int16_t value = keyValueOf(character);
        int16_t key = value;
        m_listener.formKeyPress(key);
        if (!self)
            return false;
        // A character the host leaves alone keeps its own form, even one cp949 lacks.
        replaced += key == value ? character : characterOf(key);
        changed = changed || key != value;
    }
    return changed;
}

bool FormEvents::keyPress(QWidget* receiver, QKeyEvent* event)
{
    QString replaced;
    if (m_replacing || event->text().isEmpty() || !formHearsKeysAt(receiver) ||
        !askListener(event->text(), replaced))
        return false;
    QPointer<FormEvents> self(this);
    QPointer<QWidget> target(receiver);
    m_replacing = true;
    for (const QString& character : charactersOf(replaced)) {
        QKeyEvent replacement(QEvent::KeyPress, qtKeyOf(character), event->modifiers(), character,
                              event->isAutoRepeat(), event->count());
        if (target)
            QCoreApplication::sendEvent(target, &replacement);
    }
    if (self)
        m_replacing = false;
    return true;
}

bool FormEvents::inputMethod(QWidget* receiver, QInputMethodEvent* event)
{
    QString replaced;
    if (m_replacing || event->commitString().isEmpty() || !formHearsKeysAt(receiver) ||
        !askListener(event->commitString(), replaced))
        return false;
    QPointer<FormEvents> self(this);
    QPointer<QWidget> target(receiver);
    m_replacing = true;
    // The host's printable characters are committed as text; a control character it chose
    // (backspace, code 0) arrives as that key, in its place among them.
    QString pending;
    bool first = true;
    auto commit = [&](const QString& preedit,
                      const QList<QInputMethodEvent::Attribute>& attributes) {
        QInputMethodEvent e(preedit, attributes);
        e.setCommitString(pending, first ? event->replacementStart() : 0,
                          first ? event->replacementLength() : 0);
        if (target)
            QCoreApplication::sendEvent(target, &e);
        pending.clear();
        first = false;
    };
    for (const QString& character : charactersOf(replaced)) {
        if (!isControl(character)) {
            pending += character;
            continue;
        }
        if (!pending.isEmpty() || (first && event->replacementLength() != 0))
            commit({}, {});
        QKeyEvent key(QEvent::KeyPress, qtKeyOf(character), Qt::NoModifier, character);
        if (target)
            QCoreApplication::sendEvent(target, &key);
    }
    // The composition still under way stays with the last commit.
    commit(event->preeditString(), event->attributes());
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
    case QEvent::InputMethod:
        return inputMethod(widget, static_cast<QInputMethodEvent*>(event));
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

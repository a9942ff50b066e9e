#include "button/TFlatImageButton.h"

#include "button/GlyphStrip.h"
#include "button/HoverTracker.h"
#include "gfx/QtCanvas.h"
#include "text/Cp949.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace button {

namespace {

// Sets `field` and repaints when the value changes, as every property of the button does.
template <typename T> void assign(QWidget* w, T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    w->update();
}

} // namespace

namespace {

// A push button to assistive technology: named by its caption, or by its tooltip when it has
// none, and pressed as a click presses it, just after the request to press it returns.
class FlatButtonAccessible : public QAccessibleWidget
{
public:
    explicit FlatButtonAccessible(TFlatImageButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const TFlatImageButton* b = button();
        QString tip = !b->toolTip().isEmpty() ? b->toolTip()
                      : b->action()           ? b->action()->toolTip()
                                              : QString();
        switch (t) {
        case QAccessible::Name: {
            QString caption = text::fromCp949(b->caption());
            caption.remove(u'&');
            return caption.isEmpty() ? tip : caption;
        }
        case QAccessible::Description:
            return tip;
        case QAccessible::Accelerator:
            return b->action() ? b->action()->shortcut().toString(QKeySequence::NativeText)
                               : QString();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override { return {QAccessibleActionInterface::pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name != QAccessibleActionInterface::pressAction() || !button()->isEnabled())
            return;
        // Clicked once the caller has its answer: a modal window that the click opens would
        // otherwise keep assistive technology waiting until it closed.
        TFlatImageButton* b = button();
        QMetaObject::invokeMethod(
            b,
            [b] {
                if (b->isEnabled())
                    b->click();
            },
            Qt::QueuedConnection);
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name != QAccessibleActionInterface::pressAction() || !button()->action())
            return {};
        const QKeySequence key = button()->action()->shortcut();
        return key.isEmpty() ? QStringList() : QStringList{key.toString(QKeySequence::NativeText)};
    }

private:
    TFlatImageButton* button() const { return static_cast<TFlatImageButton*>(widget()); }
};

QAccessibleInterface* flatButtonFactory(const QString&, QObject* object)
{
    if (auto* button = qobject_cast<TFlatImageButton*>(object))
        return new FlatButtonAccessible(button);
    return nullptr;
}

} // namespace

TFlatImageButton::TFlatImageButton(QWidget* parent) : QWidget(parent)
{
    static const bool pushButtonForAssistiveTechnology =
        (QAccessible::installFactory(flatButtonFactory), true);
    (void)pushButtonForAssistiveTechnology;
    HoverTracker::attach();
    resize(defaultSize, defaultSize);
    // Moves without a pressed button drive the hover tracking.
    setMouseTracking(true);
}

TFlatImageButton::~TFlatImageButton()
{
    HoverTracker::instance()->release(this);
    HoverTracker::detach();
}

gfx::Color TFlatImageButton::color() const
{
    if (m_parentColor && parentWidget())
        return gfx::fromQColor(parentWidget()->palette().color(parentWidget()->backgroundRole()));
    return m_colors.color;
}

void TFlatImageButton::setColor(gfx::Color color)
{
    if (!m_parentColor && m_colors.color == color)
        return;
    m_parentColor = false;
    m_colors.color = color;
    update();
}

void TFlatImageButton::setParentColor(bool parent)
{
    assign(this, m_parentColor, parent);
}

void TFlatImageButton::setColorFocused(gfx::Color color)
{
    assign(this, m_colors.focused, color);
}

void TFlatImageButton::setColorDown(gfx::Color color)
{
    assign(this, m_colors.down, color);
}

void TFlatImageButton::setColorBorder(gfx::Color color)
{
    assign(this, m_colors.border, color);
}

void TFlatImageButton::setColorHighLight(gfx::Color color)
{
    assign(this, m_colors.highLight, color);
}

void TFlatImageButton::setColorShadow(gfx::Color color)
{
    assign(this, m_colors.shadow, color);
}

void TFlatImageButton::setGlyph(const gfx::Bitmap& glyph)
{
    m_numGlyphs = numGlyphsOf(glyph, m_numGlyphs);
    m_glyph = glyph;
    update();
}

void TFlatImageButton::setNumGlyphs(int count)
{
    assign(this, m_numGlyphs, std::clamp(count, 1, maxNumGlyphs));
}

void TFlatImageButton::setButtonLayout(TButtonLayout layout)
{
    assign(this, m_layout, layout);
}

void TFlatImageButton::setMargin(int margin)
{
    if (margin >= -1)
        assign(this, m_margin, margin);
}

void TFlatImageButton::setSpacing(int spacing)
{
    assign(this, m_spacing, spacing);
}

void TFlatImageButton::setTransparentMode(TTransparentMode mode)
{
    assign(this, m_transparentMode, mode);
}

void TFlatImageButton::setGroupIndex(int index)
{
    assign(this, m_groupIndex, index);
}

void TFlatImageButton::setDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down)
        return;
    // In a group without all-up, only another button going down lifts this one.
    if (m_down && !m_allowAllUp)
        return;
    m_down = down;
    if (down) {
        m_state = ButtonState::exclusive;
        update();
        if (parentWidget())
            for (auto* sibling :
                 parentWidget()->findChildren<TFlatImageButton*>(Qt::FindDirectChildrenOnly))
                sibling->groupDown(this);
    } else {
        m_state = ButtonState::up;
        update();
    }
}

void TFlatImageButton::groupDown(TFlatImageButton* sender)
{
    if (sender == this || sender->m_groupIndex != m_groupIndex)
        return;
    if (sender->m_down && m_down) {
        m_down = false;
        m_state = ButtonState::up;
        update();
    }
    m_allowAllUp = sender->m_allowAllUp;
}

void TFlatImageButton::setAllowAllUp(bool allow)
{
    assign(this, m_allowAllUp, allow);
}

void TFlatImageButton::setModalResult(int result)
{
    m_modalResult = result;
}

void TFlatImageButton::setCaption(const std::string& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    updateAccelerator();
    update();
}

gfx::Font TFlatImageButton::captionFont() const
{
    if (!m_parentFont)
        return m_font;
    const QFont q = font();
    gfx::Font f;
    f.name = text::toCp949(q.family());
    if (q.pixelSize() > 0)
        f.height = -q.pixelSize();
    else
        f.size = qRound(q.pointSizeF());
    f.bold = q.bold();
    f.italic = q.italic();
    f.underline = q.underline();
    f.strikeOut = q.strikeOut();
    f.color = gfx::fromQColor(palette().color(foregroundRole()));
    return f;
}

void TFlatImageButton::setCaptionFont(const gfx::Font& font)
{
    if (!m_parentFont && m_font == font)
        return;
    m_parentFont = false;
    m_font = font;
    update();
}

void TFlatImageButton::setParentFont(bool parent)
{
    assign(this, m_parentFont, parent);
}

void TFlatImageButton::setAction(QAction* action)
{
    if (m_action == action)
        return;
    if (m_action)
        disconnect(m_action, nullptr, this, nullptr);
    m_action = action;
    if (action) {
        connect(action, &QAction::changed, this, &TFlatImageButton::actionChanged);
        actionChanged();
    }
}

void TFlatImageButton::actionChanged()
{
    if (!m_action)
        return;
    setCaption(text::toCp949(m_action->text()));
    setEnabled(m_action->isEnabled());
    if (m_glyph.isEmpty() && !m_action->icon().isNull()) {
        // Drawn on magenta, which the glyph's bottom-left pixel then makes transparent.
        const QSize size = m_action->icon().availableSizes().value(0, QSize(16, 16));
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(255, 0, 255));
        QPainter p(&image);
        m_action->icon().paint(&p, image.rect());
        p.end();
        setGlyph(gfx::Bitmap::fromImage(image, 24));
    }
}

void TFlatImageButton::updateAccelerator()
{
    if (m_acceleratorId != 0) {
        releaseShortcut(m_acceleratorId);
        m_acceleratorId = 0;
    }
    const QKeySequence key = QKeySequence::mnemonic(text::fromCp949(m_caption));
    if (!key.isEmpty())
        m_acceleratorId = grabShortcut(key);
}

void TFlatImageButton::click()
{
    if (parentWidget() && m_modalResult != 0)
        if (auto* dialog = qobject_cast<QDialog*>(window()))
            dialog->done(m_modalResult);
    if (m_action)
        m_action->trigger();
    else
        emit clicked();
}

ButtonFace TFlatImageButton::face() const
{
    ButtonFace f;
    f.colors = m_colors;
    f.colors.color = color();
    f.transparentMode = m_transparentMode;
    f.layout = m_layout;
    f.margin = m_margin;
    f.spacing = m_spacing;
    f.glyph = m_glyph;
    f.numGlyphs = m_numGlyphs;
    f.caption = m_caption;
    f.font = captionFont();
    f.state = m_state;
    f.hovered = m_mouseInControl;
    return f;
}

void TFlatImageButton::normaliseState()
{
    if (isEnabled()) {
        if (m_state == ButtonState::disabled)
            m_state = m_down ? ButtonState::exclusive : ButtonState::up;
    } else {
        m_state = ButtonState::disabled;
        m_dragging = false;
    }
}

void TFlatImageButton::paintEvent(QPaintEvent*)
{
    normaliseState();
    QPainter painter(this);
    gfx::QtCanvas canvas(&painter, gfx::ScreenDpi);
    m_geometry = paintFlatButton(canvas, gfx::Rect{0, 0, width(), height()}, face());
}

bool TFlatImageButton::inside(QPoint pos) const
{
    // The bottom edge itself still counts as inside; the right edge does not.
    return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

bool TFlatImageButton::underPointer(QPoint globalPos) const
{
    return QApplication::widgetAt(globalPos) == this;
}

void TFlatImageButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(e);
        return;
    }
    if (!m_down) {
        m_state = ButtonState::down;
        update();
    }
    m_dragging = true;
}

void TFlatImageButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    mousePressEvent(e);
    if (m_down)
        emit doubleClicked();
}

void TFlatImageButton::mouseMoveEvent(QMouseEvent* e)
{
    hoverMove(e->globalPosition().toPoint());
    if (!m_dragging)
        return;
    ButtonState next = m_down ? ButtonState::exclusive : ButtonState::up;
    if (inside(e->position().toPoint()) && !m_down)
        next = ButtonState::down;
    assign(this, m_state, next);
}

void TFlatImageButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_dragging || e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    m_dragging = false;
    const bool in = inside(e->position().toPoint());
    if (m_groupIndex == 0) {
        m_state = ButtonState::up;
        m_mouseInControl = false;
        update();
    } else if (in) {
        setDown(!m_down);
    } else {
        if (m_down)
            m_state = ButtonState::exclusive;
        update();
    }
    // The click may close the window that holds this button.
    const QPointer<TFlatImageButton> alive(this);
    if (in)
        click();
    else
        leaveCheck();
    if (alive)
        updateHover(e->globalPosition().toPoint());
}

void TFlatImageButton::hoverMove(QPoint globalPos)
{
    HoverTracker* tracker = HoverTracker::instance();
    if (tracker->tracked() == this || !underPointer(globalPos))
        return;
    if (TFlatImageButton* previous = tracker->tracked())
        previous->leaveCheck();
    if (!QApplication::activeWindow())
        return;
    tracker->track(this);
    enterStep();
}

void TFlatImageButton::enterStep()
{
    if (isEnabled() && !m_mouseInControl) {
        m_mouseInControl = true;
        update();
    }
}

void TFlatImageButton::leaveCheck()
{
    if (isEnabled() && m_mouseInControl && !m_dragging) {
        m_mouseInControl = false;
        HoverTracker::instance()->release(this);
        update();
    }
}

void TFlatImageButton::timerCheck()
{
    if (!underPointer(QCursor::pos()))
        leaveCheck();
}

void TFlatImageButton::updateHover(QPoint globalPos)
{
    if (!isEnabled())
        return;
    const bool over = underPointer(globalPos);
    assign(this, m_mouseInControl, over);
    // Keep the tracking in step, so that a hover set here also ends when the pointer leaves.
    HoverTracker* tracker = HoverTracker::instance();
    if (over && tracker->tracked() != this && QApplication::activeWindow()) {
        if (TFlatImageButton* previous = tracker->tracked())
            previous->leaveCheck();
        tracker->track(this);
    } else if (!over) {
        tracker->release(this);
    }
}

void TFlatImageButton::enabledChanged()
{
    if (isEnabled()) {
        if (m_state == ButtonState::disabled)
            m_state = m_down ? ButtonState::exclusive : ButtonState::up;
    } else {
        m_mouseInControl = false;
        m_state = ButtonState::disabled;
        m_dragging = false;
        HoverTracker::instance()->release(this);
    }
    updateHover(QCursor::pos());
    update();
}

void TFlatImageButton::enterEvent(QEnterEvent* e)
{
    emit mouseEntered();
    QWidget::enterEvent(e);
}

void TFlatImageButton::leaveEvent(QEvent* e)
{
    emit mouseLeft();
    QWidget::leaveEvent(e);
}

void TFlatImageButton::changeEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::EnabledChange:
        enabledChanged();
        break;
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

bool TFlatImageButton::event(QEvent* e)
{
    if (e->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(e)->shortcutId() == m_acceleratorId) {
        if (isEnabled())
            click();
        return true;
    }
    return QWidget::event(e);
}

} // namespace button

#pragma once

#include "button/ButtonLayout.h"
#include "button/ButtonPainter.h"
#include "button/ButtonTypes.h"
#include "gfx/Bitmap.h"
#include "gfx/Color.h"
#include "gfx/Font.h"

#include <QPointer>
#include <QWidget>
#include <string>

class QAction;

namespace button {

// The flat push button: a picture above (or beside) its caption, lit while the pointer is over
// it, sunk while pressed, embossed while disabled. Bound to a QAction it takes the action's
// caption, enabled state and trigger.
class TFlatImageButton : public QWidget
{
    Q_OBJECT
public:
    static constexpr int defaultSize = 25;

    explicit TFlatImageButton(QWidget* parent = nullptr);
    ~TFlatImageButton() override;

    // The fill when not hovered and when disabled; the parent's colour while parentColor().
    gfx::Color color() const;
    void setColor(gfx::Color color);
    bool parentColor() const { return m_parentColor; }
    void setParentColor(bool parent);
    gfx::Color colorFocused() const { return m_colors.focused; }
    void setColorFocused(gfx::Color color);
    gfx::Color colorDown() const { return m_colors.down; }
    void setColorDown(gfx::Color color);
    gfx::Color colorBorder() const { return m_colors.border; }
    void setColorBorder(gfx::Color color);
    gfx::Color colorHighLight() const { return m_colors.highLight; }
    void setColorHighLight(gfx::Color color);
    gfx::Color colorShadow() const { return m_colors.shadow; }
    void setColorShadow(gfx::Color color);

    const gfx::Bitmap& glyph() const { return m_glyph; }
    // Copies the bitmap; a strip whose width is a whole multiple of its height sets numGlyphs.
    void setGlyph(const gfx::Bitmap& glyph);
    int numGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int count); // held to 1..4

    TButtonLayout buttonLayout() const { return m_layout; }
    void setButtonLayout(TButtonLayout layout);
    int margin() const { return m_margin; }
    void setMargin(int margin); // -1 or more; other values are ignored
    int spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    TTransparentMode transparentMode() const { return m_transparentMode; }
    void setTransparentMode(TTransparentMode mode);

    int groupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    bool isDown() const { return m_down; }
    void setDown(bool down);
    bool allowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool allow);
    int modalResult() const { return m_modalResult; }
    void setModalResult(int result);

    // cp949; "&" marks the accelerator character.
    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& caption);
    // The caption's font: the widget's own (inherited) QFont while parentFont().
    gfx::Font captionFont() const;
    void setCaptionFont(const gfx::Font& font);
    bool parentFont() const { return m_parentFont; }
    void setParentFont(bool parent);

    QAction* action() const { return m_action; }
    void setAction(QAction* action);

    ButtonState state() const { return m_state; }
    bool mouseInControl() const { return m_mouseInControl; }
    bool dragging() const { return m_dragging; }
    // Where the last painting put picture and caption.
    const ButtonGeometry& paintedGeometry() const { return m_geometry; }

    // Sets a dialog parent's result (when non-zero), then runs the action, or emits clicked()
    // when no action is bound.
    void click();

signals:
    void clicked();
    void doubleClicked();
    void mouseEntered();
    void mouseLeft();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class HoverTracker;

    ButtonFace face() const;
    void normaliseState();
    bool inside(QPoint pos) const;
    bool underPointer(QPoint globalPos) const;
    void hoverMove(QPoint globalPos);
    void enterStep();
    void leaveCheck();
    void timerCheck();
    void updateHover(QPoint globalPos);
    void enabledChanged();
    void groupDown(TFlatImageButton* sender);
    void actionChanged();
    void updateAccelerator();

    ButtonColors m_colors;
    bool m_parentColor = true;
    gfx::Bitmap m_glyph;
    int m_numGlyphs = 1;
    TButtonLayout m_layout = blGlyphTop;
    int m_margin = -1;
    int m_spacing = 4;
    TTransparentMode m_transparentMode = tmNone;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    int m_modalResult = 0;
    std::string m_caption;
    gfx::Font m_font;
    bool m_parentFont = true;
    QPointer<QAction> m_action;
    int m_acceleratorId = 0;

    ButtonState m_state = ButtonState::up;
    bool m_mouseInControl = false;
    bool m_dragging = false;
    ButtonGeometry m_geometry;
};

} // namespace button

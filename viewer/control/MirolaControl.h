#pragma once

#include "viewer/Configuration.h"
#include "viewer/control/ComServer.h"
#include "viewer/control/FormEvents.h"
#include "viewer/control/Imirola.h"

#include <QMetaObject>
#include <QPointer>
#include <memory>

class QRect;
class QWidget;

namespace viewer {
class TFmirola;
}

namespace viewer::control {

// The control object a host creates: a viewer form of its own (its own connection, buffer and
// timer) inside the host's window, its automation properties, and the form's events fired to
// the host's sink. Each instance counts as a live object of the library while it exists.
class MirolaControl final : public Imirola, private FormEventListener
{
public:
    // `site` is the host's window; the form becomes its child and is shown.
    MirolaControl(QWidget* site, const Configuration& config);
    ~MirolaControl() override;
    MirolaControl(const MirolaControl&) = delete;
    MirolaControl& operator=(const MirolaControl&) = delete;

    // The form; null once the host has destroyed the window it lives in.
    TFmirola* form() const;

    // The host connects its sink, or disconnects with null. A sink that is not an
    // ImirolaEvents is held as none.
    void EventSinkChanged(const std::shared_ptr<IUnknown>& sink);
    // The host places the control inside its window.
    void SetObjectRects(const QRect& rect);

    HRESULT get_Visible(VARIANT_BOOL* Value) override;
    HRESULT put_Visible(VARIANT_BOOL Value) override;
    HRESULT get_AutoScroll(VARIANT_BOOL* Value) override;
    HRESULT put_AutoScroll(VARIANT_BOOL Value) override;
    HRESULT get_AutoSize(VARIANT_BOOL* Value) override;
    HRESULT put_AutoSize(VARIANT_BOOL Value) override;
    HRESULT get_AxBorderStyle(TxActiveFormBorderStyle* Value) override;
    HRESULT put_AxBorderStyle(TxActiveFormBorderStyle Value) override;
    HRESULT get_Caption(std::u16string* Value) override;
    HRESULT put_Caption(const std::u16string& Value) override;
    HRESULT get_Color(OLE_COLOR* Value) override;
    HRESULT put_Color(OLE_COLOR Value) override;
    HRESULT get_Font(OleFont* Value) override;
    HRESULT put_Font(const OleFont& Value) override;
    HRESULT putref_Font(const OleFont& Value) override;
    HRESULT get_KeyPreview(VARIANT_BOOL* Value) override;
    HRESULT put_KeyPreview(VARIANT_BOOL Value) override;
    HRESULT get_PixelsPerInch(int32_t* Value) override;
    HRESULT put_PixelsPerInch(int32_t Value) override;
    HRESULT get_PrintScale(TxPrintScale* Value) override;
    HRESULT put_PrintScale(TxPrintScale Value) override;
    HRESULT get_Scaled(VARIANT_BOOL* Value) override;
    HRESULT put_Scaled(VARIANT_BOOL Value) override;
    HRESULT get_Active(VARIANT_BOOL* Value) override;
    HRESULT get_DropTarget(VARIANT_BOOL* Value) override;
    HRESULT put_DropTarget(VARIANT_BOOL Value) override;
    HRESULT get_HelpFile(std::u16string* Value) override;
    HRESULT put_HelpFile(const std::u16string& Value) override;
    HRESULT get_ScreenSnap(VARIANT_BOOL* Value) override;
    HRESULT put_ScreenSnap(VARIANT_BOOL Value) override;
    HRESULT get_SnapBuffer(int32_t* Value) override;
    HRESULT put_SnapBuffer(int32_t Value) override;
    HRESULT get_DoubleBuffered(VARIANT_BOOL* Value) override;
    HRESULT put_DoubleBuffered(VARIANT_BOOL Value) override;
    HRESULT get_AlignDisabled(VARIANT_BOOL* Value) override;
    HRESULT get_VisibleDockClientCount(int32_t* Value) override;
    HRESULT get_Enabled(VARIANT_BOOL* Value) override;
    HRESULT put_Enabled(VARIANT_BOOL Value) override;

private:
    // Attaches the event firing to the form's events.
    void Initialize();
    // Calls the sink by DISPID; nothing without a sink.
    void fire(DISPID event);
    void formEvent(DISPID event) override;
    void formKeyPress(int16_t& key) override;
    bool keyPreview() const override { return m_keyPreview; }
    void applyFont(const gfx::Font& font);

    LiveObject m_live; // first: counted until the last member is gone
    QPointer<TFmirola> m_form;
    QPointer<FormEvents> m_events;
    QMetaObject::Connection m_formDestroyed;
    std::shared_ptr<ImirolaEvents> m_sink;

    // The form's logical font and colour as the host set them; Qt keeps only the resolved ones.
    gfx::Font m_font;
    gfx::Color m_color;

    // Properties that have no meaning for a Qt form, kept with their defaults.
    bool m_autoScroll = false;
    bool m_autoSize = false;
    TxActiveFormBorderStyle m_axBorderStyle = afbNone;
    bool m_keyPreview = false;
    int32_t m_pixelsPerInch = 96;
    TxPrintScale m_printScale = poProportional;
    bool m_scaled = true;
    std::string m_helpFile; // cp949
    bool m_screenSnap = false;
    int32_t m_snapBuffer = 10;
    bool m_doubleBuffered = false;
};

} // namespace viewer::control

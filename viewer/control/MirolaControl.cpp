#include "viewer/control/MirolaControl.h"

#include "text/Cp949.h"
#include "viewer/TFmirola.h"
#include "viewer/control/ComServer.h"

#include <QLayout>
#include <QPalette>

namespace viewer::control {

namespace {

constexpr OLE_COLOR oleSystemColor = 0x80000000; // OLE marks system colour nn as 0x800000nn
constexpr int lastSystemColorIndex = 30;         // COLOR_MENUBAR, the highest the platform knows

// Runs an accessor that goes through the form: a form the host has destroyed, or an error
// inside, becomes a status code instead of escaping to the host.
template <class F> HRESULT throughForm(TFmirola* form, F&& accessor)
{
    if (!form)
        return E_UNEXPECTED;
    try {
        return accessor(*form);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

template <class T> HRESULT readField(T* out, const T& field)
{
    if (!out)
        return E_POINTER;
    *out = field;
    return S_OK;
}

HRESULT readBool(VARIANT_BOOL* out, bool field)
{
    return readField(out, toVariantBool(field));
}

std::u16string toUtf16(const std::string& cp949)
{
    return text::fromCp949(cp949).toStdU16String();
}

std::string toCp949(const std::u16string& utf16)
{
    return text::toCp949(QString::fromStdU16String(utf16));
}

} // namespace

MirolaControl::MirolaControl(QWidget* site, const Configuration& config)
{
    // The form is ours to delete until the control is complete, so that a failure on the way
    // leaves nothing in the host's window and nothing there that refers to us.
    auto form = std::make_unique<TFmirola>(config, site);
    m_form = form.get();
    // The form's design font and colour, as the host reads them back.
    m_font.name = "MS Sans Serif";
    m_font.height = -form->font().pixelSize();
    m_color = gfx::clBtnFace;
    Initialize();
    form->show();
    m_formDestroyed =
        QObject::connect(form.get(), &QObject::destroyed, [this] { fire(DISPID_OnDestroy); });
    // Complete: from here the form lives as long as its window, and m_form follows it.
    m_form = form.release();
}

MirolaControl::~MirolaControl()
{
    QObject::disconnect(m_formDestroyed);
    if (m_form) {
        fire(DISPID_OnDestroy);
        // Nothing reaches the sink after OnDestroy, not even the focus leaving the dying form.
        delete m_events.data();
        delete m_form.data();
    }
}

void MirolaControl::Initialize()
{
    m_events = new FormEvents(m_form, *this);
    // The host connects its sink after creating us; it hears OnCreate once it has had the chance.
    QMetaObject::invokeMethod(
        m_events, [this] { fire(DISPID_OnCreate); }, Qt::QueuedConnection);
}

TFmirola* MirolaControl::form() const
{
    return m_form;
}

void MirolaControl::EventSinkChanged(const std::shared_ptr<IUnknown>& sink)
{
    m_sink = std::dynamic_pointer_cast<ImirolaEvents>(sink);
}

void MirolaControl::SetObjectRects(const QRect& rect)
{
    if (m_form)
        m_form->setGeometry(rect);
}

void MirolaControl::fire(DISPID event)
{
    if (!m_sink)
        return;
    // The sink may disconnect itself while it handles the event.
    const std::shared_ptr<ImirolaEvents> sink = m_sink;
    std::vector<OleVariant> none;
    sink->Invoke(event, none);
}

void MirolaControl::formEvent(DISPID event)
{
    fire(event);
}

void MirolaControl::formKeyPress(int16_t& key)
{
    if (!m_sink)
        return;
    const std::shared_ptr<ImirolaEvents> sink = m_sink;
    std::vector<OleVariant> args{OleVariant::i2(key)};
    if (SUCCEEDED(sink->Invoke(DISPID_OnKeyPress, args)) && args.size() == 1)
        if (const std::optional<int16_t> value = args[0].toInt16())
            key = *value;
}

void MirolaControl::applyFont(const gfx::Font& font)
{
    m_font = font;
    m_form->setFont(gfx::toQFont(font, gfx::ScreenDpi));
}

HRESULT MirolaControl::get_Visible(VARIANT_BOOL* Value)
{
    return throughForm(m_form, [&](TFmirola& f) { return readBool(Value, !f.isHidden()); });
}

HRESULT MirolaControl::put_Visible(VARIANT_BOOL Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        f.setVisible(Value != 0);
        return S_OK;
    });
}

HRESULT MirolaControl::get_AutoScroll(VARIANT_BOOL* Value)
{
    return readBool(Value, m_autoScroll);
}

HRESULT MirolaControl::put_AutoScroll(VARIANT_BOOL Value)
{
    m_autoScroll = Value != 0;
    return S_OK;
}

HRESULT MirolaControl::get_AutoSize(VARIANT_BOOL* Value)
{
    return readBool(Value, m_autoSize);
}

HRESULT MirolaControl::put_AutoSize(VARIANT_BOOL Value)
{
    m_autoSize = Value != 0;
    return S_OK;
}

HRESULT MirolaControl::get_AxBorderStyle(TxActiveFormBorderStyle* Value)
{
    return readField(Value, m_axBorderStyle);
}

HRESULT MirolaControl::put_AxBorderStyle(TxActiveFormBorderStyle Value)
{
    if (Value < afbNone || Value > afbRaised)
        return E_INVALIDARG;
    m_axBorderStyle = Value;
    return S_OK;
}

HRESULT MirolaControl::get_Caption(std::u16string* Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        return readField(Value, toUtf16(text::toCp949(f.windowTitle())));
    });
}

HRESULT MirolaControl::put_Caption(const std::u16string& Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        f.setWindowTitle(text::fromCp949(toCp949(Value)));
        return S_OK;
    });
}

HRESULT MirolaControl::get_Color(OLE_COLOR* Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        const QColor shown = f.palette().color(QPalette::Window);
        // A system colour reads back as one while the form still shows it.
        if (gfx::isSystemColor(m_color) && gfx::toQColor(m_color) == shown)
            return readField(Value, oleSystemColor | (m_color & 0xFF));
        return readField(Value, OLE_COLOR(gfx::fromQColor(shown)));
    });
}

HRESULT MirolaControl::put_Color(OLE_COLOR Value)
{
    gfx::Color color;
    if ((Value & 0xFF000000) == oleSystemColor && (Value & 0x00FFFFFF) <= lastSystemColorIndex)
        color = gfx::clSystemColor | (Value & 0xFF);
    else if ((Value & 0xFF000000) == 0)
        color = Value;
    else
        return E_INVALIDARG;
    return throughForm(m_form, [&](TFmirola& f) {
        QPalette palette = f.palette();
        palette.setColor(QPalette::Window, gfx::toQColor(color));
        f.setPalette(palette);
        m_color = color;
        return S_OK;
    });
}

HRESULT MirolaControl::get_Font(OleFont* Value)
{
    return throughForm(m_form, [&](TFmirola&) { return readField(Value, toOleFont(m_font)); });
}

HRESULT MirolaControl::put_Font(const OleFont& Value)
{
    gfx::Font font = m_font;
    if (!toFormFont(Value, font))
        return E_INVALIDARG;
    return throughForm(m_form, [&](TFmirola&) {
        applyFont(font);
        return S_OK;
    });
}

HRESULT MirolaControl::putref_Font(const OleFont& Value)
{
    // The form keeps a copy either way; it never watches the host's font object.
    return put_Font(Value);
}

HRESULT MirolaControl::get_KeyPreview(VARIANT_BOOL* Value)
{
    return readBool(Value, m_keyPreview);
}

HRESULT MirolaControl::put_KeyPreview(VARIANT_BOOL Value)
{
    m_keyPreview = Value != 0;
    return S_OK;
}

HRESULT MirolaControl::get_PixelsPerInch(int32_t* Value)
{
    return throughForm(m_form, [&](TFmirola&) { return readField(Value, m_pixelsPerInch); });
}

HRESULT MirolaControl::put_PixelsPerInch(int32_t Value)
{
    if (Value <= 0)
        return E_INVALIDARG;
    return throughForm(m_form, [&](TFmirola&) {
        m_pixelsPerInch = Value;
        return S_OK;
    });
}

HRESULT MirolaControl::get_PrintScale(TxPrintScale* Value)
{
    return readField(Value, m_printScale);
}

HRESULT MirolaControl::put_PrintScale(TxPrintScale Value)
{
    if (Value < poNone || Value > poPrintToFit)
        return E_INVALIDARG;
    m_printScale = Value;
    return S_OK;
}

HRESULT MirolaControl::get_Scaled(VARIANT_BOOL* Value)
{
    return throughForm(m_form, [&](TFmirola&) { return readBool(Value, m_scaled); });
}

HRESULT MirolaControl::put_Scaled(VARIANT_BOOL Value)
{
    return throughForm(m_form, [&](TFmirola&) {
        m_scaled = Value != 0;
        return S_OK;
    });
}

HRESULT MirolaControl::get_Active(VARIANT_BOOL* Value)
{
    if (!m_form || !m_events)
        return E_UNEXPECTED;
    return readBool(Value, m_events->isActive());
}

HRESULT MirolaControl::get_DropTarget(VARIANT_BOOL* Value)
{
    return throughForm(m_form, [&](TFmirola& f) { return readBool(Value, f.acceptDrops()); });
}

HRESULT MirolaControl::put_DropTarget(VARIANT_BOOL Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        f.setAcceptDrops(Value != 0);
        return S_OK;
    });
}

HRESULT MirolaControl::get_HelpFile(std::u16string* Value)
{
    return throughForm(m_form, [&](TFmirola&) { return readField(Value, toUtf16(m_helpFile)); });
}

HRESULT MirolaControl::put_HelpFile(const std::u16string& Value)
{
    return throughForm(m_form, [&](TFmirola&) {
        m_helpFile = toCp949(Value);
        return S_OK;
    });
}

HRESULT MirolaControl::get_ScreenSnap(VARIANT_BOOL* Value)
{
    return readBool(Value, m_screenSnap);
}

HRESULT MirolaControl::put_ScreenSnap(VARIANT_BOOL Value)
{
    m_screenSnap = Value != 0;
    return S_OK;
}

HRESULT MirolaControl::get_SnapBuffer(int32_t* Value)
{
    return readField(Value, m_snapBuffer);
}

HRESULT MirolaControl::put_SnapBuffer(int32_t Value)
{
    m_snapBuffer = Value;
    return S_OK;
}

HRESULT MirolaControl::get_DoubleBuffered(VARIANT_BOOL* Value)
{
    return readBool(Value, m_doubleBuffered);
}

HRESULT MirolaControl::put_DoubleBuffered(VARIANT_BOOL Value)
{
    m_doubleBuffered = Value != 0;
    return S_OK;
}

HRESULT MirolaControl::get_AlignDisabled(VARIANT_BOOL* Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        return readBool(Value, f.layout() && !f.layout()->isEnabled());
    });
}

HRESULT MirolaControl::get_VisibleDockClientCount(int32_t* Value)
{
    // The form is no dock site: nothing is ever docked into it.
    return throughForm(m_form, [&](TFmirola&) { return readField(Value, int32_t(0)); });
}

HRESULT MirolaControl::get_Enabled(VARIANT_BOOL* Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        return readBool(Value, !f.testAttribute(Qt::WA_ForceDisabled));
    });
}

HRESULT MirolaControl::put_Enabled(VARIANT_BOOL Value)
{
    return throughForm(m_form, [&](TFmirola& f) {
        f.setEnabled(Value != 0);
        return S_OK;
    });
}

} // namespace viewer::control

#include "viewer/control/Imirola.h"

#include <algorithm>
#include <type_traits>

namespace viewer::control {

namespace {

OleVariant toVariant(VARIANT_BOOL v) { return OleVariant::boolean(v); }
OleVariant toVariant(int32_t v) { return OleVariant::i4(v); }
OleVariant toVariant(OLE_COLOR v) { return OleVariant::ui4(v); }
OleVariant toVariant(TxActiveFormBorderStyle v) { return OleVariant::i4(v); }
OleVariant toVariant(TxPrintScale v) { return OleVariant::i4(v); }
OleVariant toVariant(const std::u16string& v) { return OleVariant::bstr(v); }
OleVariant toVariant(const OleFont& v) { return OleVariant::font(v); }

template <class T>
std::optional<T> fromVariant(const OleVariant& v)
{
    if constexpr (std::is_same_v<T, VARIANT_BOOL>)
        return v.toBool();
    else if constexpr (std::is_same_v<T, int32_t>)
        return v.toInt32();
    else if constexpr (std::is_same_v<T, OLE_COLOR>)
        return v.toUInt32();
    else if constexpr (std::is_enum_v<T>) {
        // The accessor itself refuses values outside the enumeration.
        const std::optional<int32_t> n = v.toInt32();
        return n ? std::optional<T>(T(*n)) : std::nullopt;
    } else if constexpr (std::is_same_v<T, std::u16string>)
        return v.toBStr();
    else
        return v.toFont();
}

template <class>
struct GetterValue;
template <class T>
struct GetterValue<HRESULT (Imirola::*)(T*)>
{
    using type = T;
};
template <class>
struct PutterValue;
template <class T>
struct PutterValue<HRESULT (Imirola::*)(T)>
{
    using type = std::remove_cvref_t<T>;
};

template <auto getter>
HRESULT getVia(Imirola& object, OleVariant& result)
{
    typename GetterValue<decltype(getter)>::type value{};
    const HRESULT hr = (object.*getter)(&value);
    if (SUCCEEDED(hr))
        result = toVariant(value);
    return hr;
}

template <auto putter>
HRESULT putVia(Imirola& object, const OleVariant& argument)
{
    const auto value = fromVariant<typename PutterValue<decltype(putter)>::type>(argument);
    if (!value)
        return DISP_E_TYPEMISMATCH;
    return (object.*putter)(*value);
}

struct Binding
{
    DISPID dispid;
    HRESULT (*get)(Imirola&, OleVariant&);
    HRESULT (*put)(Imirola&, const OleVariant&);
    HRESULT (*putRef)(Imirola&, const OleVariant&);
};

using I = Imirola;
const Binding bindings[] = {
    {201, getVia<&I::get_Visible>, putVia<&I::put_Visible>, nullptr},
    {202, getVia<&I::get_AutoScroll>, putVia<&I::put_AutoScroll>, nullptr},
    {203, getVia<&I::get_AutoSize>, putVia<&I::put_AutoSize>, nullptr},
    {204, getVia<&I::get_AxBorderStyle>, putVia<&I::put_AxBorderStyle>, nullptr},
    {DISPID_CAPTION, getVia<&I::get_Caption>, putVia<&I::put_Caption>, nullptr},
    {DISPID_BACKCOLOR, getVia<&I::get_Color>, putVia<&I::put_Color>, nullptr},
    {DISPID_FONT, getVia<&I::get_Font>, putVia<&I::put_Font>, putVia<&I::putref_Font>},
    {205, getVia<&I::get_KeyPreview>, putVia<&I::put_KeyPreview>, nullptr},
    {206, getVia<&I::get_PixelsPerInch>, putVia<&I::put_PixelsPerInch>, nullptr},
    {207, getVia<&I::get_PrintScale>, putVia<&I::put_PrintScale>, nullptr},
    {208, getVia<&I::get_Scaled>, putVia<&I::put_Scaled>, nullptr},
    {209, getVia<&I::get_Active>, nullptr, nullptr},
    {210, getVia<&I::get_DropTarget>, putVia<&I::put_DropTarget>, nullptr},
    {211, getVia<&I::get_HelpFile>, putVia<&I::put_HelpFile>, nullptr},
    {212, getVia<&I::get_ScreenSnap>, putVia<&I::put_ScreenSnap>, nullptr},
    {213, getVia<&I::get_SnapBuffer>, putVia<&I::put_SnapBuffer>, nullptr},
    {214, getVia<&I::get_DoubleBuffered>, putVia<&I::put_DoubleBuffered>, nullptr},
    {215, getVia<&I::get_AlignDisabled>, nullptr, nullptr},
    {216, getVia<&I::get_VisibleDockClientCount>, nullptr, nullptr},
    {DISPID_ENABLED, getVia<&I::get_Enabled>, putVia<&I::put_Enabled>, nullptr},
};

const Binding* bindingOf(DISPID dispid)
{
    auto it = std::find_if(std::begin(bindings), std::end(bindings),
                           [&](const Binding& b) { return b.dispid == dispid; });
    return it == std::end(bindings) ? nullptr : it;
}

} // namespace

HRESULT Imirola::GetIDsOfNames(std::u16string_view name, DISPID* dispid) const
{
    if (!dispid)
        return E_POINTER;
    const PropertyInfo* info = findProperty(name);
    if (!info)
        return DISP_E_UNKNOWNNAME;
    *dispid = info->dispid;
    return S_OK;
}

HRESULT Imirola::Invoke(DISPID dispid, InvokeKind kind, const std::vector<OleVariant>& args,
                        OleVariant* result)
{
    const PropertyInfo* info = findProperty(dispid);
    const Binding* binding = bindingOf(dispid);
    if (!info || !binding)
        return DISP_E_MEMBERNOTFOUND;
    switch (kind) {
    case InvokeKind::PropertyGet:
        if (!(info->access & Get))
            return DISP_E_MEMBERNOTFOUND;
        if (!args.empty())
            return DISP_E_BADPARAMCOUNT;
        if (!result)
            return E_POINTER;
        return binding->get(*this, *result);
    case InvokeKind::PropertyPut:
    case InvokeKind::PropertyPutRef: {
        const bool byRef = kind == InvokeKind::PropertyPutRef;
        if (!(info->access & (byRef ? PutRef : Put)))
            return DISP_E_MEMBERNOTFOUND;
        if (args.size() != 1)
            return DISP_E_BADPARAMCOUNT;
        return (byRef ? binding->putRef : binding->put)(*this, args[0]);
    }
    case InvokeKind::Method:
        break; // the interface has properties only
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT MirolaEventSink::Invoke(DISPID dispid, std::vector<OleVariant>& args)
{
    if (dispid == DISPID_OnKeyPress) {
        if (args.size() != 1)
            return DISP_E_BADPARAMCOUNT;
        const std::optional<int16_t> key = args[0].toInt16();
        if (!key)
            return DISP_E_TYPEMISMATCH;
        int16_t value = *key;
        OnKeyPress(value);
        args[0] = OleVariant::i2(value);
        return S_OK;
    }
    if (!args.empty())
        return DISP_E_BADPARAMCOUNT;
    switch (dispid) {
    case DISPID_OnActivate:
        OnActivate();
        return S_OK;
    case DISPID_OnClick:
        OnClick();
        return S_OK;
    case DISPID_OnCreate:
        OnCreate();
        return S_OK;
    case DISPID_OnDblClick:
        OnDblClick();
        return S_OK;
    case DISPID_OnDestroy:
        OnDestroy();
        return S_OK;
    case DISPID_OnDeactivate:
        OnDeactivate();
        return S_OK;
    case DISPID_OnPaint:
        OnPaint();
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace viewer::control

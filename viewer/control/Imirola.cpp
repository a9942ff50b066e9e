#include "viewer/control/Imirola.h"

#include <algorithm>
#include <type_traits>

namespace viewer::control {

namespace {

OleVariant toVariant(VARIANT_BOOL v)
{
    return OleVariant::boolean(v);
}
OleVariant toVariant(int32_t v)
{
    return OleVariant::i4(v);
}
OleVariant toVariant(OLE_COLOR v)
{
    return OleVariant::ui4(v);
}
OleVariant toVariant(TxActiveFormBorderStyle v)
{
    return OleVariant::i4(v);
}
OleVariant toVariant(TxPrintScale v)
{
    return OleVariant::i4(v);
}
OleVariant toVariant(const std::u16string& v)
{
    return OleVariant::bstr(v);
}
OleVariant toVariant(const OleFont& v)
{
    return OleVariant::font(v);
}

template <class T> std::optional<T> fromVariant(const OleVariant& v)
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

template <class> struct GetterValue;
template <class T> struct GetterValue<HRESULT (Imirola::*)(T*)>
{
    using type = T;
};
template <class> struct PutterValue;
template <class T> struct PutterValue<HRESULT (Imirola::*)(T)>
{
    using type = std::remove_cvref_t<T>;
};

template <auto getter> HRESULT getVia(Imirola& object, OleVariant& result)
{
    typename GetterValue<decltype(getter)>::type value{};
    const HRESULT hr = (object.*getter)(&value);
    if (SUCCEEDED(hr))
        result = toVariant(value);
    return hr;
}

template <auto putter> HRESULT putVia(Imirola& object, const OleVariant& argument)
{
    const auto value = fromVariant<typename PutterValue<decltype(putter)>::type>(argument);
    if (!value)
        return DISP_E_TYPEMISMATCH;
    return (object.*putter)(*value);
}

} // namespace

const std::vector<PropertyInfo>& ImirolaProperties()
{
    using T = PropertyType;
    using I = Imirola;
    static const std::vector<PropertyInfo> properties = {
        {"Visible", 201, T::Boolean, true, getVia<&I::get_Visible>, putVia<&I::put_Visible>,
         nullptr},
        {"AutoScroll", 202, T::Boolean, false, getVia<&I::get_AutoScroll>,
         putVia<&I::put_AutoScroll>, nullptr},
        {"AutoSize", 203, T::Boolean, false, getVia<&I::get_AutoSize>, putVia<&I::put_AutoSize>,
         nullptr},
        {"AxBorderStyle", 204, T::BorderStyle, false, getVia<&I::get_AxBorderStyle>,
         putVia<&I::put_AxBorderStyle>, nullptr},
        {"Caption", DISPID_CAPTION, T::String, false, getVia<&I::get_Caption>,
         putVia<&I::put_Caption>, nullptr},
        {"Color", DISPID_BACKCOLOR, T::Color, false, getVia<&I::get_Color>, putVia<&I::put_Color>,
         nullptr},
        {"Font", DISPID_FONT, T::Font, false, getVia<&I::get_Font>, putVia<&I::put_Font>,
         putVia<&I::putref_Font>},
        {"KeyPreview", 205, T::Boolean, false, getVia<&I::get_KeyPreview>,
         putVia<&I::put_KeyPreview>, nullptr},
        {"PixelsPerInch", 206, T::Int32, false, getVia<&I::get_PixelsPerInch>,
         putVia<&I::put_PixelsPerInch>, nullptr},
        {"PrintScale", 207, T::PrintScale, false, getVia<&I::get_PrintScale>,
         putVia<&I::put_PrintScale>, nullptr},
        {"Scaled", 208, T::Boolean, false, getVia<&I::get_Scaled>, putVia<&I::put_Scaled>, nullptr},
        {"Active", 209, T::Boolean, true, getVia<&I::get_Active>, nullptr, nullptr},
        {"DropTarget", 210, T::Boolean, true, getVia<&I::get_DropTarget>,
         putVia<&I::put_DropTarget>, nullptr},
        {"HelpFile", 211, T::String, true, getVia<&I::get_HelpFile>, putVia<&I::put_HelpFile>,
         nullptr},
        {"ScreenSnap", 212, T::Boolean, true, getVia<&I::get_ScreenSnap>,
         putVia<&I::put_ScreenSnap>, nullptr},
        {"SnapBuffer", 213, T::Int32, true, getVia<&I::get_SnapBuffer>, putVia<&I::put_SnapBuffer>,
         nullptr},
        {"DoubleBuffered", 214, T::Boolean, true, getVia<&I::get_DoubleBuffered>,
         putVia<&I::put_DoubleBuffered>, nullptr},
        {"AlignDisabled", 215, T::Boolean, true, getVia<&I::get_AlignDisabled>, nullptr, nullptr},
        {"VisibleDockClientCount", 216, T::Int32, true, getVia<&I::get_VisibleDockClientCount>,
         nullptr, nullptr},
        {"Enabled", DISPID_ENABLED, T::Boolean, true, getVia<&I::get_Enabled>,
         putVia<&I::put_Enabled>, nullptr},
    };
    return properties;
}

const PropertyInfo* findProperty(DISPID dispid)
{
    const auto& all = ImirolaProperties();
    auto it = std::find_if(all.begin(), all.end(),
                           [&](const PropertyInfo& p) { return p.dispid == dispid; });
    return it == all.end() ? nullptr : &*it;
}

const PropertyInfo* findProperty(std::u16string_view name)
{
    auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    };
    for (const PropertyInfo& p : ImirolaProperties()) {
        if (p.name.size() != name.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = lower(char16_t(p.name[i])) == lower(name[i]);
        if (same)
            return &p;
    }
    return nullptr;
}

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
    if (!info)
        return DISP_E_MEMBERNOTFOUND;
    switch (kind) {
    case InvokeKind::PropertyGet:
        if (!info->get)
            return DISP_E_MEMBERNOTFOUND;
        if (!args.empty())
            return DISP_E_BADPARAMCOUNT;
        if (!result)
            return E_POINTER;
        return info->get(*this, *result);
    case InvokeKind::PropertyPut:
    case InvokeKind::PropertyPutRef: {
        const auto put = kind == InvokeKind::PropertyPutRef ? info->putRef : info->put;
        if (!put)
            return DISP_E_MEMBERNOTFOUND;
        if (args.size() != 1)
            return DISP_E_BADPARAMCOUNT;
        return put(*this, args[0]);
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

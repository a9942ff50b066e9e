#pragma once

#include <cstdint>

// The automation types and status codes of the control's surface, with the values an ActiveX
// build passes across its interfaces.
namespace viewer::control {

using HRESULT = int32_t;
using DISPID = int32_t;
using VARIANT_BOOL = int16_t;
using OLE_COLOR = uint32_t; // 0x00BBGGRR, or 0x800000nn for system colour nn

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline VARIANT_BOOL toVariantBool(bool b)
{
    return b ? VARIANT_TRUE : VARIANT_FALSE;
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = HRESULT(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = HRESULT(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = HRESULT(0x80020006u);
constexpr HRESULT DISP_E_EXCEPTION = HRESULT(0x80020009u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = HRESULT(0x8002000Eu);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HRESULT(0x80040111u);
constexpr HRESULT SELFREG_E_TYPELIB = HRESULT(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = HRESULT(0x80040201u);

inline bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
inline bool FAILED(HRESULT hr)
{
    return hr < 0;
}

// The standard dispatch ids of stock properties.
constexpr DISPID DISPID_BACKCOLOR = -501;
constexpr DISPID DISPID_FONT = -512;
constexpr DISPID DISPID_ENABLED = -514;
constexpr DISPID DISPID_CAPTION = -518;

// The base of every interface: objects are asked for the interfaces they provide.
class IUnknown
{
public:
    virtual ~IUnknown() = default;
};

} // namespace viewer::control

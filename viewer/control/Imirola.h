#pragma once

#include "viewer/control/Automation.h"
#include "viewer/control/OleFont.h"
#include "viewer/control/OleVariant.h"
#include "viewer/control/TypeLibrary.h"

#include <string>
#include <vector>

namespace viewer::control {

// How a dispatch call reaches a member.
enum class InvokeKind { Method = 1, PropertyGet = 2, PropertyPut = 4, PropertyPutRef = 8 };

class Imirola;

// One property of Imirola: what the type library says of it and the accessors a dispatch call
// reaches; an access the property lacks has no accessor.
struct PropertyInfo
{
    std::string_view name;
    DISPID dispid;
    PropertyType type;
    bool hidden;
    HRESULT (*get)(Imirola&, OleVariant&);
    HRESULT (*put)(Imirola&, const OleVariant&);
    HRESULT (*putRef)(Imirola&, const OleVariant&);

    unsigned access() const { return (get ? Get : 0u) | (put ? Put : 0u) | (putRef ? PutRef : 0u); }
};

// The properties of Imirola in the order of the interface: the one table of their DISPIDs.
const std::vector<PropertyInfo>& ImirolaProperties();
// Dispatch names compare without regard to case; null when there is none.
const PropertyInfo* findProperty(DISPID dispid);
const PropertyInfo* findProperty(std::u16string_view name);

// The control's dual interface: typed accessors in the order of the interface, and dispatch by
// name or DISPID over the same accessors for hosts that script the control. Every accessor
// returns a status code; none throws.
class Imirola : public IUnknown
{
public:
    virtual HRESULT get_Visible(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_AutoScroll(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_AutoScroll(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_AutoSize(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_AutoSize(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_AxBorderStyle(TxActiveFormBorderStyle* Value) = 0;
    virtual HRESULT put_AxBorderStyle(TxActiveFormBorderStyle Value) = 0;
    virtual HRESULT get_Caption(std::u16string* Value) = 0;
    virtual HRESULT put_Caption(const std::u16string& Value) = 0;
    virtual HRESULT get_Color(OLE_COLOR* Value) = 0;
    virtual HRESULT put_Color(OLE_COLOR Value) = 0;
    virtual HRESULT get_Font(OleFont* Value) = 0;
    virtual HRESULT put_Font(const OleFont& Value) = 0;
    virtual HRESULT putref_Font(const OleFont& Value) = 0;
    virtual HRESULT get_KeyPreview(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_KeyPreview(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_PixelsPerInch(int32_t* Value) = 0;
    virtual HRESULT put_PixelsPerInch(int32_t Value) = 0;
    virtual HRESULT get_PrintScale(TxPrintScale* Value) = 0;
    virtual HRESULT put_PrintScale(TxPrintScale Value) = 0;
    virtual HRESULT get_Scaled(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_Scaled(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_Active(VARIANT_BOOL* Value) = 0;
    virtual HRESULT get_DropTarget(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_DropTarget(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_HelpFile(std::u16string* Value) = 0;
    virtual HRESULT put_HelpFile(const std::u16string& Value) = 0;
    virtual HRESULT get_ScreenSnap(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_ScreenSnap(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_SnapBuffer(int32_t* Value) = 0;
    virtual HRESULT put_SnapBuffer(int32_t Value) = 0;
    virtual HRESULT get_DoubleBuffered(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_DoubleBuffered(VARIANT_BOOL Value) = 0;
    virtual HRESULT get_AlignDisabled(VARIANT_BOOL* Value) = 0;
    virtual HRESULT get_VisibleDockClientCount(int32_t* Value) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* Value) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL Value) = 0;

    // DISP_E_UNKNOWNNAME for a name the interface lacks; names compare without regard to case.
    HRESULT GetIDsOfNames(std::u16string_view name, DISPID* dispid) const;
    // A get takes no argument and needs `result`; a put takes the one new value. Errors:
    // DISP_E_MEMBERNOTFOUND (no such member, or no such access to it), DISP_E_BADPARAMCOUNT,
    // DISP_E_TYPEMISMATCH, E_POINTER, or whatever the accessor returns.
    HRESULT Invoke(DISPID dispid, InvokeKind kind, const std::vector<OleVariant>& args,
                   OleVariant* result);
};

// The host's event sink: events arrive by DISPID with their arguments. OnKeyPress passes the
// key in args[0] as a 16-bit integer and reads it back afterwards.
class ImirolaEvents : public IUnknown
{
public:
    virtual HRESULT Invoke(DISPID dispid, std::vector<OleVariant>& args) = 0;
};

// A sink with one method per event, for hosts written against the typed interface.
class MirolaEventSink : public ImirolaEvents
{
public:
    virtual void OnActivate() {}
    virtual void OnClick() {}
    virtual void OnCreate() {}
    virtual void OnDblClick() {}
    virtual void OnDestroy() {}
    virtual void OnDeactivate() {}
    virtual void OnKeyPress(int16_t& Key) {}
    virtual void OnPaint() {}

    HRESULT Invoke(DISPID dispid, std::vector<OleVariant>& args) override;
};

} // namespace viewer::control

#pragma once

#include "viewer/control/Automation.h"
#include "viewer/control/Guid.h"

#include <string_view>
#include <vector>

// What the control's type library describes: the library, the event interface, the class and
// the enumerations. The properties of the dispatch interface are described beside their
// accessors, in Imirola.h. The dispatch code, the type-library source and the registration all
// read these tables.
namespace viewer::control {

enum TxActiveFormBorderStyle : int32_t { afbNone = 0, afbSingle = 1, afbSunken = 2, afbRaised = 3 };
enum TxPrintScale : int32_t { poNone = 0, poProportional = 1, poPrintToFit = 2 };
enum TxMouseButton : int32_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

constexpr Guid LIBID_mirola{
    0xA6F4E520, 0xB1E3, 0x44BF, {0xB4, 0xF5, 0x88, 0x9C, 0x36, 0xCF, 0xFA, 0x23}};
constexpr Guid IID_Imirola{
    0x6F3C7BB9, 0x5A36, 0x4AF4, {0xA4, 0xAF, 0x62, 0x9B, 0x98, 0x61, 0xF2, 0xA2}};
constexpr Guid DIID_ImirolaEvents{
    0xEFE87C39, 0xEEC9, 0x41E0, {0x92, 0xA8, 0xD8, 0x36, 0xDB, 0xFF, 0x17, 0x0C}};
constexpr Guid CLSID_mirola{
    0x7CFF4C53, 0xC24E, 0x4EF2, {0xB1, 0xC0, 0x8F, 0xFE, 0x28, 0xA2, 0x3A, 0xB1}};
constexpr Guid GUID_TxActiveFormBorderStyle{
    0x5BE5B9A6, 0x8A08, 0x4614, {0x90, 0xA2, 0x98, 0x5F, 0xF4, 0x5C, 0x83, 0xFA}};
constexpr Guid GUID_TxPrintScale{
    0xFC507B49, 0xC324, 0x4AF0, {0x84, 0xCA, 0x91, 0x63, 0xED, 0x2F, 0x11, 0xC8}};
constexpr Guid GUID_TxMouseButton{
    0x6987D7FC, 0x6D0B, 0x44AE, {0xA3, 0x04, 0x4C, 0xBD, 0x24, 0x01, 0x4F, 0x33}};

struct TypeLibraryInfo
{
    std::string_view name;
    std::string_view helpString;
    Guid libid;
    int majorVersion;
    int minorVersion;
    std::string_view interfaceName;
    std::string_view interfaceHelp;
    std::string_view eventsName;
    std::string_view eventsHelp;
    std::string_view className;
    std::string_view classHelp;
};
const TypeLibraryInfo& mirolaTypeLibrary();

// The automation type of a property.
enum class PropertyType { Boolean, Int32, String, Color, Font, BorderStyle, PrintScale };

enum PropertyAccess : unsigned { Get = 1, Put = 2, PutRef = 4 };

enum EventDispid : DISPID {
    DISPID_OnActivate = 201,
    DISPID_OnClick = 202,
    DISPID_OnCreate = 203,
    DISPID_OnDblClick = 204,
    DISPID_OnDestroy = 205,
    DISPID_OnDeactivate = 206,
    DISPID_OnKeyPress = 207,
    DISPID_OnPaint = 208,
};

struct EventInfo
{
    std::string_view name;
    DISPID dispid;
    // The one parameter of OnKeyPress, a 16-bit integer passed in and out; empty for the others.
    std::string_view keyParameter;
};

// The methods of ImirolaEvents in the order of the interface.
const std::vector<EventInfo>& ImirolaEventsMethods();

struct EnumInfo
{
    std::string_view name;
    Guid guid;
    std::vector<std::pair<std::string_view, int32_t>> values;
};

const std::vector<EnumInfo>& typeLibraryEnums();

} // namespace viewer::control

#include "viewer/control/TypeLibrary.h"

namespace viewer::control {

const TypeLibraryInfo& mirolaTypeLibrary()
{
    static const TypeLibraryInfo info{
        "mirola",
        "mirola Library",
        LIBID_mirola,
        1,
        0,
        "Imirola",
        "Dispatch interface for mirola Control",
        "ImirolaEvents",
        "Events interface for mirola Control",
        "mirola",
        "mirola Control",
    };
    return info;
}

const std::vector<EventInfo>& ImirolaEventsMethods()
{
    static const std::vector<EventInfo> events = {
        {"OnActivate", DISPID_OnActivate, {}},    {"OnClick", DISPID_OnClick, {}},
        {"OnCreate", DISPID_OnCreate, {}},        {"OnDblClick", DISPID_OnDblClick, {}},
        {"OnDestroy", DISPID_OnDestroy, {}},      {"OnDeactivate", DISPID_OnDeactivate, {}},
        {"OnKeyPress", DISPID_OnKeyPress, "Key"}, {"OnPaint", DISPID_OnPaint, {}},
    };
    return events;
}

const std::vector<EnumInfo>& typeLibraryEnums()
{
    static const std::vector<EnumInfo> enums = {
        {"TxActiveFormBorderStyle",
         GUID_TxActiveFormBorderStyle,
         {{"afbNone", afbNone},
          {"afbSingle", afbSingle},
          {"afbSunken", afbSunken},
          {"afbRaised", afbRaised}}},
        {"TxPrintScale",
         GUID_TxPrintScale,
         {{"poNone", poNone}, {"poProportional", poProportional}, {"poPrintToFit", poPrintToFit}}},
        {"TxMouseButton",
         GUID_TxMouseButton,
         {{"mbLeft", mbLeft}, {"mbRight", mbRight}, {"mbMiddle", mbMiddle}}},
    };
    return enums;
}

} // namespace viewer::control

#include "viewer/control/TypeLibrary.h"

#include <algorithm>

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

const std::vector<PropertyInfo>& ImirolaProperties()
{
    using T = PropertyType;
    constexpr unsigned getPut = Get | Put;
    static const std::vector<PropertyInfo> properties = {
        {"Visible", 201, T::Boolean, getPut, true},
        {"AutoScroll", 202, T::Boolean, getPut, false},
        {"AutoSize", 203, T::Boolean, getPut, false},
        {"AxBorderStyle", 204, T::BorderStyle, getPut, false},
        {"Caption", DISPID_CAPTION, T::String, getPut, false},
        {"Color", DISPID_BACKCOLOR, T::Color, getPut, false},
        {"Font", DISPID_FONT, T::Font, getPut | PutRef, false},
        {"KeyPreview", 205, T::Boolean, getPut, false},
        {"PixelsPerInch", 206, T::Int32, getPut, false},
        {"PrintScale", 207, T::PrintScale, getPut, false},
        {"Scaled", 208, T::Boolean, getPut, false},
        {"Active", 209, T::Boolean, Get, true},
        {"DropTarget", 210, T::Boolean, getPut, true},
        {"HelpFile", 211, T::String, getPut, true},
        {"ScreenSnap", 212, T::Boolean, getPut, true},
        {"SnapBuffer", 213, T::Int32, getPut, true},
        {"DoubleBuffered", 214, T::Boolean, getPut, true},
        {"AlignDisabled", 215, T::Boolean, Get, true},
        {"VisibleDockClientCount", 216, T::Int32, Get, true},
        {"Enabled", DISPID_ENABLED, T::Boolean, getPut, true},
    };
    return properties;
}

const PropertyInfo* findProperty(DISPID dispid)
{
    const auto& all = ImirolaProperties();
    auto it = std::find_if(all.begin(), all.end(), [&](const PropertyInfo& p) { return p.dispid == dispid; });
    return it == all.end() ? nullptr : &*it;
}

const PropertyInfo* findProperty(std::u16string_view name)
{
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c; };
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

const std::vector<EventInfo>& ImirolaEventsMethods()
{
    static const std::vector<EventInfo> events = {
        {"OnActivate", DISPID_OnActivate, {}},   {"OnClick", DISPID_OnClick, {}},
        {"OnCreate", DISPID_OnCreate, {}},       {"OnDblClick", DISPID_OnDblClick, {}},
        {"OnDestroy", DISPID_OnDestroy, {}},     {"OnDeactivate", DISPID_OnDeactivate, {}},
        {"OnKeyPress", DISPID_OnKeyPress, "Key"}, {"OnPaint", DISPID_OnPaint, {}},
    };
    return events;
}

const std::vector<EnumInfo>& typeLibraryEnums()
{
    static const std::vector<EnumInfo> enums = {
        {"TxActiveFormBorderStyle",
         GUID_TxActiveFormBorderStyle,
         {{"afbNone", afbNone}, {"afbSingle", afbSingle}, {"afbSunken", afbSunken}, {"afbRaised", afbRaised}}},
        {"TxPrintScale",
         GUID_TxPrintScale,
         {{"poNone", poNone}, {"poProportional", poProportional}, {"poPrintToFit", poPrintToFit}}},
        {"TxMouseButton", GUID_TxMouseButton, {{"mbLeft", mbLeft}, {"mbRight", mbRight}, {"mbMiddle", mbMiddle}}},
    };
    return enums;
}

} // namespace viewer::control

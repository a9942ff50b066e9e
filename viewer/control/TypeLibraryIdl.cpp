#include "viewer/control/TypeLibraryIdl.h"

#include "viewer/control/Imirola.h"
#include "viewer/control/TypeLibrary.h"
#include "viewer/control/Version.h"

#include <cstdio>

namespace viewer::control {

namespace {

std::string idText(DISPID id)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", unsigned(uint32_t(id)));
    return buffer;
}

std::string typeName(PropertyType type)
{
    switch (type) {
    case PropertyType::Boolean:
        return "VARIANT_BOOL";
    case PropertyType::Int32:
        return "long";
    case PropertyType::String:
        return "BSTR";
    case PropertyType::Color:
        return "OLE_COLOR";
    case PropertyType::Font:
        return "IFontDisp*";
    case PropertyType::BorderStyle:
        return "TxActiveFormBorderStyle";
    case PropertyType::PrintScale:
        return "TxPrintScale";
    }
    return {};
}

std::string s(std::string_view v)
{
    return std::string(v);
}

std::string versionAttribute(const TypeLibraryInfo& lib)
{
    return "version(" + std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion) +
           ")";
}

std::string accessor(const PropertyInfo& p, const char* kind, const std::string& parameter)
{
    return "    [" + std::string(kind) + ", id(" + idText(p.dispid) + ")" +
           (p.hidden ? ", hidden" : "") + "]\n    HRESULT " + s(p.name) + "(" + parameter + ");\n";
}

} // namespace

std::string typeLibraryIdl()
{
    const TypeLibraryInfo& lib = mirolaTypeLibrary();
    const std::string version = versionAttribute(lib);
    std::string out = "// " + s(lib.name) + ".idl: type library of " + s(lib.name) +
                      ".ocx, file version " + libraryVersion().text() + "\n\n";
    // The OLE declarations (IDispatch, IFontDisp, OLE_COLOR) must be in scope for the compiler to
    // parse the interfaces; the library still refers to them through the standard type library.
    out += "import \"ocidl.idl\";\n\n";
    out += "[\n  uuid(" + lib.libid.toPlainString() + "),\n  " + version + ",\n  helpstring(\"" +
           s(lib.helpString) + "\"),\n  control\n]\nlibrary " + s(lib.name) + "\n{\n";
    out += "  importlib(\"stdole2.tlb\");\n\n";
    out +=
        "  interface " + s(lib.interfaceName) + ";\n  dispinterface " + s(lib.eventsName) + ";\n\n";

    for (const EnumInfo& e : typeLibraryEnums()) {
        out += "  typedef [uuid(" + e.guid.toPlainString() + "), " + version + "]\n  enum " +
               s(e.name) + "\n  {\n";
        for (size_t i = 0; i < e.values.size(); ++i)
            out += "    " + s(e.values[i].first) + " = " + std::to_string(e.values[i].second) +
                   (i + 1 < e.values.size() ? ",\n" : "\n");
        out += "  } " + s(e.name) + ";\n\n";
    }

    out += "  [\n    uuid(" + IID_Imirola.toPlainString() + "),\n    " + version +
           ",\n    helpstring(\"" + s(lib.interfaceHelp) +
           "\"),\n    dual,\n    oleautomation\n  ]\n  interface " + s(lib.interfaceName) +
           ": IDispatch\n  {\n";
    for (const PropertyInfo& p : ImirolaProperties()) {
        const std::string type = typeName(p.type);
        if (p.access() & Get)
            out += accessor(p, "propget", "[out, retval] " + type + "* Value");
        if (p.access() & Put)
            out += accessor(p, "propput", "[in] " + type + " Value");
        if (p.access() & PutRef)
            out += accessor(p, "propputref", "[in] " + type + " Value");
    }
    out += "  };\n\n";

    // No version on a dispinterface: the IDL compilers do not all accept one there, and the
    // library's version covers it.
    out += "  [\n    uuid(" + DIID_ImirolaEvents.toPlainString() + "),\n    helpstring(\"" +
           s(lib.eventsHelp) + "\")\n  ]\n  dispinterface " + s(lib.eventsName) +
           "\n  {\n    properties:\n    methods:\n";
    for (const EventInfo& e : ImirolaEventsMethods()) {
        const std::string parameters =
            e.keyParameter.empty() ? "void" : "[in, out] short* " + s(e.keyParameter);
        out +=
            "    [id(" + idText(e.dispid) + ")]\n    void " + s(e.name) + "(" + parameters + ");\n";
    }
    out += "  };\n\n";

    out += "  [\n    uuid(" + CLSID_mirola.toPlainString() + "),\n    " + version +
           ",\n    helpstring(\"" + s(lib.classHelp) + "\"),\n    control\n  ]\n  coclass " +
           s(lib.className) + "\n  {\n    [default] interface " + s(lib.interfaceName) +
           ";\n    [default, source] dispinterface " + s(lib.eventsName) + ";\n  };\n};\n";
    return out;
}

} // namespace viewer::control

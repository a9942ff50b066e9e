#include "viewer/control/Registration.h"

#include "viewer/control/Registry.h"
#include "viewer/control/TypeLibrary.h"

namespace viewer::control {

namespace {

constexpr uint32_t OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr uint32_t OLEMISC_CANTLINKINSIDE = 0x10;
constexpr uint32_t OLEMISC_INSIDEOUT = 0x80;
constexpr uint32_t OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr uint32_t OLEMISC_ACTSLIKELABEL = 0x2000;
constexpr uint32_t OLEMISC_SIMPLEFRAME = 0x10000;
constexpr uint32_t OLEMISC_SETCLIENTSITEFIRST = 0x20000;

constexpr const char* verbText = "Properties";
constexpr int verbFlags = 0;
constexpr int verbAttributes = 2; // shown on the container's menu
constexpr int libraryFlags = 2;   // the type library describes a control
constexpr int toolboxBitmapResource = 1;

// The platform's marshalers: dual interfaces through the automation proxy, dispatch-only ones
// through the dispatch proxy.
constexpr Guid proxyStubAutomation{
    0x00020424, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr Guid proxyStubDispatch{
    0x00020420, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string classKey()
{
    return "CLSID\\" + CLSID_mirola.toString();
}

std::string progId()
{
    const TypeLibraryInfo& lib = mirolaTypeLibrary();
    return std::string(lib.name) + "." + std::string(lib.className);
}

std::string versionText()
{
    const TypeLibraryInfo& lib = mirolaTypeLibrary();
    return std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion);
}

std::string typeLibKey()
{
    return "TypeLib\\" + LIBID_mirola.toString();
}

std::string interfaceKey(const Guid& iid)
{
    return "Interface\\" + iid.toString();
}

std::string directoryOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string regString(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

} // namespace

uint32_t miscStatus()
{
    return OLEMISC_SIMPLEFRAME | OLEMISC_ACTSLIKELABEL | OLEMISC_RECOMPOSEONRESIZE |
           OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
           OLEMISC_SETCLIENTSITEFIRST;
}

std::vector<RegistryKeyEntry> registrationEntries(const std::string& libraryPath)
{
    const TypeLibraryInfo& lib = mirolaTypeLibrary();
    const std::string cls = classKey();
    const std::string libid = LIBID_mirola.toString();
    const std::string typeLibVersion = typeLibKey() + "\\" + versionText();
    return {
        {cls, {{"", std::string(lib.classHelp)}}},
        {cls + "\\InprocServer32", {{"", libraryPath}, {"ThreadingModel", "Apartment"}}},
        {cls + "\\ProgID", {{"", progId()}}},
        {progId(), {{"", std::string(lib.classHelp)}}},
        {progId() + "\\Clsid", {{"", CLSID_mirola.toString()}}},
        {cls + "\\Version", {{"", versionText()}}},
        {cls + "\\TypeLib", {{"", libid}}},
        {cls + "\\MiscStatus", {{"", "0"}}},
        {cls + "\\MiscStatus\\1", {{"", std::to_string(miscStatus())}}},
        {cls + "\\ToolboxBitmap32",
         {{"", libraryPath + "," + std::to_string(toolboxBitmapResource)}}},
        {cls + "\\Control", {}},
        {cls + "\\Verb\\0",
         {{"", std::string(verbText) + "," + std::to_string(verbFlags) + "," +
                   std::to_string(verbAttributes)}}},
        {typeLibVersion, {{"", std::string(lib.helpString)}}},
        {typeLibVersion + "\\FLAGS", {{"", std::to_string(libraryFlags)}}},
        {typeLibVersion + "\\0\\win32", {{"", libraryPath}}},
        {typeLibVersion + "\\HELPDIR", {{"", directoryOf(libraryPath)}}},
        {interfaceKey(IID_Imirola), {{"", std::string(lib.interfaceName)}}},
        {interfaceKey(IID_Imirola) + "\\ProxyStubClsid", {{"", proxyStubAutomation.toString()}}},
        {interfaceKey(IID_Imirola) + "\\ProxyStubClsid32", {{"", proxyStubAutomation.toString()}}},
        {interfaceKey(IID_Imirola) + "\\TypeLib", {{"", libid}, {"Version", versionText()}}},
        {interfaceKey(DIID_ImirolaEvents), {{"", std::string(lib.eventsName)}}},
        {interfaceKey(DIID_ImirolaEvents) + "\\ProxyStubClsid",
         {{"", proxyStubDispatch.toString()}}},
        {interfaceKey(DIID_ImirolaEvents) + "\\ProxyStubClsid32",
         {{"", proxyStubDispatch.toString()}}},
        {interfaceKey(DIID_ImirolaEvents) + "\\TypeLib", {{"", libid}, {"Version", versionText()}}},
    };
}

HRESULT registerServer(Registry& registry, const std::string& libraryPath)
{
    if (libraryPath.empty())
        return E_INVALIDARG;
    for (const RegistryKeyEntry& key : registrationEntries(libraryPath)) {
        registry.createKey(key.path);
        for (const auto& [name, value] : key.values)
            registry.setValue(key.path, name, value);
    }
    return S_OK;
}

HRESULT unregisterServer(Registry& registry)
{
    const std::string cls = classKey();
    bool classOk = true;
    // The control's own keys, then the ones every class writes. Version and TypeLib go too:
    // left behind, they would keep the class key from being deleted.
    for (const char* sub :
         {"\\Verb\\0", "\\Verb", "\\Control", "\\ToolboxBitmap32", "\\MiscStatus\\1",
          "\\MiscStatus", "\\Version", "\\TypeLib", "\\ProgID"})
        classOk = registry.deleteKey(cls + sub) && classOk;
    classOk = registry.deleteKey(progId() + "\\Clsid") && classOk;
    classOk = registry.deleteKey(progId()) && classOk;
    classOk = registry.deleteKey(cls + "\\InprocServer32") && classOk;
    classOk = registry.deleteKey(cls) && classOk;

    // The type library's keys go as whole trees, as the platform's unregistration removes them;
    // the library's own key only with its last registered version.
    registry.deleteTree(interfaceKey(IID_Imirola));
    registry.deleteTree(interfaceKey(DIID_ImirolaEvents));
    registry.deleteTree(typeLibKey() + "\\" + versionText());
    registry.deleteKey(typeLibKey());
    return classOk ? S_OK : SELFREG_E_CLASS;
}

std::string registryFileText(const std::string& libraryPath)
{
    std::string out = "Windows Registry Editor Version 5.00\r\n";
    for (const RegistryKeyEntry& key : registrationEntries(libraryPath)) {
        out += "\r\n[HKEY_CLASSES_ROOT\\" + key.path + "]\r\n";
        for (const auto& [name, value] : key.values)
            out += (name.empty() ? std::string("@") : regString(name)) + "=" + regString(value) +
                   "\r\n";
    }
    return out;
}

} // namespace viewer::control

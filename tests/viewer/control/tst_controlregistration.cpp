// The registration entries, the registry file and the type-library source against the values
// the control must present, read back by parsing the texts.
#include "viewer/control/ComServer.h"
#include "viewer/control/Registration.h"
#include "viewer/control/Registry.h"
#include "viewer/control/TypeLibraryIdl.h"
#include "viewer/control/Version.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

using namespace viewer::control;

namespace {

const std::string libraryPath = "C:\\Program Files\\mirola \"demo\"\\mirola.ocx";
const std::string cls = "CLSID\\{7CFF4C53-C24E-4EF2-B1C0-8FFE28A23AB1}";
const std::string libid = "{A6F4E520-B1E3-44BF-B4F5-889C36CFFA23}";

struct RegValue
{
    std::string key;
    std::string name; // empty: the default value
    std::string value;
};

// What registration must write, value for value.
const std::vector<RegValue> expectedValues = {
    {cls, "", "mirola Control"},
    {cls + "\\InprocServer32", "", libraryPath},
    {cls + "\\InprocServer32", "ThreadingModel", "Apartment"},
    {cls + "\\ProgID", "", "mirola.mirola"},
    {"mirola.mirola\\Clsid", "", "{7CFF4C53-C24E-4EF2-B1C0-8FFE28A23AB1}"},
    {cls + "\\Version", "", "1.0"},
    {cls + "\\TypeLib", "", libid},
    {cls + "\\MiscStatus", "", "0"},
    {cls + "\\MiscStatus\\1", "", "205201"},
    {cls + "\\ToolboxBitmap32", "", libraryPath + ",1"},
    {cls + "\\Verb\\0", "", "Properties,0,2"},
    {"TypeLib\\" + libid + "\\1.0", "", "mirola Library"},
    {"TypeLib\\" + libid + "\\1.0\\0\\win32", "", libraryPath},
    {"Interface\\{6F3C7BB9-5A36-4AF4-A4AF-629B9861F2A2}", "", "Imirola"},
    {"Interface\\{6F3C7BB9-5A36-4AF4-A4AF-629B9861F2A2}\\TypeLib", "", libid},
    {"Interface\\{EFE87C39-EEC9-41E0-92A8-D836DBFF170C}", "", "ImirolaEvents"},
    {"Interface\\{EFE87C39-EEC9-41E0-92A8-D836DBFF170C}\\TypeLib", "", libid},
};

// A registry file read back: keys with their values.
struct RegFile
{
    std::string header;
    std::map<std::string, std::map<std::string, std::string>> keys;
};

std::string unquote(const std::string& s, size_t& pos)
{
    std::string out;
    EXPECT_EQ(s[pos], '"');
    for (++pos; pos < s.size() && s[pos] != '"'; ++pos) {
        if (s[pos] == '\\')
            ++pos;
        out += s[pos];
    }
    ++pos;
    return out;
}

RegFile parseRegFile(const std::string& text)
{
    RegFile file;
    std::istringstream in(text);
    std::string line;
    std::string key;
    const std::string root = "HKEY_CLASSES_ROOT\\";
    while (std::getline(in, line)) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CRLF: " << line;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (file.header.empty()) {
            file.header = line;
            continue;
        }
        if (line.empty())
            continue;
        if (line.front() == '[') {
            EXPECT_EQ(line.back(), ']');
            key = line.substr(1, line.size() - 2);
            EXPECT_EQ(key.rfind(root, 0), 0u) << key;
            key = key.substr(root.size());
            file.keys[key];
            continue;
        }
        size_t pos = 0;
        std::string name;
        if (line[0] == '@')
            pos = 1;
        else
            name = unquote(line, pos);
        EXPECT_EQ(line[pos], '=') << line;
        ++pos;
        file.keys[key][name] = unquote(line, pos);
        EXPECT_EQ(pos, line.size()) << line;
    }
    return file;
}

TEST(RegistryFile, HoldsEveryEntryOfTheClassAndTheTypeLibrary)
{
    const RegFile file = parseRegFile(registryFileText(libraryPath));
    EXPECT_EQ(file.header, "Windows Registry Editor Version 5.00");
    for (const RegValue& v : expectedValues) {
        SCOPED_TRACE(v.key + " " + v.name);
        auto key = file.keys.find(v.key);
        ASSERT_NE(key, file.keys.end());
        auto value = key->second.find(v.name);
        ASSERT_NE(value, key->second.end());
        EXPECT_EQ(value->second, v.value);
    }
    // The control key is there and empty.
    ASSERT_TRUE(file.keys.count(cls + "\\Control"));
    EXPECT_TRUE(file.keys.at(cls + "\\Control").empty());
    // The type library is registered as a control's.
    EXPECT_EQ(file.keys.at("TypeLib\\" + libid + "\\1.0\\FLAGS").at(""), "2");
    EXPECT_EQ(miscStatus(), 0x32191u);
}

TEST(RegistryModel, RegisterWritesTheEntriesAndUnregisterRestoresTheRegistry)
{
    Registry registry;
    registry.setValue("CLSID\\{00000000-0000-0000-0000-000000000001}", "", "another class");
    registry.setValue("TypeLib\\{00000000-0000-0000-0000-000000000002}\\1.0", "",
                      "another library");
    registry.setValue("Interface\\{00000000-0000-0000-0000-000000000003}", "", "another interface");
    const Registry before = registry;

    ASSERT_EQ(DllRegisterServer(registry, libraryPath), S_OK);
    for (const RegValue& v : expectedValues)
        EXPECT_EQ(registry.value(v.key, v.name), v.value) << v.key << " " << v.name;
    EXPECT_TRUE(registry.hasKey(cls + "\\Control"));
    EXPECT_TRUE(registry.values(cls + "\\Control").empty());
    // Keys compare without regard to case, as the platform's do.
    EXPECT_EQ(registry.value("clsid\\{7cff4c53-c24e-4ef2-b1c0-8ffe28a23ab1}\\inprocserver32",
                             "threadingmodel"),
              "Apartment");
    // Registering twice changes nothing.
    Registry twice = registry;
    ASSERT_EQ(DllRegisterServer(twice, libraryPath), S_OK);
    EXPECT_TRUE(twice == registry);

    // Keys with subkeys cannot be deleted, so success also proves the order of the deletions.
    ASSERT_EQ(DllUnregisterServer(registry), S_OK);
    EXPECT_TRUE(registry == before);
}

TEST(RegistryModel, UnregisterLeavesAForeignSubkeyAndSaysSo)
{
    Registry registry;
    ASSERT_EQ(DllRegisterServer(registry, libraryPath), S_OK);
    registry.setValue(cls + "\\Implemented Categories", "", "");
    EXPECT_EQ(DllUnregisterServer(registry), SELFREG_E_CLASS);
    EXPECT_TRUE(registry.hasKey(cls + "\\Implemented Categories"));
    EXPECT_FALSE(registry.hasKey(cls + "\\InprocServer32"));
    EXPECT_FALSE(registry.hasKey("mirola.mirola"));
    EXPECT_FALSE(registry.hasKey("TypeLib\\" + libid));
}

TEST(RegistryModel, RegistrationWantsALibraryPath)
{
    Registry registry;
    EXPECT_EQ(DllRegisterServer(registry, ""), E_INVALIDARG);
    EXPECT_TRUE(registry.keys().empty());
}

// --- The type-library source, read back by a small parser of the constructs it uses. ---

std::vector<std::string> tokenize(const std::string& text)
{
    std::vector<std::string> tokens;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
        } else if (c == '"') {
            const size_t end = text.find('"', i + 1);
            tokens.push_back(text.substr(i, end + 1 - i));
            i = end + 1;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' ||
                   c == '.') {
            size_t end = i;
            while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                         text[end] == '_' || text[end] == '-' || text[end] == '.'))
                ++end;
            tokens.push_back(text.substr(i, end - i));
            i = end;
        } else {
            tokens.emplace_back(1, c);
            ++i;
        }
    }
    return tokens;
}

using Attributes = std::map<std::string, std::string>; // name -> argument text ("" without one)

struct Member
{
    Attributes attributes;
    std::string result;
    std::string name;
    std::vector<std::string> parameters; // tokens
};

struct Block
{
    Attributes attributes;
    std::string kind; // library, interface, dispinterface, coclass, enum
    std::string name;
    std::string base;
    std::vector<Member> members;                           // interface, dispinterface, coclass
    std::vector<std::pair<std::string, long long>> values; // enum
};

class IdlReader
{
public:
    explicit IdlReader(const std::string& text) : m_tokens(tokenize(text)) {}

    std::vector<Block> blocks;
    std::vector<std::string> sourceImports; // import "x.idl" before the library
    std::vector<std::string> imports;       // importlib inside it
    std::vector<std::string> forwards;

    void read()
    {
        while (peek() == "import") {
            next();
            sourceImports.push_back(next());
            expect(";");
        }
        Block library;
        library.attributes = attributes();
        expect("library");
        library.name = next();
        expect("{");
        while (peek() != "}") {
            if (peek() == "importlib") {
                next();
                expect("(");
                imports.push_back(next());
                expect(")");
                expect(";");
            } else if (peek() == "typedef") {
                next();
                blocks.push_back(enumeration());
            } else if ((peek() == "interface" || peek() == "dispinterface") &&
                       m_tokens[m_pos + 2] == ";") {
                next();
                forwards.push_back(next());
                expect(";");
            } else {
                blocks.push_back(typeBlock());
            }
        }
        expect("}");
        expect(";");
        library.kind = "library";
        blocks.insert(blocks.begin(), library);
        EXPECT_EQ(m_pos, m_tokens.size());
    }

    const Block* find(const std::string& kind, const std::string& name) const
    {
        for (const Block& b : blocks)
            if (b.kind == kind && b.name == name)
                return &b;
        return nullptr;
    }

private:
    std::string peek() const { return m_pos < m_tokens.size() ? m_tokens[m_pos] : std::string(); }
    std::string next() { return m_pos < m_tokens.size() ? m_tokens[m_pos++] : std::string(); }
    void expect(const std::string& token)
    {
        const std::string got = next();
        EXPECT_EQ(got, token) << "at token " << m_pos;
    }

    Attributes attributes()
    {
        Attributes out;
        if (peek() != "[")
            return out;
        next();
        while (peek() != "]" && !peek().empty()) {
            const std::string name = next();
            std::string argument;
            if (peek() == "(") {
                next();
                while (peek() != ")" && !peek().empty())
                    argument += next();
                next();
            }
            out[name] = argument;
            if (peek() == ",")
                next();
        }
        expect("]");
        return out;
    }

    Block enumeration()
    {
        Block e;
        e.kind = "enum";
        e.attributes = attributes();
        expect("enum");
        e.name = next();
        expect("{");
        while (peek() != "}") {
            const std::string name = next();
            expect("=");
            e.values.emplace_back(name, std::stoll(next()));
            if (peek() == ",")
                next();
        }
        expect("}");
        EXPECT_EQ(next(), e.name);
        expect(";");
        return e;
    }

    Block typeBlock()
    {
        Block b;
        b.attributes = attributes();
        b.kind = next();
        b.name = next();
        if (peek() == ":") {
            next();
            b.base = next();
        }
        expect("{");
        if (b.kind == "dispinterface") {
            expect("properties");
            expect(":");
            expect("methods");
            expect(":");
        }
        while (peek() != "}") {
            Member m;
            m.attributes = attributes();
            m.result = next();
            m.name = next();
            if (peek() == "(") {
                next();
                for (int depth = 0; depth > 0 || peek() != ")";) {
                    const std::string t = next();
                    depth += t == "(" ? 1 : t == ")" ? -1 : 0;
                    m.parameters.push_back(t);
                }
                next();
            }
            expect(";");
            b.members.push_back(m);
        }
        expect("}");
        expect(";");
        return b;
    }

    std::vector<std::string> m_tokens;
    size_t m_pos = 0;
};

int32_t dispidOf(const Attributes& a)
{
    EXPECT_TRUE(a.count("id"));
    return int32_t(uint32_t(std::stoul(a.count("id") ? a.at("id") : "0", nullptr, 0)));
}

struct PropertyRow
{
    const char* name;
    int32_t dispid;
    const char* type;
    bool put;
    bool hidden;
};

// The properties of Imirola in interface order (every one has a get accessor).
const PropertyRow expectedProperties[] = {
    {"Visible", 201, "VARIANT_BOOL", true, true},
    {"AutoScroll", 202, "VARIANT_BOOL", true, false},
    {"AutoSize", 203, "VARIANT_BOOL", true, false},
    {"AxBorderStyle", 204, "TxActiveFormBorderStyle", true, false},
    {"Caption", -518, "BSTR", true, false},
    {"Color", -501, "OLE_COLOR", true, false},
    {"Font", -512, "IFontDisp*", true, false},
    {"KeyPreview", 205, "VARIANT_BOOL", true, false},
    {"PixelsPerInch", 206, "long", true, false},
    {"PrintScale", 207, "TxPrintScale", true, false},
    {"Scaled", 208, "VARIANT_BOOL", true, false},
    {"Active", 209, "VARIANT_BOOL", false, true},
    {"DropTarget", 210, "VARIANT_BOOL", true, true},
    {"HelpFile", 211, "BSTR", true, true},
    {"ScreenSnap", 212, "VARIANT_BOOL", true, true},
    {"SnapBuffer", 213, "long", true, true},
    {"DoubleBuffered", 214, "VARIANT_BOOL", true, true},
    {"AlignDisabled", 215, "VARIANT_BOOL", false, true},
    {"VisibleDockClientCount", 216, "long", false, true},
    {"Enabled", -514, "VARIANT_BOOL", true, true},
};

class TypeLibrarySource : public ::testing::Test
{
protected:
    void SetUp() override
    {
        text = typeLibraryIdl();
        reader = std::make_unique<IdlReader>(text);
        reader->read();
    }
    std::string text;
    std::unique_ptr<IdlReader> reader;
};

TEST_F(TypeLibrarySource, DescribesTheLibraryItsImportAndTheVersion)
{
    const Block& lib = reader->blocks.at(0);
    EXPECT_EQ(lib.name, "mirola");
    EXPECT_EQ(lib.attributes.at("uuid"), "A6F4E520-B1E3-44BF-B4F5-889C36CFFA23");
    EXPECT_EQ(lib.attributes.at("version"), "1.0");
    EXPECT_EQ(lib.attributes.at("helpstring"), "\"mirola Library\"");
    EXPECT_TRUE(lib.attributes.count("control"));
    EXPECT_EQ(reader->imports, std::vector<std::string>{"\"stdole2.tlb\""});
    EXPECT_EQ(reader->sourceImports, std::vector<std::string>{"\"ocidl.idl\""});
    EXPECT_NE(text.find("file version 1.1.0.10"), std::string::npos);
}

TEST_F(TypeLibrarySource, ImirolaHasEveryPropertyWithItsDispidTypeAccessAndHiddenFlagInOrder)
{
    const Block* itf = reader->find("interface", "Imirola");
    ASSERT_TRUE(itf);
    EXPECT_EQ(itf->base, "IDispatch");
    EXPECT_EQ(itf->attributes.at("uuid"), "6F3C7BB9-5A36-4AF4-A4AF-629B9861F2A2");
    EXPECT_EQ(itf->attributes.at("helpstring"), "\"Dispatch interface for mirola Control\"");
    EXPECT_TRUE(itf->attributes.count("dual"));
    EXPECT_TRUE(itf->attributes.count("oleautomation"));

    // Each property's accessors in table order: get, put, and for Font put by reference.
    size_t m = 0;
    for (const PropertyRow& p : expectedProperties) {
        SCOPED_TRACE(p.name);
        std::vector<std::pair<std::string, std::string>> accessors = {
            {"propget", std::string("[out, retval] ") + p.type + "* Value"}};
        if (p.put)
            accessors.push_back({"propput", std::string("[in] ") + p.type + " Value"});
        if (std::string(p.name) == "Font")
            accessors.push_back({"propputref", std::string("[in] ") + p.type + " Value"});
        for (const auto& [kind, parameters] : accessors) {
            ASSERT_LT(m, itf->members.size());
            const Member& member = itf->members[m++];
            EXPECT_EQ(member.name, p.name);
            EXPECT_EQ(member.result, "HRESULT");
            EXPECT_TRUE(member.attributes.count(kind)) << kind;
            EXPECT_EQ(dispidOf(member.attributes), p.dispid);
            EXPECT_EQ(member.attributes.count("hidden") > 0, p.hidden);
            EXPECT_EQ(member.parameters, tokenize(parameters));
        }
    }
    EXPECT_EQ(m, itf->members.size());
}

TEST_F(TypeLibrarySource, ImirolaEventsHasTheEightEventsByDispid)
{
    const Block* events = reader->find("dispinterface", "ImirolaEvents");
    ASSERT_TRUE(events);
    EXPECT_EQ(events->attributes.at("uuid"), "EFE87C39-EEC9-41E0-92A8-D836DBFF170C");
    EXPECT_EQ(events->attributes.at("helpstring"), "\"Events interface for mirola Control\"");
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"OnActivate", 201}, {"OnClick", 202},      {"OnCreate", 203},   {"OnDblClick", 204},
        {"OnDestroy", 205},  {"OnDeactivate", 206}, {"OnKeyPress", 207}, {"OnPaint", 208}};
    ASSERT_EQ(events->members.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Member& e = events->members[i];
        EXPECT_EQ(e.name, expected[i].first);
        EXPECT_EQ(e.result, "void");
        EXPECT_EQ(dispidOf(e.attributes), expected[i].second);
        EXPECT_EQ(e.parameters, tokenize(e.name == "OnKeyPress" ? "[in, out] short* Key" : "void"));
    }
}

TEST_F(TypeLibrarySource, EnumerationsCarryTheirGuidsAndValues)
{
    struct Row
    {
        const char* name;
        const char* uuid;
        std::vector<std::pair<std::string, long long>> values;
    };
    const Row rows[] = {
        {"TxActiveFormBorderStyle",
         "5BE5B9A6-8A08-4614-90A2-985FF45C83FA",
         {{"afbNone", 0}, {"afbSingle", 1}, {"afbSunken", 2}, {"afbRaised", 3}}},
        {"TxPrintScale",
         "FC507B49-C324-4AF0-84CA-9163ED2F11C8",
         {{"poNone", 0}, {"poProportional", 1}, {"poPrintToFit", 2}}},
        {"TxMouseButton",
         "6987D7FC-6D0B-44AE-A304-4CBD24014F33",
         {{"mbLeft", 0}, {"mbRight", 1}, {"mbMiddle", 2}}},
    };
    for (const Row& row : rows) {
        const Block* e = reader->find("enum", row.name);
        ASSERT_TRUE(e) << row.name;
        EXPECT_EQ(e->attributes.at("uuid"), row.uuid);
        EXPECT_EQ(e->values, row.values);
    }
}

TEST_F(TypeLibrarySource, TheClassIsAControlWithItsDefaultAndSourceInterfaces)
{
    const Block* coclass = reader->find("coclass", "mirola");
    ASSERT_TRUE(coclass);
    EXPECT_EQ(coclass->attributes.at("uuid"), "7CFF4C53-C24E-4EF2-B1C0-8FFE28A23AB1");
    EXPECT_EQ(coclass->attributes.at("helpstring"), "\"mirola Control\"");
    EXPECT_TRUE(coclass->attributes.count("control"));
    EXPECT_FALSE(coclass->attributes.count("noncreatable"));
    ASSERT_EQ(coclass->members.size(), 2u);
    EXPECT_EQ(coclass->members[0].result, "interface");
    EXPECT_EQ(coclass->members[0].name, "Imirola");
    EXPECT_EQ(coclass->members[0].attributes, (Attributes{{"default", ""}}));
    EXPECT_EQ(coclass->members[1].result, "dispinterface");
    EXPECT_EQ(coclass->members[1].name, "ImirolaEvents");
    EXPECT_EQ(coclass->members[1].attributes, (Attributes{{"default", ""}, {"source", ""}}));
    const std::set<std::string> forwards(reader->forwards.begin(), reader->forwards.end());
    EXPECT_EQ(forwards, (std::set<std::string>{"Imirola", "ImirolaEvents"}));
}

// Runs the IDL compiler in `dir`; its diagnostics go to `messages`.
int runWidl(const QString& dir, const QStringList& arguments, QString& messages)
{
    QProcess widl;
    widl.setWorkingDirectory(dir);
    widl.setProcessChannelMode(QProcess::MergedChannels);
    widl.start(QStringLiteral(MIROLA_WIDL), QStringList{QStringLiteral("-W"), QStringLiteral("-I"),
                                                        QStringLiteral(MIROLA_TEST_IDL)} +
                                                arguments);
    if (!widl.waitForFinished(60000))
        return -1;
    messages += QString::fromLocal8Bit(widl.readAll());
    return widl.exitStatus() == QProcess::NormalExit ? widl.exitCode() : -1;
}

TEST(TypeLibraryCompiler, CompilesTheSourceIntoATypeLibraryAndAHeader)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile source(dir.filePath(QStringLiteral("mirola.idl")));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    const std::string idl = typeLibraryIdl();
    source.write(idl.data(), qint64(idl.size()));
    source.close();

    // The standard library it imports, compiled first since Debian installs none.
    QString messages;
    ASSERT_EQ(runWidl(dir.path(),
                      {QStringLiteral("-t"), QStringLiteral("-o"), QStringLiteral("stdole2.tlb"),
                       QStringLiteral(MIROLA_TEST_IDL "/stdole2.idl")},
                      messages),
              0)
        << messages.toStdString();
    const QStringList ours{QStringLiteral("-L"), QStringLiteral("."), QStringLiteral("mirola.idl")};
    ASSERT_EQ(runWidl(dir.path(),
                      QStringList{QStringLiteral("-t"), QStringLiteral("-o"),
                                  QStringLiteral("mirola.tlb")} +
                          ours,
                      messages),
              0)
        << messages.toStdString();
    ASSERT_EQ(runWidl(dir.path(),
                      QStringList{QStringLiteral("-h"), QStringLiteral("-o"),
                                  QStringLiteral("mirola.h")} +
                          ours,
                      messages),
              0)
        << messages.toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.toStdString();

    QFile tlb(dir.filePath(QStringLiteral("mirola.tlb")));
    ASSERT_TRUE(tlb.open(QIODevice::ReadOnly));
    EXPECT_EQ(tlb.read(4), QByteArray("MSFT"));
    // The compiler's header declares every accessor of the interface and the event interface.
    QFile header(dir.filePath(QStringLiteral("mirola.h")));
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    const std::string h = header.readAll().toStdString();
    for (const PropertyRow& p : expectedProperties) {
        const std::string name(p.name);
        EXPECT_NE(h.find(" get_" + name + "("), std::string::npos) << name;
        EXPECT_EQ(h.find(" put_" + name + "(") != std::string::npos, p.put) << name;
    }
    EXPECT_NE(h.find(" putref_Font("), std::string::npos);
    EXPECT_NE(h.find("DEFINE_GUID(DIID_ImirolaEvents, 0xefe87c39, 0xeec9, 0x41e0"),
              std::string::npos);
    EXPECT_NE(h.find("DEFINE_GUID(CLSID_mirola, 0x7cff4c53, 0xc24e, 0x4ef2"), std::string::npos);
}

TEST(VersionResource, CarriesFileAndProductVersionsAndSelfRegistration)
{
    std::map<std::string, std::string> entries;
    std::istringstream in(versionResourceText());
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> t = tokenize(line);
        if (t.size() >= 2 &&
            (t[0] == "FILEVERSION" || t[0] == "PRODUCTVERSION" || t[0] == "FILETYPE"))
            entries[t[0]] = line.substr(line.find(' ') + 1);
        if (t.size() >= 4 && t[0] == "VALUE" && t[1].front() == '"' && t[2] == ",")
            entries[t[1]] = t[3];
        if (t.size() >= 3 && (t[1] == "TYPELIB" || t[1] == "BITMAP"))
            entries[t[1]] = t[0] + " " + t[2];
    }
    EXPECT_EQ(entries["FILEVERSION"], "1,1,0,10");
    EXPECT_EQ(entries["PRODUCTVERSION"], "1,1,0,10");
    EXPECT_EQ(entries["\"FileVersion\""], "\"1.1.0.10\"");
    EXPECT_EQ(entries["\"ProductVersion\""], "\"1.0.0.0\"");
    EXPECT_EQ(entries["\"OleSelfRegister\""], "\"\"");
    EXPECT_EQ(entries["FILETYPE"].substr(0, 3), "0x2"); // a DLL
    EXPECT_EQ(entries["TYPELIB"], "1 \"mirola.tlb\"");
    EXPECT_EQ(entries["BITMAP"], "1 \"mirola.bmp\""); // what ToolboxBitmap32 names
}

uint32_t le(const std::string& bytes, size_t at, int size)
{
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | uint8_t(bytes.at(at + i));
    return v;
}

TEST(ToolboxBitmap, IsASixteenByFifteenPictureInSixteenColours)
{
    std::ifstream in(MIROLA_CONTROL_SOURCE "/mirola.bmp", std::ios::binary);
    ASSERT_TRUE(in);
    const std::string bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le(bmp, 2, 4), bmp.size());
    EXPECT_EQ(le(bmp, 14, 4), 40u); // BITMAPINFOHEADER
    EXPECT_EQ(le(bmp, 18, 4), 16u);
    EXPECT_EQ(le(bmp, 22, 4), 15u); // positive: rows bottom-up
    EXPECT_EQ(le(bmp, 26, 2), 1u);
    EXPECT_EQ(le(bmp, 28, 2), 4u); // 4 bits a pixel
    EXPECT_EQ(le(bmp, 30, 4), 0u); // uncompressed
    const uint32_t colours = le(bmp, 46, 4) ? le(bmp, 46, 4) : 16;
    EXPECT_EQ(colours, 16u);
    const size_t pixels = le(bmp, 10, 4);
    EXPECT_EQ(pixels, 54u + 4 * colours);
    const size_t rowBytes = 8; // 16 pixels of 4 bits, already a multiple of 4 bytes
    ASSERT_EQ(bmp.size(), pixels + 15 * rowBytes);
    // A picture, not a blank: several colours of the palette are used.
    std::set<int> used;
    for (size_t i = pixels; i < bmp.size(); ++i) {
        used.insert(uint8_t(bmp[i]) >> 4);
        used.insert(uint8_t(bmp[i]) & 15);
    }
    EXPECT_GE(used.size(), 4u);
}

} // namespace

#include "app/CommandLine.h"

#include "viewer/control/Version.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <iostream>

using namespace Qt::StringLiterals;

namespace app {

namespace {

constexpr int usageStatus = 2;

struct OptionSpec
{
    const char* name;
    const char* valueName; // nullptr for a flag
    const char* help;
};

struct CommandSpec
{
    const char* name;
    const char* arguments; // how the positional arguments read in the usage line
    size_t minPositional;
    size_t maxPositional;
    std::vector<OptionSpec> options;
    std::vector<const char*> required;
    const char* summary;
};

const OptionSpec serverOption{"server", "HOST:PORT", "the statement server"};
const OptionSpec configOption{"config", "FILE", "settings file (mirola.ini)"};

std::vector<OptionSpec> statementOptions()
{
    return {serverOption,
            configOption,
            {"company", "CODE", "the company's code, as in the company list"},
            {"password", "PW", "the company's security number"},
            {"year", "Y", "year of the period (default: this year)"},
            {"from", "M", "first month of the period (default: this month)"},
            {"to", "M", "last month of the period (default: this month)"},
            {"date", "N", "the N-th trading date of the period (1-based)"}};
}

const std::vector<CommandSpec>& commands()
{
    static const std::vector<CommandSpec> all = [] {
        std::vector<OptionSpec> exportOptions = statementOptions();
        exportOptions.push_back({"out", "FILE", "FILE.rpf, FILE.pdf or FILE.png (page 1)"});
        exportOptions.push_back(
            {"all", nullptr, "every statement of the period, each from a new page (.pdf, .rpf)"});
        exportOptions.push_back({"compress", nullptr, "compress the report file"});
        exportOptions.push_back({"dpi", "N", "resolution of a PNG"});
        return std::vector<CommandSpec>{
            {"",
             "",
             0,
             0,
             {serverOption, configOption, {"open", "FILE.rpf", "show a saved statement"}},
             {},
             "the viewer in a window"},
            {"companies",
             "",
             0,
             0,
             {serverOption, configOption},
             {},
             "the company list, one a line"},
            {"fetch",
             "",
             0,
             0,
             statementOptions(),
             {"company", "password"},
             "particulars, trading dates, lines and totals as TSV"},
            {"export",
             "",
             0,
             0,
             exportOptions,
             {"company", "password", "out"},
             "the printed statement into a file, no window"},
            {"control",
             "regfile [LIBRARY_PATH] | idl | rc",
             1,
             2,
             {},
             {},
             "the control's registration data"},
            {"report info", "FILE.rpf", 1, 1, {}, {}, "header and pages of a saved file"},
            {"report render",
             "FILE.rpf",
             1,
             1,
             {{"page", "N", "the page (default 1)"}, {"out", "F.png|F.svg|F.emf", "the picture"}},
             {"out"},
             "one page of a saved file as a picture"},
            {"report eval", "'EXPR'", 1, 1, {}, {}, "evaluate a report expression"},
        };
    }();
    return all;
}

std::string commandLabel(const std::string& command)
{
    return command.empty() ? std::string("mirola") : "mirola " + command;
}

std::string helpText(const CommandSpec& spec)
{
    std::string text = "usage: " + commandLabel(spec.name) + " [options]";
    if (*spec.arguments)
        text += std::string(" ") + spec.arguments;
    text += "\n" + std::string(spec.summary) + "\n\noptions:\n";
    std::vector<std::pair<std::string, std::string>> rows;
    for (const OptionSpec& o : spec.options)
        rows.emplace_back(std::string("--") + o.name +
                              (o.valueName ? std::string(" ") + o.valueName : ""),
                          o.help);
    rows.emplace_back("-h, --help", "this text");
    rows.emplace_back("--version", "the program's version");
    size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    for (const auto& [left, right] : rows)
        text += "  " + left + std::string(width - left.size() + 2, ' ') + right + "\n";
    if (spec.name[0] == '\0')
        text += "\ncommands: companies, fetch, export, web, control, report info|render|eval "
                "(each with --help)\n";
    return text;
}

} // namespace

std::string ParsedCommand::value(const std::string& option) const
{
    const auto it = values.find(option);
    return it == values.end() ? std::string() : it->second;
}

bool ParsedCommand::integer(const std::string& option, int& target, std::string& error) const
{
    const auto it = values.find(option);
    if (it == values.end())
        return true;
    bool ok = false;
    const int v = QString::fromStdString(it->second).toInt(&ok);
    if (!ok) {
        error = "--" + option + " wants a whole number, not '" + it->second + "'";
        return false;
    }
    target = v;
    return true;
}

std::string versionText()
{
    return "mirola " + viewer::control::libraryVersion().text();
}

int usageError(const std::string& command, const std::string& message)
{
    std::cerr << commandLabel(command) << ": " << message << " (see " << commandLabel(command)
              << " --help)\n";
    return usageStatus;
}

int parseCommandLine(int argc, char** argv, ParsedCommand& command)
{
    std::ostream& out = std::cout;
    std::ostream& err = std::cerr;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    // The command words come first; without one, the options are the viewer window's.
    std::string name;
    if (!args.isEmpty() && !args.first().startsWith(u'-')) {
        name = args.takeFirst().toStdString();
        if (name == "report") {
            const std::string leaf = args.isEmpty() ? std::string() : args.first().toStdString();
            if (leaf != "info" && leaf != "render" && leaf != "eval") {
                err << "mirola report: wants info, render or eval (see mirola report info "
                       "--help)\n";
                return usageStatus;
            }
            args.removeFirst();
            name += " " + leaf;
        }
    }
    const auto& all = commands();
    const auto spec =
        std::find_if(all.begin(), all.end(), [&](const CommandSpec& c) { return name == c.name; });
    if (spec == all.end()) {
        err << "mirola: unknown command '" << name << "' (see mirola --help)\n";
        return usageStatus;
    }
    command.name = name;

    // An expression may well start with "-": the one word after "eval" is taken as it stands.
    if (name == "report eval" && args.size() == 1 && args[0] != u"-h"_s && args[0] != u"--help"_s &&
        args[0] != u"--version"_s) {
        command.positional = {args[0].toStdString()};
        return -1;
    }

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s});
    const QCommandLineOption version(u"version"_s);
    parser.addOption(help);
    parser.addOption(version);
    for (const OptionSpec& o : spec->options) {
        QCommandLineOption option(QString::fromLatin1(o.name));
        if (o.valueName)
            option.setValueName(QString::fromLatin1(o.valueName));
        parser.addOption(option);
    }
    if (!parser.parse(QStringList{u"mirola"_s} + args))
        return usageError(name, parser.errorText().toStdString());
    if (parser.isSet(help)) {
        out << helpText(*spec);
        return 0;
    }
    if (parser.isSet(version)) {
        out << versionText() << '\n';
        return 0;
    }
    for (const QString& a : parser.positionalArguments())
        command.positional.push_back(a.toStdString());
    if (command.positional.size() > spec->maxPositional) {
        const std::string extra = command.positional[spec->maxPositional];
        return usageError(name, "unexpected argument '" + extra + "'");
    }
    if (command.positional.size() < spec->minPositional)
        return usageError(name, std::string("wants ") + spec->arguments);
    for (const OptionSpec& o : spec->options)
        if (parser.isSet(QString::fromLatin1(o.name)))
            command.values[o.name] = o.valueName
                                         ? parser.value(QString::fromLatin1(o.name)).toStdString()
                                         : std::string();
    for (const char* required : spec->required)
        if (!command.isSet(required)) {
            std::string valueName;
            for (const OptionSpec& o : spec->options)
                if (std::string(o.name) == required && o.valueName)
                    valueName = std::string(" ") + o.valueName;
            return usageError(name, std::string("needs --") + required + valueName);
        }
    return -1;
}

bool applyServer(const std::string& server, viewer::Configuration& config, std::string& error)
{
    const size_t colon = server.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        error = "--server wants HOST:PORT, not '" + server + "'";
        return false;
    }
    bool ok = false;
    const int port = QString::fromStdString(server.substr(colon + 1)).toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        error = "bad port in --server '" + server + "'";
        return false;
    }
    config.host = server.substr(0, colon);
    config.port = port;
    return true;
}

} // namespace app

#include "app/CommandLine.h"

#include "exchange/ExchangeDriver.h"
#include "exchange/HostPort.h"
#include "printing/PrintCommand.h"
#include "viewer/control/Version.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace app {

namespace {

constexpr int usageStatus = 2;

// The values a whole-number option takes; `high` INT_MAX for no upper bound.
struct Range
{
    int low;
    int high;
};

struct OptionSpec
{
    const char* name;
    const char* valueName; // nullptr for a flag
    const char* help;
    std::optional<Range> range = {};
    const char* byDefault = nullptr;
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
const OptionSpec tlsOption{"tls", nullptr,
                           "TLS to the server, its certificate verified; never plain instead"};
const OptionSpec caOption{"ca", "FILE",
                          "trust the certificates in this PEM file (implies --tls; default: the "
                          "system's)"};

// The form's year field holds four digits.
constexpr Range yearRange{1, 9999};
constexpr Range monthRange{1, 12};
constexpr Range countingRange{1, INT_MAX};

std::vector<OptionSpec> statementOptions()
{
    return {serverOption,
            tlsOption,
            caOption,
            configOption,
            {"company", "CODE", "the company's code, as in the company list"},
            {"password-file", "FILE", "read the security number from the first line of FILE"},
            {"password", "PW", "the security number; - reads it from standard input"},
            {"year", "Y", "year of the period", yearRange, "this year"},
            {"from", "M", "first month of the period", monthRange, "this month"},
            {"to", "M", "last month of the period", monthRange, "this month"},
            {"date", "N", "the N-th trading date of the period", countingRange, "the first"}};
}

const std::vector<CommandSpec>& commands()
{
    static const std::vector<CommandSpec> all = [] {
        std::vector<OptionSpec> exportOptions = statementOptions();
        exportOptions.push_back({"out", "FILE", "FILE.rpf, FILE.pdf or FILE.png (page 1)"});
        exportOptions.push_back(
            {"all", nullptr, "every statement of the period, each from a new page (.pdf, .rpf)"});
        exportOptions.push_back({"compress", nullptr, "compress the report file"});
        exportOptions.push_back(
            {"dpi", "N", "resolution of a PNG",
             Range{printing::ExportOptions::minDpi, printing::ExportOptions::maxDpi}, "96"});
        return std::vector<CommandSpec>{
            {"",
             "",
             0,
             0,
             {serverOption,
              tlsOption,
              caOption,
              configOption,
              {"open", "FILE.rpf", "show a saved statement"}},
             {},
             "the viewer in a window"},
            {"companies",
             "",
             0,
             0,
             {serverOption, tlsOption, caOption, configOption},
             {},
             "the company list, one a line"},
            {"fetch",
             "",
             0,
             0,
             statementOptions(),
             {"company"},
             "particulars, trading dates, lines and totals as TSV"},
            {"export",
             "",
             0,
             0,
             exportOptions,
             {"company", "out"},
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
             {{"page", "N", "the page", countingRange, "1"},
              {"out", "F.png|F.svg|F.emf", "the picture"}},
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

std::string rangeText(const Range& r)
{
    return r.high == INT_MAX ? "from " + std::to_string(r.low)
                             : std::to_string(r.low) + " to " + std::to_string(r.high);
}

std::string optionHelp(const OptionSpec& o)
{
    std::string text = o.help;
    if (o.range)
        text += ", " + rangeText(*o.range);
    if (o.byDefault)
        text += std::string(" (default: ") + o.byDefault + ")";
    return text;
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
                          optionHelp(o));
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

const char* const reportHelp = "usage: mirola report info|render|eval [options] ...\n"
                               "tools on saved report files and on the report's expressions\n\n"
                               "commands:\n"
                               "  info    header and pages of a saved file\n"
                               "  render  one page of a saved file as a picture\n"
                               "  eval    evaluate a report expression\n\n"
                               "each with --help\n";

// The keys the viewer reads from its settings file; a file with none of them is some other file.
const char* const settingsKeys[] = {"server/host",
                                    "server/port",
                                    "server/connectTimeoutMs",
                                    "server/tls",
                                    "server/ca",
                                    "supplier/registration",
                                    "supplier/name",
                                    "supplier/representative",
                                    "supplier/address",
                                    "supplier/businessType",
                                    "supplier/businessItem",
                                    "supplier/bankAccount",
                                    "seal/picture"};

std::string checkSettingsFile(const std::string& path)
{
    const QString file = QFile::decodeName(QByteArray::fromStdString(path));
    QFile probe(file);
    if (!probe.open(QIODevice::ReadOnly))
        return "--config cannot read " + path + ": " + probe.errorString().toStdString();
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() == QSettings::NoError)
        for (const char* key : settingsKeys)
            if (settings.contains(QString::fromLatin1(key)))
                return {};
    return "--config " + path +
           " is not a settings file: no [server], [supplier] or [seal] key in it";
}

// The first line of `in`, without its line end; empty when there is none.
std::string firstLine(std::istream& in)
{
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The security number from --password-file, or from standard input for --password -, into
// "password". Given on the command line, every local user can read it in the process list.
std::string readPassword(ParsedCommand& c)
{
    if (c.isSet("password-file") && c.isSet("password"))
        return "give --password or --password-file, not both";
    if (!c.isSet("password-file") && !c.isSet("password"))
        return "needs --password-file FILE or --password PW (- reads it from standard input)";
    std::string source;
    std::string line;
    if (c.isSet("password-file")) {
        source = "--password-file " + c.value("password-file");
        std::ifstream file(c.value("password-file"));
        if (!file)
            return source + ": cannot read it: " + std::strerror(errno);
        line = firstLine(file);
    } else if (c.value("password") == "-") {
        source = "--password - (standard input)";
        line = firstLine(std::cin);
    } else {
        return {};
    }
    if (line.empty())
        return source + ": no security number on its first line";
    c.values["password"] = line;
    return {};
}

// Whether two names stand for one existing file, through links and other spellings.
bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa = {};
    struct stat sb = {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// What is wrong with the values together, beyond each one's own range; empty when nothing.
std::string checkValues(ParsedCommand& c)
{
    if (c.isSet("config"))
        if (std::string problem = checkSettingsFile(c.value("config")); !problem.empty())
            return problem;
    if (c.name == "fetch" || c.name == "export") {
        if (std::string problem = readPassword(c); !problem.empty())
            return problem;
        // The form's fields start empty; the period is this month's unless given.
        const QDate today = QDate::currentDate();
        const int from = c.number("from").value_or(today.month());
        const int to = c.number("to").value_or(today.month());
        if (from > to)
            return "the period runs backwards: --from " + std::to_string(from) + " is after --to " +
                   std::to_string(to) + (c.isSet("to") ? "" : " (this month)");
        c.values.try_emplace("year", std::to_string(today.year()));
        c.values["from"] = std::to_string(from);
        c.values["to"] = std::to_string(to);
    }
    if (c.name == "export") {
        const std::string out = c.value("out");
        const printing::ExportFormat format = printing::exportFormatOf(out);
        if (c.isSet("all") && c.isSet("date"))
            return "--all takes every trading date; leave out --date";
        if (c.isSet("all") && format == printing::ExportFormat::Png)
            return "--all writes .pdf or .rpf, not a picture of one page";
        if (format == printing::ExportFormat::None)
            return "--out " + out + ": the name must end in .rpf, .pdf or .png, which chooses " +
                   "the format";
    }
    // Writing over what the command reads would destroy it before, or while, it is read.
    if (c.isSet("out")) {
        std::vector<std::pair<std::string, std::string>> inputs;
        for (const char* option : {"config", "password-file"})
            if (c.isSet(option))
                inputs.emplace_back(std::string("--") + option, c.value(option));
        for (const std::string& file : c.positional)
            inputs.emplace_back("the input", file);
        for (const auto& [what, file] : inputs)
            if (sameFile(c.value("out"), file))
                return "--out " + c.value("out") + " is " + what + " " + file +
                       "; write somewhere else";
    }
    return {};
}

} // namespace

std::string ParsedCommand::value(const std::string& option) const
{
    const auto it = values.find(option);
    return it == values.end() ? std::string() : it->second;
}

std::optional<int> ParsedCommand::number(const std::string& option) const
{
    const auto it = values.find(option);
    if (it == values.end())
        return std::nullopt;
    return QString::fromStdString(it->second).toInt();
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
            if (leaf == "-h" || leaf == "--help") {
                out << reportHelp;
                return 0;
            }
            if (leaf == "--version") {
                out << versionText() << '\n';
                return 0;
            }
            if (leaf != "info" && leaf != "render" && leaf != "eval") {
                err << "mirola report: wants info, render or eval (see mirola report --help)\n";
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
    for (const OptionSpec& o : spec->options) {
        const QString option = QString::fromLatin1(o.name);
        if (!parser.isSet(option))
            continue;
        const std::string value = o.valueName ? parser.value(option).toStdString() : std::string();
        if (o.range) {
            // Plain digits only: "+3", " 3" or "0x0C" would be read as numbers and surprise.
            bool ok = !value.empty() && value.size() <= 10 &&
                      value.find_first_not_of("0123456789") == std::string::npos;
            const long long v = ok ? std::stoll(value) : 0;
            if (!ok || v < o.range->low || v > o.range->high)
                return usageError(name, std::string("--") + o.name + " wants a whole number " +
                                            rangeText(*o.range) + ", not '" + value + "'");
        }
        command.values[o.name] = value;
    }
    for (const char* required : spec->required)
        if (!command.isSet(required)) {
            std::string valueName;
            for (const OptionSpec& o : spec->options)
                if (std::string(o.name) == required && o.valueName)
                    valueName = std::string(" ") + o.valueName;
            return usageError(name, std::string("needs --") + required + valueName);
        }
    if (const std::string problem = checkValues(command); !problem.empty())
        return usageError(name, problem);
    return -1;
}

bool applyTls(const ParsedCommand& command, viewer::Configuration& config, std::string& error)
{
    // Read here, not with the other values: certificates need the TLS library, which wants the
    // application object.
    if (command.isSet("ca")) {
        if (exchange::ExchangeDriver::readTrusted(command.value("ca"), error).isEmpty()) {
            error = "--ca " + error;
            return false;
        }
        config.ca = command.value("ca");
    }
    config.tls = config.tls || command.isSet("tls") || command.isSet("ca");
    return true;
}

bool applyServer(const std::string& server, viewer::Configuration& config, std::string& error)
{
    exchange::HostPort where;
    error = exchange::parseHostPort(server, exchange::HostPortUse::Connect, "--server", where);
    if (!error.empty())
        return false;
    config.host = where.host;
    config.port = where.port;
    return true;
}

} // namespace app

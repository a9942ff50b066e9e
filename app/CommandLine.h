#pragma once

#include "viewer/Configuration.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace app {

// One subcommand's command line, checked: "" (the viewer window), "companies", "fetch",
// "export", "control", "report info", "report render" or "report eval".
struct ParsedCommand
{
    std::string name;
    std::vector<std::string> positional;
    std::map<std::string, std::string> values; // option name without dashes -> value ("" for flags)

    bool isSet(const std::string& option) const { return values.count(option) != 0; }
    std::string value(const std::string& option) const;
    // A whole-number option's value, checked against its range when parsing; none when not set.
    std::optional<int> number(const std::string& option) const;
};

// Parses argv with the options of its subcommand only, and checks every value before anything
// is fetched or written: numbers within their ranges, the period's months in order, the output's
// format, an output that is none of the inputs, a settings file that is one. The security number
// given as a file or as "-" is read here and kept as the value of "password". Returns -1 when
// the command is to run; otherwise the exit status, after `--help` or `--version` (0, on stdout)
// or one line on stderr naming what is wrong (2).
int parseCommandLine(int argc, char** argv, ParsedCommand& command);

// "mirola 1.1.0.10", as --version prints it.
std::string versionText();

// A wrong command line found after parsing: one line on stderr, status 2.
int usageError(const std::string& command, const std::string& message);

// "--tls" and "--ca FILE" into the configuration: they add to the settings file's, never take
// TLS away. False, with `error` for the command line, when the --ca file holds no certificate.
bool applyTls(const ParsedCommand& command, viewer::Configuration& config, std::string& error);

// "--server HOST:PORT" into the configuration.
bool applyServer(const std::string& server, viewer::Configuration& config, std::string& error);

} // namespace app

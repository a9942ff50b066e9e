#pragma once

#include "viewer/Configuration.h"

#include <map>
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
    // The option's value as a whole number; `target` is left alone when the option is not set.
    bool integer(const std::string& option, int& target, std::string& error) const;
};

// Parses argv with the options of its subcommand only. Returns -1 when the command is to run;
// otherwise the exit status, after `--help` or `--version` (0, on stdout) or a one-line message
// for an unknown option, a missing value or a wrong argument count (2, on stderr).
int parseCommandLine(int argc, char** argv, ParsedCommand& command);

// "mirola 1.1.0.10", as --version prints it.
std::string versionText();

// A wrong command line found after parsing: one line on stderr, status 2.
int usageError(const std::string& command, const std::string& message);

// "--server HOST:PORT" into the configuration.
bool applyServer(const std::string& server, viewer::Configuration& config, std::string& error);

} // namespace app

#pragma once

#include <stdexcept>
#include <string>

namespace report {

// Misuse of a report printer's job; carries the engine's own message.
class ERpError : public std::runtime_error
{
public:
    explicit ERpError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace report

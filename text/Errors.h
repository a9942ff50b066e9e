#pragma once

#include <stdexcept>
#include <string>

namespace text {

// Errors carry the system's own message texts as cp949 bytes; what() returns them.
class EConvertError : public std::runtime_error
{
public:
    explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace text

#pragma once

#include <stdexcept>
#include <string>

namespace grid {

// Misuse of a grid's axes: an index outside the cells an axis holds.
class EInvalidGridOperation : public std::runtime_error
{
public:
    explicit EInvalidGridOperation(const std::string& message) : std::runtime_error(message) {}

    // "Grid index out of range", a carriage return, then "<where> : <index>/<count>".
    static EInvalidGridOperation indexOutOfRange(const char* where, int index, int count)
    {
        return EInvalidGridOperation("Grid index out of range\r" + std::string(where) + " : " +
                                     std::to_string(index) + "/" + std::to_string(count));
    }
};

} // namespace grid

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace viewer::control {

// A class, interface or library identifier.
struct Guid
{
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry writes it.
    std::string toString() const;
    // The same without braces, as type-library source writes it.
    std::string toPlainString() const;
    // Accepts the form above, with or without braces, in either case.
    static std::optional<Guid> parse(std::string_view text);

    friend bool operator==(const Guid&, const Guid&) = default;
};

} // namespace viewer::control

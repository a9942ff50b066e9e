// Any text is matched or refused by the server's request matching without a crash; a matched
// text carries values that form that request again, and matching the formed text gives the
// same values.
#include "exchange/RequestTexts.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The request text for a match's values, as the viewer forms it.
std::string formed(const exchange::Request& r)
{
    switch (r.command) {
    case exchange::Command::MakeKey:
        return exchange::makeKeyText();
    case exchange::Command::MakeCust:
        return exchange::makeCustText(r.values.at(0), r.values.at(1));
    case exchange::Command::MakeDate:
        return exchange::makeDateText({r.values.at(0), r.values.at(1)}, r.values.at(2),
                                      r.values.at(3));
    case exchange::Command::MakeData:
        return exchange::makeDataText(r.values.at(0), r.seq);
    case exchange::Command::Other:
        break;
    }
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the command; with the low bit set the text goes after the template
    // of that command with its values cut out, so that whole literals are reached quickly.
    const auto command = static_cast<exchange::Command>((data[0] >> 1) % 5);
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        const std::string prefix = command == exchange::Command::Other
                                       ? std::string()
                                       : formed({command, {"", "", "", ""}, 0});
        text = prefix.substr(0, prefix.size() / 2) + text;
    }

    const auto match = exchange::matchRequest(command, text);
    if (!match)
        return 0;
    if (match->command != command || command == exchange::Command::Other)
        __builtin_trap();
    const std::string again = formed(*match);
    // Quoted values come back exactly; only an integer slot may be written differently
    // ("007" for 7), and the formed text must still match to the same values.
    if (command != exchange::Command::MakeData && again != text)
        __builtin_trap();
    const auto rematch = exchange::matchRequest(command, again);
    if (!rematch || rematch->values != match->values || rematch->seq != match->seq)
        __builtin_trap();
    return 0;
}

#include "exchange/Frame.h"

#include "text/NumberFormat.h"

namespace exchange {

std::string_view commandWord(Command command)
{
    switch (command) {
    case Command::MakeKey:
        return "MAKEKEY";
    case Command::MakeCust:
        return "MAKECUST";
    case Command::MakeDate:
        return "MAKEDATE";
    case Command::MakeData:
        return "MAKEDATA";
    case Command::Other:
        break;
    }
    return {};
}

std::string formFrame(std::string_view fields, std::string_view body)
{
    std::string frame =
        text::FormatFloat("00000", int64_t(lengthFieldBytes + fields.size() + body.size()));
    frame.reserve(frame.size() + fields.size() + body.size());
    frame.append(fields);
    frame.append(body);
    return frame;
}

std::string paddedField(std::string_view word, size_t width)
{
    std::string field(word.substr(0, width));
    field.resize(width, ' ');
    return field;
}

} // namespace exchange

#include "exchange/Frame.h"

#include "text/NumberFormat.h"

#include <algorithm>

namespace exchange {

namespace {

// Removes leading and trailing bytes of code 32 or less, without copying.
std::string_view trimmed(std::string_view s)
{
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 32)
        --end;
    return s.substr(begin, end - begin);
}

// Bytes [from, from + count) of `s` as far as it reaches.
std::string_view slice(std::string_view s, size_t from, size_t count)
{
    return from >= s.size() ? std::string_view() : s.substr(from, count);
}

} // namespace

Command commandOf(std::string_view word)
{
    if (word == "MAKEKEY")
        return Command::MakeKey;
    if (word == "MAKECUST")
        return Command::MakeCust;
    if (word == "MAKEDATE")
        return Command::MakeDate;
    if (word == "MAKEDATA")
        return Command::MakeData;
    return Command::Other;
}

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

Frame parseFrame(std::string_view frame)
{
    Frame f;
    f.header = frame.substr(0, std::min(frame.size(), headerBytes));
    f.command = trimmed(slice(frame, lengthFieldBytes, commandWordBytes));
    f.type = trimmed(slice(frame, lengthFieldBytes + commandFieldBytes, typeFieldBytes));
    f.body = slice(frame, headerBytes, std::string_view::npos);
    return f;
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

std::array<char, headerBytes> acknowledgement(std::string_view header, std::string_view typeField)
{
    std::array<char, headerBytes> ack;
    ack.fill(' ');
    std::copy_n("00025", lengthFieldBytes, ack.begin());
    const std::string_view command = slice(header, lengthFieldBytes, commandFieldBytes);
    std::copy(command.begin(), command.end(), ack.begin() + lengthFieldBytes);
    const std::string_view type = typeField.substr(0, typeFieldBytes);
    std::copy(type.begin(), type.end(), ack.begin() + lengthFieldBytes + commandFieldBytes);
    return ack;
}

} // namespace exchange

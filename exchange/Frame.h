#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace exchange {

// Header: five length digits, a 15-byte command field and a 5-byte type field.
inline constexpr size_t lengthFieldBytes = 5;
inline constexpr size_t commandFieldBytes = 15;
inline constexpr size_t typeFieldBytes = 5;
inline constexpr size_t headerBytes = lengthFieldBytes + commandFieldBytes + typeFieldBytes;
// Only the first 10 bytes of the command field name the command.
inline constexpr size_t commandWordBytes = 10;
// The length field has five decimal digits.
inline constexpr size_t maxFrameBytes = 99999;

// Command and type fields of the four requests, 20 bytes each.
inline constexpr std::string_view makeKeyFields = "MAKEKEY        DATA ";
inline constexpr std::string_view makeCustFields = "MAKECUST       DATA ";
inline constexpr std::string_view makeDateFields = "MAKEDATE       DATA ";
inline constexpr std::string_view makeDataFields = "MAKEDATA       DATA ";

// Type fields, padded to 5 bytes.
inline constexpr std::string_view dataType = "DATA ";
inline constexpr std::string_view openType = "OPN  ";
inline constexpr std::string_view openAckType = "OOK  ";
inline constexpr std::string_view dataAckType = "DRS  ";
inline constexpr std::string_view endType = "END  ";

enum class Command { MakeKey, MakeCust, MakeDate, MakeData, Other };

std::string_view commandWord(Command command);

// One frame cut out of the stream. The views point into the reader's buffer.
struct Frame
{
    std::string_view header;  // bytes 1-25, or the whole frame when it is shorter
    std::string_view command; // bytes 6-15, trimmed
    std::string_view type;    // bytes 21-25 as far as the frame reaches, trimmed
    std::string_view body;    // everything after byte 25
};

namespace detail {

// Removes leading and trailing bytes of code 32 or less, without copying.
constexpr std::string_view trimmed(std::string_view s)
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
constexpr std::string_view slice(std::string_view s, size_t from, size_t count)
{
    return from >= s.size() ? std::string_view() : s.substr(from, count);
}

} // namespace detail

// Exact, case-sensitive comparison with the four command words. This and the two below are
// inline because they run for every frame received: by length first, then fixed-size
// comparisons the compiler turns into a few integer compares.
inline Command commandOf(std::string_view word)
{
    const char* p = word.data();
    if (word.size() == 7)
        return std::memcmp(p, "MAKEKEY", 7) == 0 ? Command::MakeKey : Command::Other;
    if (word.size() != 8 || std::memcmp(p, "MAKE", 4) != 0)
        return Command::Other;
    if (std::memcmp(p + 4, "DATA", 4) == 0)
        return Command::MakeData;
    if (std::memcmp(p + 4, "DATE", 4) == 0)
        return Command::MakeDate;
    if (std::memcmp(p + 4, "CUST", 4) == 0)
        return Command::MakeCust;
    return Command::Other;
}

// Reads command, type and body out of one whole frame.
inline void parseFrame(std::string_view frame, Frame& f)
{
    if (frame.size() >= headerBytes) {
        // The usual case, with every field in place.
        const char* p = frame.data();
        f.header = std::string_view(p, headerBytes);
        f.command = detail::trimmed(std::string_view(p + lengthFieldBytes, commandWordBytes));
        f.type = detail::trimmed(
            std::string_view(p + lengthFieldBytes + commandFieldBytes, typeFieldBytes));
        f.body = std::string_view(p + headerBytes, frame.size() - headerBytes);
        return;
    }
    f.header = frame;
    f.command = detail::trimmed(detail::slice(frame, lengthFieldBytes, commandWordBytes));
    f.type =
        detail::trimmed(detail::slice(frame, lengthFieldBytes + commandFieldBytes, typeFieldBytes));
    f.body = {};
}

inline Frame parseFrame(std::string_view frame)
{
    Frame f;
    parseFrame(frame, f);
    return f;
}

// Length field ("00000" pattern: at least five digits), the 20 bytes of command and type
// fields, then the body. A frame over maxFrameBytes gets six or more digits and must not be sent.
std::string formFrame(std::string_view fields, std::string_view body);

// Word padded with spaces, or cut, to `width` bytes.
std::string paddedField(std::string_view word, size_t width);

// The 25-byte acknowledgement of a received frame: "00025", bytes 6-20 of its header
// unchanged, then `typeField` ("OOK  " or "DRS  ").
inline std::array<char, headerBytes> acknowledgement(std::string_view header,
                                                     std::string_view typeField)
{
    std::array<char, headerBytes> ack;
    ack.fill(' ');
    std::memcpy(ack.data(), "00025", lengthFieldBytes);
    const std::string_view command = detail::slice(header, lengthFieldBytes, commandFieldBytes);
    std::memcpy(ack.data() + lengthFieldBytes, command.data(), command.size());
    const std::string_view type = typeField.substr(0, typeFieldBytes);
    std::memcpy(ack.data() + lengthFieldBytes + commandFieldBytes, type.data(), type.size());
    return ack;
}

} // namespace exchange

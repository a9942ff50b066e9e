#pragma once

#include <array>
#include <cstddef>
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

// Exact, case-sensitive comparison with the four command words.
Command commandOf(std::string_view word);
std::string_view commandWord(Command command);

// One frame cut out of the stream. The views point into the reader's buffer.
struct Frame
{
    std::string_view header;  // bytes 1-25, or the whole frame when it is shorter
    std::string_view command; // bytes 6-15, trimmed
    std::string_view type;    // bytes 21-25 as far as the frame reaches, trimmed
    std::string_view body;    // everything after byte 25
};

// Reads command, type and body out of one whole frame.
Frame parseFrame(std::string_view frame);

// Length field ("00000" pattern: at least five digits), the 20 bytes of command and type
// fields, then the body. A frame over maxFrameBytes gets six or more digits and must not be sent.
std::string formFrame(std::string_view fields, std::string_view body);

// Word padded with spaces, or cut, to `width` bytes.
std::string paddedField(std::string_view word, size_t width);

// The 25-byte acknowledgement of a received frame: "00025", bytes 6-20 of its header
// unchanged, then `typeField` ("OOK  " or "DRS  ").
std::array<char, headerBytes> acknowledgement(std::string_view header, std::string_view typeField);

} // namespace exchange

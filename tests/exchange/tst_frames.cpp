#include "exchange/Frame.h"
#include "exchange/FrameDispatch.h"
#include "exchange/FrameReader.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>

using namespace exchange;

namespace {

std::string frameOf(const std::string& command, const std::string& type,
                    const std::string& body = {})
{
    return formFrame(paddedField(command, commandFieldBytes) + paddedField(type, typeFieldBytes),
                     body);
}

struct Taken
{
    std::string command;
    std::string type;
    std::string header;
    std::string body;
    friend bool operator==(const Taken&, const Taken&) = default;
};

// Feeds the pieces one after another and takes out every frame after each.
std::vector<Taken> takeAll(FrameReader& reader, const std::vector<std::string>& pieces)
{
    std::vector<Taken> out;
    for (const std::string& piece : pieces) {
        reader.feed(piece);
        Frame f;
        while (reader.next(f) == FrameReader::Status::Frame)
            out.push_back({std::string(f.command), std::string(f.type), std::string(f.header),
                           std::string(f.body)});
    }
    return out;
}

} // namespace

TEST(Frames, RequestFrameCarriesLengthFieldsAndText)
{
    const std::string text(100, 'x');
    EXPECT_EQ(formFrame(makeDataFields, text), "00125MAKEDATA       DATA " + text);
    EXPECT_EQ(formFrame(makeKeyFields, ""), "00025MAKEKEY        DATA ");
    // Past five digits the pattern grows; such a frame is never sent.
    EXPECT_EQ(formFrame(makeKeyFields, std::string(99975, 'x')).substr(0, 6), "100000");
}

TEST(Frames, AcknowledgementCopiesTheWholeCommandField)
{
    const std::string opn = "00025MAKECUST       OPN  ";
    const auto ack = acknowledgement(opn, openAckType);
    EXPECT_EQ(std::string(ack.data(), ack.size()), "00025MAKECUST       OOK  ");
    const std::string data = "00030MAKEDATAxxxxx  DATA 1|2|3";
    const auto drs = acknowledgement(parseFrame(data).header, dataAckType);
    EXPECT_EQ(std::string(drs.data(), drs.size()), "00025MAKEDATAxxxxx  DRS  ");
}

TEST(Frames, CommandIsTheFirstTenBytesOfItsFieldTrimmed)
{
    EXPECT_EQ(parseFrame("00025MAKEDATA  zzzzzEND  ").command, "MAKEDATA");
    EXPECT_EQ(commandOf(parseFrame("00025MAKEDATA  zzzzzEND  ").command), Command::MakeData);
    EXPECT_EQ(commandOf("makedata"), Command::Other);
    EXPECT_EQ(parseFrame("00025\tMAKEKEY\x01       OPN\x01 ").type, "OPN");
}

TEST(FrameReader, CutsFramesInArrivalOrder)
{
    const std::string opn = frameOf("MAKEKEY", "OPN");
    const std::string data = frameOf("MAKEKEY", "DATA", "50001|Alpha|02-1234|");
    const std::string big = frameOf("MAKEDATE", "DATA", std::string(975, 'b'));
    const std::string empty = frameOf("MAKEKEY", "DATA");
    const std::string end = frameOf("MAKEKEY", "END");
    ASSERT_EQ(big.size(), 1000u);

    std::vector<std::string> byteByByte;
    for (char c : opn + data)
        byteByByte.emplace_back(1, c);

    struct Case
    {
        const char* name;
        std::vector<std::string> pieces;
        std::vector<std::string> frames; // whole frames expected, in order
    };
    const std::vector<Case> cases = {
        {"frame split over two reads", {big.substr(0, 600), big.substr(600)}, {big}},
        {"fewer bytes than the length field", {"000", "25MAKEKEY        END  "}, {end}},
        {"fewer bytes than a header", {end.substr(0, 24), end.substr(24)}, {end}},
        {"several frames in one read",
         {opn + data + data + data + end},
         {opn, data, data, data, end}},
        {"byte by byte", byteByByte, {opn, data}},
        {"data frame of length 25", {empty}, {empty}},
        {"frame ends inside the next read",
         {opn + data.substr(0, 30), data.substr(30) + end},
         {opn, data, end}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameReader reader;
        std::vector<Taken> expected;
        for (const std::string& f : c.frames) {
            const Frame p = parseFrame(f);
            expected.push_back({std::string(p.command), std::string(p.type), std::string(p.header),
                                std::string(p.body)});
        }
        EXPECT_EQ(takeAll(reader, c.pieces), expected);
        EXPECT_EQ(reader.bufferedBytes(), 0u);
        EXPECT_FALSE(reader.hasError());
    }
}

TEST(FrameReader, KeepsAnIncompleteFrameUntilItsRestArrives)
{
    FrameReader reader;
    const std::string big = frameOf("MAKEDATA", "DATA", std::string(975, 'b'));
    EXPECT_TRUE(takeAll(reader, {big.substr(0, 600)}).empty());
    EXPECT_EQ(reader.bufferedBytes(), 600u);
    const auto frames = takeAll(reader, {big.substr(600)});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].body, std::string(975, 'b'));
}

TEST(FrameReader, ReadsStraightIntoItsRoom)
{
    // As a socket read fills it: room for more than arrives, then the count that did.
    FrameReader reader;
    const std::string data = frameOf("MAKEKEY", "DATA", "50001|Alpha|02|");
    const std::string bytes = data + data + data.substr(0, 10);
    char* room = reader.prepare(4096);
    std::memcpy(room, bytes.data(), bytes.size());
    reader.commit(bytes.size());
    Frame f;
    EXPECT_EQ(reader.next(f), FrameReader::Status::Frame);
    EXPECT_EQ(reader.next(f), FrameReader::Status::Frame);
    EXPECT_EQ(reader.next(f), FrameReader::Status::NeedMore);
    // Room asked for later moves what is left to the front and keeps it whole.
    room = reader.prepare(1 << 20);
    std::memcpy(room, data.data() + 10, data.size() - 10);
    reader.commit(data.size() - 10);
    ASSERT_EQ(reader.next(f), FrameReader::Status::Frame);
    EXPECT_EQ(f.body, "50001|Alpha|02|");
    EXPECT_EQ(reader.bufferedBytes(), 0u);
}

TEST(FrameReader, ShortDeclaredLengthIsConsumedAsAFrame)
{
    // 10 bytes carry no type; 22 bytes carry part of one.
    FrameReader reader;
    const std::string end = frameOf("MAKEKEY", "END");
    const auto frames =
        takeAll(reader, {"00010MAKEK" + std::string("00022MAKEKEY        OP") + end});
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].type, "");
    EXPECT_EQ(frames[0].header, "00010MAKEK");
    EXPECT_EQ(frames[1].type, "OP");
    EXPECT_EQ(frames[2].type, "END");
}

TEST(FrameReader, UnreadableLengthIsAStickyError)
{
    struct Case
    {
        const char* name;
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"length field not a number", "abcdeMAKEKEY        END  ",
         "'abcde' is not a valid integer value"},
        {"length field of zero", "00000MAKEKEY        END  ", ""},
        {"negative length field", "-0001MAKEKEY        END  ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameReader reader;
        reader.feed(c.bytes);
        Frame f;
        EXPECT_EQ(reader.next(f), FrameReader::Status::Error);
        EXPECT_EQ(reader.errorMessage(), c.message);
        // Stays failed whatever comes next, until cleared.
        reader.feed(frameOf("MAKEKEY", "END"));
        EXPECT_EQ(reader.next(f), FrameReader::Status::Error);
        reader.clear();
        reader.feed(frameOf("MAKEKEY", "END"));
        EXPECT_EQ(reader.next(f), FrameReader::Status::Frame);
    }
}

TEST(FrameReader, PlatformReadingOfTheLengthField)
{
    // Leading blanks and a hexadecimal prefix read as the platform reads them: $19 is 25.
    FrameReader reader;
    const auto frames = takeAll(reader, {"   25MAKEKEY        END  $0019MAKEKEY        OPN  "});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].type, "OPN");
}

namespace {

struct RecordingHandler : FrameHandler
{
    std::vector<std::string> events;
    void sendFrame(std::string_view frame) override
    {
        events.push_back("send " + std::string(frame));
    }
    void rowArrived(Command command, std::string_view body) override
    {
        events.push_back("row " + std::string(commandWord(command)) + " " + std::string(body));
    }
    void answerEnded(Command command) override
    {
        events.push_back("end " +
                         std::string(command == Command::Other ? "other" : commandWord(command)));
    }
};

} // namespace

TEST(FrameDispatch, ActsByType)
{
    struct Case
    {
        const char* name;
        std::string frame;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        {"open frame is acknowledged",
         frameOf("MAKECUST", "OPN"),
         {"send 00025MAKECUST       OOK  "}},
        {"data row goes to its handler, then is acknowledged",
         frameOf("MAKEDATE", "DATA", "2024-01-05|1|"),
         {"row MAKEDATE 2024-01-05|1|", "send 00025MAKEDATE       DRS  "}},
        {"data of another command is only acknowledged",
         frameOf("MAKEFOO", "DATA", "x|"),
         {"send 00025MAKEFOO        DRS  "}},
        {"end of an answer", frameOf("MAKEDATE", "END"), {"end MAKEDATE"}},
        {"end of another command", frameOf("MAKEFOO", "END"), {"end other"}},
        {"acknowledgements are consumed", frameOf("MAKEKEY", "OOK"), {}},
        {"data acknowledgement is consumed", frameOf("MAKEKEY", "DRS"), {}},
        {"unknown type is consumed", frameOf("MAKEKEY", "PING"), {}},
        {"type words are case-sensitive", frameOf("MAKEKEY", "data", "x|"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHandler handler;
        dispatchFrame(parseFrame(c.frame), handler);
        EXPECT_EQ(handler.events, c.events);
    }
}

// One handler sees many frames, as on a connection: each acknowledgement carries its own
// frame's command field and type, whatever came before it, including a frame dispatched from
// inside a row handler (a nested event loop) and a frame whose header is cut short.
TEST(FrameDispatch, EachAcknowledgementCarriesItsOwnFrame)
{
    const std::string nul(1, '\0');
    const std::vector<std::string> frames = {
        frameOf("MAKECUST", "OPN"),
        frameOf("MAKECUST", "DATA", "a|"),
        frameOf("MAKECUST", "DATA", "b|"),
        frameOf("MAKEDATE", "DATA", "c|"),
        frameOf("MAKEDATE", "OPN"),
        frameOf("MAKEDATE", "DATA", "d|"),
        "00027MAKEDATAxxxxx1 DATA e|", // the field differs only in its last bytes
        "00027MAKEDATAxxxxx2 DATA f|",
        "00027" + nul + "AKEDATAxxxxx2 DATA g|", // and in its first
        "00024MAKEDATE       DATA",              // 24 bytes: no room for the type's last byte
        frameOf("MAKEDATE", "DATA", "h|"),
    };
    RecordingHandler handler;
    std::vector<std::string> expected;
    for (const std::string& bytes : frames) {
        const Frame frame = parseFrame(bytes);
        const bool opn = frame.type == "OPN";
        const Command command = commandOf(frame.command);
        if (!opn && command != Command::Other)
            expected.push_back("row " + std::string(commandWord(command)) + " " +
                               std::string(frame.body));
        const auto ack = acknowledgement(frame.header, opn ? openAckType : dataAckType);
        expected.push_back("send " + std::string(ack.data(), ack.size()));
        dispatchFrame(frame, handler);
    }
    EXPECT_EQ(handler.events, expected);

    // A row handler that receives another answer's frame before it returns.
    struct Nesting : RecordingHandler
    {
        bool nested = false;
        void rowArrived(Command command, std::string_view body) override
        {
            RecordingHandler::rowArrived(command, body);
            if (!std::exchange(nested, true))
                dispatchFrame(parseFrame(frameOf("MAKEKEY", "OPN")), *this);
        }
    } nesting;
    dispatchFrame(parseFrame(frameOf("MAKEDATA", "DATA", "x|")), nesting);
    dispatchFrame(parseFrame(frameOf("MAKEDATA", "DATA", "y|")), nesting);
    EXPECT_EQ(nesting.events,
              (std::vector<std::string>{"row MAKEDATA x|", "send 00025MAKEKEY        OOK  ",
                                        "send 00025MAKEDATA       DRS  ", "row MAKEDATA y|",
                                        "send 00025MAKEDATA       DRS  "}));
}

// The length field's fast reading against the plain one: every five-digit value, and every
// field with one byte that is not a digit.
TEST(Frames, FiveDigitLengthFields)
{
    const auto plain = [](const char* f) -> int64_t {
        int64_t n = 0;
        for (int i = 0; i < 5; ++i) {
            if (f[i] < '0' || f[i] > '9')
                return -1;
            n = n * 10 + (f[i] - '0');
        }
        return n;
    };
    char field[8] = {};
    for (int n = 0; n <= 99999; ++n) {
        std::snprintf(field, sizeof field, "%05d", n);
        field[5] = '9'; // bytes after the field do not count
        ASSERT_EQ(detail::fiveDigits(field), n) << field;
    }
    for (int at = 0; at < 5; ++at)
        for (int b = 0; b < 256; ++b) {
            std::memcpy(field, "12345999", 8);
            field[at] = char(b);
            ASSERT_EQ(detail::fiveDigits(field), plain(field)) << at << " " << b;
        }
}

#include "exchange/Frame.h"
#include "exchange/FrameDispatch.h"
#include "exchange/FrameReader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
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

Taken taken(const Frame& f)
{
    return {std::string(f.command), std::string(f.type), std::string(f.header),
            std::string(f.body)};
}

// Feeds the pieces one after another and takes out every frame after each.
std::vector<Taken> takeAll(FrameReader& reader, const std::vector<std::string>& pieces)
{
    std::vector<Taken> out;
    for (const std::string& piece : pieces) {
        reader.feed(piece);
        Frame f;
        while (reader.next(f) == FrameReader::Status::Frame)
            out.push_back(taken(f));
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
        for (const std::string& f : c.frames)
            expected.push_back(taken(parseFrame(f)));
        EXPECT_EQ(takeAll(reader, c.pieces), expected);
        EXPECT_EQ(reader.bufferedBytes(), 0u);
        EXPECT_FALSE(reader.hasError());
    }
}

namespace {

// Keys each row by its body and each END frame by "END", and does to the reader what the test
// put under the key, as the viewer's handlers do from inside dispatchFrames().
struct ReaderUser : FrameHandler
{
    explicit ReaderUser(FrameReader& r) : reader(r) {}
    void sendFrame(std::string_view) override {}
    void rowArrived(Command, std::string_view body) override { handle(std::string(body)); }
    void answerEnded(Command) override { handle("END"); }
    void handle(const std::string& key)
    {
        seen.push_back(prefix + key);
        if (const auto action = on.find(key); action != on.end())
            action->second(*this);
    }
    // Takes the rest out from inside a handler, as an event loop run by it would.
    void nestedLoop()
    {
        prefix = "nested ";
        dispatchFrames(reader, *this);
        prefix.clear();
    }

    FrameReader& reader;
    std::map<std::string, std::function<void(ReaderUser&)>> on;
    std::vector<std::string> seen;
    std::string prefix;
};

} // namespace

// What a frame's handler may do to the reader while dispatchFrames() runs: the viewer closes
// the connection on an END frame (emptying the reader), and a row handler may run a nested
// event loop that reads into the reader, takes frames out of it or closes the connection.
TEST(FrameReader, DispatchGoesOnFromWhereItsHandlerLeavesTheReader)
{
    const std::string opn = frameOf("MAKEKEY", "OPN");
    const std::string end = frameOf("MAKEKEY", "END");
    const auto data = [](char c) { return frameOf("MAKEKEY", "DATA", std::string(1, c) + "|"); };
    struct Case
    {
        const char* name;
        std::string bytes;
        std::map<std::string, std::function<void(ReaderUser&)>> on;
        std::vector<std::string> seen; // the keys handled, in order
        FrameReader::Status status;
        size_t buffered;
    };
    const auto nestedLoop = [](ReaderUser& u) { u.nestedLoop(); };
    const std::vector<Case> cases = {
        {"emptied on an end frame",
         opn + data('a') + end + data('b') + opn,
         {{"END", [](ReaderUser& u) { u.reader.clear(); }}},
         {"a|", "END"},
         FrameReader::Status::NeedMore,
         0},
        {"its buffer given back on an end frame, as when the connection closes",
         opn + data('a') + end + data('b') + opn,
         {{"END", [](ReaderUser& u) { u.reader.release(); }}},
         {"a|", "END"},
         FrameReader::Status::NeedMore,
         0},
        {"more read in, the rest moved to the front of the buffer",
         data('a') + data('b').substr(0, 10),
         {{"a|", [&](ReaderUser& u) { u.reader.feed(data('b').substr(10)); }}},
         {"a|", "b|"},
         FrameReader::Status::NeedMore,
         0},
        {"more read in, the buffer grown",
         data('a') + data('b') + data('c').substr(0, 10),
         {{"a|",
           [&](ReaderUser& u) {
               const std::string more = data('c').substr(10) + data('d') + std::string(5, '0');
               std::memcpy(u.reader.prepare(1 << 20), more.data(), more.size());
               u.reader.commit(more.size());
           }}},
         {"a|", "b|", "c|", "d|"},
         FrameReader::Status::NeedMore,
         5},
        {"the rest taken in a nested loop",
         data('a') + data('b') + data('c'),
         {{"a|", nestedLoop}},
         {"a|", "nested b|", "nested c|"},
         FrameReader::Status::NeedMore,
         0},
        {"the connection closed in a nested loop",
         data('a') + data('b') + data('c') + end,
         {{"a|", nestedLoop}, {"b|", [](ReaderUser& u) { u.reader.release(); }}},
         {"a|", "nested b|"},
         FrameReader::Status::NeedMore,
         0},
        {"one taken with next()",
         data('a') + data('b') + data('c'),
         {{"a|",
           [](ReaderUser& u) {
               Frame f;
               ASSERT_EQ(u.reader.next(f), FrameReader::Status::Frame);
               u.seen.push_back("next " + std::string(f.body));
           }}},
         {"a|", "next b|", "c|"},
         FrameReader::Status::NeedMore,
         0},
        {"a nested loop fails on a bad length",
         data('a') + data('b') + "abcdeMAKEKEY        END  ",
         {{"a|", nestedLoop}},
         {"a|", "nested b|"},
         FrameReader::Status::Error,
         25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameReader reader;
        reader.feed(c.bytes);
        ReaderUser user(reader);
        user.on = c.on;
        EXPECT_EQ(dispatchFrames(reader, user), c.status);
        EXPECT_EQ(user.seen, c.seen);
        EXPECT_EQ(reader.bufferedBytes(), c.buffered);
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
    std::copy(bytes.begin(), bytes.end(), room);
    reader.commit(bytes.size());
    Frame f;
    EXPECT_EQ(reader.next(f), FrameReader::Status::Frame);
    EXPECT_EQ(reader.next(f), FrameReader::Status::Frame);
    EXPECT_EQ(reader.next(f), FrameReader::Status::NeedMore);
    // Room asked for later moves what is left to the front and keeps it whole.
    room = reader.prepare(1 << 20);
    std::copy(data.begin() + 10, data.end(), room);
    reader.commit(data.size() - 10);
    ASSERT_EQ(reader.next(f), FrameReader::Status::Frame);
    EXPECT_EQ(f.body, "50001|Alpha|02|");
    EXPECT_EQ(reader.bufferedBytes(), 0u);
}

// A buffer grown past the idle limit by one large read is given back at the next read, and only
// when it holds nothing: bytes of a frame still coming are never dropped with it.
TEST(FrameReader, GivesBackABufferGrownByABurstOnceEmpty)
{
    const std::string data = frameOf("MAKEKEY", "DATA", "50001|Alpha|02|");
    const size_t limit = FrameReader::maxIdleBufferBytes;
    struct Case
    {
        const char* name;
        size_t burstRoom; // room asked for the first read, which brings one frame and `part`
        size_t part;      // bytes of the next frame in that read
        bool givenBack;
    };
    const std::vector<Case> cases = {
        {"emptied after a burst", 4 * limit, 0, true},
        {"a frame's beginning still held", 4 * limit, 10, false},
        {"within the limit", limit, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameReader reader;
        const std::string first = data + data.substr(0, c.part);
        std::memcpy(reader.prepare(c.burstRoom), first.data(), first.size());
        reader.commit(first.size());
        Frame f;
        ASSERT_EQ(reader.next(f), FrameReader::Status::Frame);
        ASSERT_EQ(reader.next(f), FrameReader::Status::NeedMore);
        EXPECT_GE(reader.capacityBytes(), c.burstRoom);
        const auto frames = takeAll(reader, {data.substr(c.part) + data});
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].body, "50001|Alpha|02|");
        EXPECT_EQ(frames[1].body, "50001|Alpha|02|");
        EXPECT_EQ(reader.capacityBytes() < c.burstRoom, c.givenBack);
    }
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
        {"fields of zero bytes are consumed", "00025" + std::string(20, '\0'), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHandler handler;
        dispatchFrame(parseFrame(c.frame), handler);
        EXPECT_EQ(handler.events, c.events);
    }
}

// One handler sees many frames, as on a connection: each acknowledgement carries its own
// frame's command field and type, whatever came before it, including a frame whose header is
// cut short, fields that differ from the last ones in one byte only, and frames dispatched from
// inside a row handler (a nested event loop).
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
        "00024MAKEDATE       DATA", // 24 bytes: no room for the type's last byte
        frameOf("MAKEDATE", "DATA", "e|"),
        "00027MAKEDATAxxxxx1 DATA f|", // the field differs only in its last bytes
        "00027MAKEDATAxxxxx2 DATA g|",
        "00027" + nul + "AKEDATAxxxxx2 DATA h|", // and in its first
        "00027MAKEDATAxxxxx2 DATAxi|",           // the type field in its last byte
        "00027MAKEDATAxxxxx2 DATA j|",
    };
    RecordingHandler handler;
    std::vector<std::string> expected;
    for (const std::string& bytes : frames) {
        const Frame frame = parseFrame(bytes);
        const bool opn = frame.type == "OPN";
        if (!opn && frame.type != "DATA")
            continue;
        const Command command = commandOf(frame.command);
        if (!opn && command != Command::Other)
            expected.push_back("row " + std::string(commandWord(command)) + " " +
                               std::string(frame.body));
        const auto ack = acknowledgement(frame.header, opn ? openAckType : dataAckType);
        expected.push_back("send " + std::string(ack.data(), ack.size()));
    }
    for (const std::string& bytes : frames)
        dispatchFrame(parseFrame(bytes), handler);
    EXPECT_EQ(handler.events, expected);

    // A row handler that receives a row of its own answer and an open frame of another answer
    // before it returns.
    struct Nesting : RecordingHandler
    {
        bool nested = false;
        void rowArrived(Command command, std::string_view body) override
        {
            RecordingHandler::rowArrived(command, body);
            if (!std::exchange(nested, true)) {
                dispatchFrame(parseFrame(frameOf("MAKEDATA", "DATA", "z|")), *this);
                dispatchFrame(parseFrame(frameOf("MAKEKEY", "OPN")), *this);
            }
        }
    } nesting;
    dispatchFrame(parseFrame(frameOf("MAKEDATA", "DATA", "x|")), nesting);
    dispatchFrame(parseFrame(frameOf("MAKEDATA", "DATA", "y|")), nesting);
    dispatchFrame(parseFrame(frameOf("MAKEKEY", "OPN")), nesting);
    EXPECT_EQ(
        nesting.events,
        (std::vector<std::string>{
            "row MAKEDATA x|", "row MAKEDATA z|", "send 00025MAKEDATA       DRS  ",
            "send 00025MAKEKEY        OOK  ", "send 00025MAKEDATA       DRS  ", "row MAKEDATA y|",
            "send 00025MAKEDATA       DRS  ", "send 00025MAKEKEY        OOK  "}));
}

// Whatever came before on the same connection, a frame is answered as a handler that sees it
// first would answer it: every frame after every other, including itself, among frames whose
// fields differ in one byte.
TEST(FrameDispatch, AFrameIsAnsweredAlikeWhateverCameBefore)
{
    const std::vector<std::string> frames = {
        frameOf("MAKEDATA", "DATA", "a|"),
        frameOf("MAKEDATE", "DATA", "b|"), // the command's last letter
        frameOf("MAKEDATA", "OPN"),
        frameOf("MAKEDATA", "END"),
        frameOf("MAKEDATA x", "DATA", "c|"), // the command field's tenth byte
        "00027MAKEDATA      xDATA d|",       // its fifteenth, outside the command word
        "00027MAKEDATA       XATA e|",       // the type field's first byte
        "00027MAKEDATA       DATAxe|",       // and its last
        frameOf("MAKEFOO", "DATA", "f|"),
        "00024MAKEDATA       DATA", // a short header
        "00025" + std::string(20, '\0'),
    };
    const auto events = [](const std::vector<std::string>& sequence, bool freshEach) {
        std::vector<std::string> out;
        RecordingHandler shared;
        for (const std::string& f : sequence) {
            RecordingHandler fresh;
            RecordingHandler& handler = freshEach ? fresh : shared;
            dispatchFrame(parseFrame(f), handler);
            out.insert(out.end(), handler.events.begin(), handler.events.end());
            handler.events.clear();
        }
        return out;
    };
    for (const std::string& first : frames)
        for (const std::string& second : frames) {
            SCOPED_TRACE(testing::PrintToString(first) + " then " + testing::PrintToString(second));
            const std::vector<std::string> sequence = {first, second, first};
            EXPECT_EQ(events(sequence, false), events(sequence, true));
        }
}

#pragma once

#include "exchange/Frame.h"
#include "exchange/FrameReader.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace exchange {

// What the viewer's side does with the frames it receives.
class FrameHandler
{
public:
    FrameHandler() : m_action(actionOf(parseFrame(std::string_view(noFields, headerBytes)))) {}
    virtual ~FrameHandler() = default;
    virtual void sendFrame(std::string_view frame) = 0;
    // The body of a DATA frame of one of the four commands.
    virtual void rowArrived(Command command, std::string_view body) = 0;
    // An END frame. No acknowledgement goes out for it.
    virtual void answerEnded(Command command) = 0;

private:
    friend void dispatchFrame(const Frame& frame, FrameHandler& handler);

    static constexpr size_t fieldsBytes = commandFieldBytes + typeFieldBytes;

    // What a frame's header asks for.
    struct Action
    {
        enum class Kind : uint8_t {
            Row,  // DATA of one of the four commands: a row, then DRS
            Data, // DATA of any other command: DRS only
            Open,
            End,
            None
        };
        Kind kind;
        Command command;
        std::array<char, headerBytes> ack; // for Row, Data and Open
    };

    static Action actionOf(const Frame& f)
    {
        Action a;
        a.command = commandOf(f.command);
        a.kind = f.type == "DATA"
                     ? (a.command != Command::Other ? Action::Kind::Row : Action::Kind::Data)
                 : f.type == "OPN" ? Action::Kind::Open
                 : f.type == "END" ? Action::Kind::End
                                   : Action::Kind::None;
        a.ack = acknowledgement(f.header, a.kind == Action::Kind::Open ? openAckType : dataAckType);
        return a;
    }

    static bool sameFields(const char* a, const char* b)
    {
        uint64_t a0, a1, b0, b1;
        uint32_t a2, b2;
        std::memcpy(&a0, a, 8);
        std::memcpy(&a1, a + 8, 8);
        std::memcpy(&a2, a + 16, 4);
        std::memcpy(&b0, b, 8);
        std::memcpy(&b1, b + 8, 8);
        std::memcpy(&b2, b + 16, 4);
        return ((a0 ^ b0) | (a1 ^ b1) | (a2 ^ b2)) == 0;
    }

    // OPN is acknowledged with OOK; DATA goes to its row handler, then is acknowledged with
    // DRS; END ends the answer; every other type is consumed without effect.
    void act(const Action& action, std::string_view body)
    {
        switch (action.kind) {
        case Action::Kind::Row: {
            struct InRow
            {
                int& depth;
                explicit InRow(int& d) : depth(d) { ++depth; }
                ~InRow() { --depth; }
            } inRow(m_rowDepth);
            rowArrived(action.command, body);
        }
            [[fallthrough]];
        case Action::Kind::Data:
        case Action::Kind::Open:
            sendFrame(std::string_view(action.ack.data(), action.ack.size()));
            return;
        case Action::Kind::End:
            answerEnded(action.command);
            return;
        case Action::Kind::None:
            return;
        }
    }

    // A header of 20 zero bytes in its fields: what m_fields starts with.
    static constexpr char noFields[headerBytes] = {'0', '0', '0', '2', '5'};

    // The command and type fields of the last whole header dispatched, and what they ask for:
    // the frames of an answer share them, so the 20 bytes are compared instead of read
    // (trimmed, matched, an acknowledgement built) again for every frame. The acknowledgement
    // is sent from here, settled memory: built afresh for every frame, its bytes would be read
    // back by the send right after being written piece by piece, which stalls the processor
    // longer than the rest of a frame's handling takes.
    std::array<char, fieldsBytes> m_fields = {};
    Action m_action;
    // Row handlers running. A frame dispatched inside one (a nested event loop) leaves
    // m_fields and m_action alone: the frame whose row it is still sends m_action's
    // acknowledgement when the handler returns.
    int m_rowDepth = 0;
};

// Acts on one whole frame, as cut out by FrameReader. The frame is not touched after
// answerEnded(), which may close the connection and empty the buffer the frame lives in, nor
// after rowArrived(), which may run a nested event loop that reads into that buffer: the
// acknowledgement is taken from the header before. Inline: it runs for every frame received.
inline void dispatchFrame(const Frame& frame, FrameHandler& handler)
{
    if (frame.header.size() == headerBytes) {
        const char* const fields = frame.header.data() + lengthFieldBytes;
        if (FrameHandler::sameFields(fields, handler.m_fields.data())) [[likely]] {
            handler.act(handler.m_action, frame.body);
            return;
        }
        if (handler.m_rowDepth == 0) {
            std::memcpy(handler.m_fields.data(), fields, FrameHandler::fieldsBytes);
            handler.m_action = FrameHandler::actionOf(frame);
            handler.act(handler.m_action, frame.body);
            return;
        }
    }
    // A short header, whose fields are cut off, or other fields met inside a row handler: kept
    // nowhere.
    handler.act(FrameHandler::actionOf(frame), frame.body);
}

// Takes every whole frame out of `reader` and acts on it, in arrival order, until it returns
// NeedMore or Error. A handler may clear the reader, give its buffer back, read more into it or
// take frames out of it from a nested event loop: each turn asks the reader afresh.
inline FrameReader::Status dispatchFrames(FrameReader& reader, FrameHandler& handler)
{
    Frame frame;
    FrameReader::Status status;
    while ((status = reader.next(frame)) == FrameReader::Status::Frame)
        dispatchFrame(frame, handler);
    return status;
}

} // namespace exchange

#pragma once

#include "exchange/Frame.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace exchange {

// What the viewer's side does with the frames it receives.
class FrameHandler
{
public:
    virtual ~FrameHandler() = default;
    virtual void sendFrame(std::string_view frame) = 0;
    // The body of a DATA frame of one of the four commands.
    virtual void rowArrived(Command command, std::string_view body) = 0;
    // An END frame. No acknowledgement goes out for it.
    virtual void answerEnded(Command command) = 0;

private:
    friend void dispatchFrame(const Frame& frame, FrameHandler& handler);

    // The command field of a whole header (bytes 6-20), held in registers: two overlapping
    // 8-byte words, bytes 6-13 and 13-20.
    struct CommandField
    {
        uint64_t head;
        uint64_t tail;
    };
    static CommandField commandFieldOf(const char* header)
    {
        CommandField f;
        std::memcpy(&f.head, header + lengthFieldBytes, 8);
        std::memcpy(&f.tail, header + lengthFieldBytes + commandFieldBytes - 8, 8);
        return f;
    }

    // Sends what acknowledgement() gives for a whole header with `field` and `typeField`.
    // The frames of an answer share their command field, so the last acknowledgement is kept
    // and only compared: built afresh for every frame, its bytes would be read back by the
    // send right after being written piece by piece, which stalls the processor longer than
    // the rest of a frame's handling takes.
    void acknowledge(CommandField field, std::string_view typeField)
    {
        constexpr size_t typeAt = lengthFieldBytes + commandFieldBytes;
        const CommandField kept = commandFieldOf(m_ack.data());
        if (kept.head != field.head || kept.tail != field.tail ||
            std::memcmp(m_ack.data() + typeAt, typeField.data(), typeFieldBytes) != 0) {
            std::memcpy(m_ack.data() + lengthFieldBytes, &field.head, 8);
            std::memcpy(m_ack.data() + lengthFieldBytes + commandFieldBytes - 8, &field.tail, 8);
            std::memcpy(m_ack.data() + typeAt, typeField.data(), typeFieldBytes);
        }
        sendFrame(std::string_view(m_ack.data(), m_ack.size()));
    }

    // The type field of zeros matches no acknowledgement type, so the first one is built.
    std::array<char, headerBytes> m_ack = {'0', '0', '0', '2', '5'};
};

// OPN is acknowledged with OOK; DATA goes to its row handler, then is acknowledged with DRS;
// END ends the answer; every other type is consumed without effect. The frame is not touched
// after answerEnded(), which may close the connection and empty the buffer the frame lives in,
// nor after rowArrived(), which may run a nested event loop that reads into that buffer: the
// acknowledgement holds the header as received. Inline: it runs for every frame received.
inline void dispatchFrame(const Frame& frame, FrameHandler& handler)
{
    if (frame.type == "OPN") {
        if (frame.header.size() == headerBytes) {
            handler.acknowledge(FrameHandler::commandFieldOf(frame.header.data()), openAckType);
            return;
        }
        const auto ack = acknowledgement(frame.header, openAckType);
        handler.sendFrame(std::string_view(ack.data(), ack.size()));
    } else if (frame.type == "DATA") {
        const Command command = commandOf(frame.command);
        if (frame.header.size() == headerBytes) {
            const auto field = FrameHandler::commandFieldOf(frame.header.data());
            if (command != Command::Other)
                handler.rowArrived(command, frame.body);
            handler.acknowledge(field, dataAckType);
            return;
        }
        const auto ack = acknowledgement(frame.header, dataAckType);
        if (command != Command::Other)
            handler.rowArrived(command, frame.body);
        handler.sendFrame(std::string_view(ack.data(), ack.size()));
    } else if (frame.type == "END") {
        handler.answerEnded(commandOf(frame.command));
    }
}

} // namespace exchange

#pragma once

#include "exchange/Frame.h"

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
};

// OPN is acknowledged with OOK; DATA goes to its row handler, then is acknowledged with DRS;
// END ends the answer; every other type is consumed without effect. The frame is not touched
// after answerEnded(), which may close the connection and empty the buffer the frame lives in.
// Inline: it runs for every frame received.
inline void dispatchFrame(const Frame& frame, FrameHandler& handler)
{
    if (frame.type == "OPN") {
        const auto ack = acknowledgement(frame.header, openAckType);
        handler.sendFrame(std::string_view(ack.data(), ack.size()));
    } else if (frame.type == "DATA") {
        // Built before the row handler runs: the header is what was received.
        const auto ack = acknowledgement(frame.header, dataAckType);
        const Command command = commandOf(frame.command);
        if (command != Command::Other)
            handler.rowArrived(command, frame.body);
        handler.sendFrame(std::string_view(ack.data(), ack.size()));
    } else if (frame.type == "END") {
        handler.answerEnded(commandOf(frame.command));
    }
}

} // namespace exchange

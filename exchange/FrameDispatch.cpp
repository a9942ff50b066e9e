#include "exchange/FrameDispatch.h"

namespace exchange {

void dispatchFrame(const Frame& frame, FrameHandler& handler)
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

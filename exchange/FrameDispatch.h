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
void dispatchFrame(const Frame& frame, FrameHandler& handler);

} // namespace exchange

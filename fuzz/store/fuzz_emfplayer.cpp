// Any bytes played as a page picture are drawn or refused: no crash, no read outside the buffer.
#include "gfx/EmfPlayer.h"
#include "gfx/RecordingCanvas.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        gfx::RecordingCanvas canvas;
        gfx::EmfPlayer(canvas).play(std::string_view(reinterpret_cast<const char*>(data), size),
                                    {0, 0, 794, 1123});
    } catch (const std::exception&) {
    }
    return 0;
}

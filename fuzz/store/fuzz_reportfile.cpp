// Any bytes opened as a report file give pages or a clear error: no crash, no read outside
// the buffers, whatever the header, links or splay-coded pictures hold.
#include "gfx/EmfPlayer.h"
#include "gfx/RecordingCanvas.h"
#include "report/store/TRpPageList.h"
#include "report/store/TRpStream.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        auto store = report::TRpPageList::OpenReport(
            report::TRpStream::openBytes(std::string(reinterpret_cast<const char*>(data), size)));
        // A fuzzed count may be huge; the first pages exercise the links and the decoder.
        for (int n = 1; n <= 8; ++n) {
            const std::optional<std::string> page = store->LoadPage(n);
            if (!page)
                break;
            gfx::RecordingCanvas canvas;
            gfx::EmfPlayer(canvas).play(*page, {0, 0, 794, 1123});
        }
    } catch (const std::exception&) {
    }
    return 0;
}

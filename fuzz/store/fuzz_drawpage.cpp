// Any bytes, a report file or a bare page picture, are drawn as the preview and printing draw
// them: onto a QtCanvas over a QImage of the page's paper, sized as `report render` sizes it,
// on the offscreen platform. Drawing is bounded by the surface, so an input that is slow here
// (libFuzzer's -timeout) is a finding, as is a crash or a read outside the buffers.
#include "gfx/EmfPlayer.h"
#include "gfx/Font.h"
#include "gfx/MeasureCanvas.h"
#include "gfx/QtCanvas.h"
#include "report/store/TRpPageList.h"
#include "report/store/TRpStream.h"

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace {

// A fuzzed page count may be huge; the first pages exercise the links and the decoder.
constexpr int maxPagesDrawn = 8;
constexpr size_t metafileSignatureAt = 40;

void ensureApplication()
{
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_drawpage";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    gfx::InstallFontSubstitutions();
}

void drawPage(std::string_view emf)
{
    gfx::EmfHeader header;
    if (!gfx::EmfReader::readHeader(emf, header))
        return;
    const std::optional<gfx::Size> size = gfx::paperPixels(header, gfx::ScreenDpi);
    if (!size)
        return; // refused, as `report render` refuses it
    QImage image = gfx::makeImage(size->cx, size->cy);
    gfx::QtCanvas canvas(&image);
    gfx::EmfPlayer(canvas).play(emf, {0, 0, size->cx, size->cy});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        if (bytes.size() > metafileSignatureAt + 4 &&
            bytes.substr(metafileSignatureAt, 4) == " EMF") {
            drawPage(bytes);
            return 0;
        }
        auto store =
            report::TRpPageList::OpenReport(report::TRpStream::openBytes(std::string(bytes)));
        for (int n = 1; n <= maxPagesDrawn; ++n) {
            const std::optional<std::string> page = store->LoadPage(n);
            if (!page)
                break;
            drawPage(*page);
        }
    } catch (const std::exception&) {
    }
    return 0;
}

// The CPU time of drawing every page of every given file onto an A4 sheet at 300 pixels per
// inch, through EmfPlayer onto a QtCanvas over a QImage, as printing draws them. A file is a
// report file or a bare metafile; a folder stands for the files in it. Prints the slowest pages
// and the total; a file that does not open counts as checked, not drawn.
//
//   bench_drawpages [--top N] FILE|FOLDER...
#include "gfx/EmfPlayer.h"
#include "gfx/Font.h"
#include "gfx/MeasureCanvas.h"
#include "gfx/QtCanvas.h"
#include "report/store/TRpPageList.h"
#include "report/store/TRpStream.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A4 at 300 pixels per inch, the resolution pages are printed at.
constexpr int sheetDpi = 300;
constexpr int sheetWidth = 2480;
constexpr int sheetHeight = 3508;
constexpr size_t metafileSignatureAt = 40;

double processCpuSeconds()
{
    timespec t{};
    // The whole process: Qt may hand large image work to threads of its own.
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct PageTime
{
    std::string file;
    int page = 0;
    double seconds = 0;
};

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double drawPage(const std::string& emf, QImage& sheet)
{
    sheet.fill(Qt::white);
    const double start = processCpuSeconds();
    {
        gfx::QtCanvas canvas(&sheet);
        gfx::EmfPlayer(canvas).play(emf, {0, 0, sheetWidth, sheetHeight});
    }
    return processCpuSeconds() - start;
}

bool isMetafile(const std::string& bytes)
{
    return bytes.size() > metafileSignatureAt + 4 &&
           bytes.compare(metafileSignatureAt, 4, " EMF") == 0 && bytes[0] == 1;
}

void drawFile(const std::filesystem::path& path, QImage& sheet, std::vector<PageTime>& times)
{
    const std::string bytes = readFile(path);
    const std::string name = path.string();
    if (isMetafile(bytes)) {
        times.push_back({name, 1, drawPage(bytes, sheet)});
        return;
    }
    try {
        auto store = report::TRpPageList::OpenReport(report::TRpStream::openBytes(bytes));
        for (int n = 1; n <= store->StoredPages(); ++n) {
            try {
                if (const std::optional<std::string> page = store->LoadPage(n))
                    times.push_back({name, n, drawPage(*page, sheet)});
            } catch (const std::exception&) {
                // A damaged page is refused before it is drawn.
            }
        }
    } catch (const std::exception&) {
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    gfx::InstallFontSubstitutions();

    size_t top = 10;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--top" && i + 1 < argc) {
            top = size_t(std::stoul(argv[++i]));
            continue;
        }
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.emplace_back(arg);
        }
    }
    std::sort(files.begin(), files.end());

    QImage sheet = gfx::makeImage(sheetWidth, sheetHeight, sheetDpi);
    std::vector<PageTime> times;
    const double start = processCpuSeconds();
    for (const auto& file : files)
        drawFile(file, sheet, times);
    const double total = processCpuSeconds() - start;

    std::sort(times.begin(), times.end(),
              [](const PageTime& a, const PageTime& b) { return a.seconds > b.seconds; });
    std::printf("%zu files, %zu pages drawn, %.3f s CPU in all\n", files.size(), times.size(),
                total);
    if (!times.empty()) {
        std::vector<double> seconds;
        for (const PageTime& t : times)
            seconds.push_back(t.seconds);
        std::sort(seconds.begin(), seconds.end());
        std::printf("median page %.3f ms\n", seconds[seconds.size() / 2] * 1000);
    }
    for (size_t i = 0; i < std::min(top, times.size()); ++i)
        std::printf("%10.3f ms  %s page %d\n", times[i].seconds * 1000, times[i].file.c_str(),
                    times[i].page);
    return 0;
}

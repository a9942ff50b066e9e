// Page store benchmarks: recording a statement page into the store beside drawing it into a
// QPicture, the splay code beside zlib at level 6 on page pictures, and loading page n of a
// 1,000-page store.
#include "gfx/EmfCanvas.h"
#include "report/store/TRpCompress.h"
#include "report/store/TRpPageList.h"
#include "text/Cp949.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPicture>
#include <benchmark/benchmark.h>
#include <random>
#include <zlib.h>

namespace {

// The statement page's mix: two halves of 13 lines of 12 fields with their rules, the
// particulars, the title and boxes: 376 primitives.
struct Primitive
{
    enum Kind { Text, Line, Box } kind;
    int x, y, x2, y2;
    std::string text; // cp949
};

const std::vector<Primitive>& statementPage()
{
    static const std::vector<Primitive> page = [] {
        std::vector<Primitive> p;
        const std::string item = text::cp949("품목명 규격");
        for (int half = 0; half < 2; ++half) {
            const int top = half * 560;
            p.push_back({Primitive::Text, 300, top + 20, 0, 0, text::cp949("거래명세서")});
            for (int i = 0; i < 6; ++i)
                p.push_back({Primitive::Text, 40 + (i % 2) * 360, top + 60 + (i / 2) * 18, 0, 0,
                             text::cp949("공급자 등록번호 123-45-67890")});
            p.push_back({Primitive::Box, 30, top + 50, 764, top + 540, {}});
            for (int row = 0; row < 13; ++row) {
                const int y = top + 160 + row * 22;
                for (int col = 0; col < 12; ++col)
                    p.push_back({Primitive::Text, 40 + col * 60, y + 4, 0, 0,
                                 col == 0 ? item : std::to_string(1000 * row + col * 37) + ",000"});
                p.push_back({Primitive::Line, 30, y, 764, y, {}});
            }
            for (int col = 0; col < 11; ++col)
                p.push_back(
                    {Primitive::Line, 30 + col * 67, top + 160, 30 + col * 67, top + 446, {}});
        }
        return p;
    }();
    return page;
}

gfx::Font pageFont()
{
    gfx::Font f;
    f.name = text::cp949("굴림체");
    f.size = 9;
    f.color = gfx::clBlack;
    return f;
}

std::string recordPage()
{
    gfx::EmfCanvas c(794, 1123);
    c.font = pageFont();
    c.bkMode = gfx::BkMode::Transparent;
    c.brush.style = gfx::BrushStyle::Clear;
    for (const Primitive& p : statementPage()) {
        switch (p.kind) {
        case Primitive::Text:
            c.TextOut(p.x, p.y, p.text);
            break;
        case Primitive::Line:
            c.MoveTo(p.x, p.y);
            c.LineTo(p.x2, p.y2);
            break;
        case Primitive::Box:
            c.Rectangle({p.x, p.y, p.x2, p.y2});
            break;
        }
    }
    return c.finish();
}

void BM_StatementPageIntoThePageStore(benchmark::State& state)
{
    report::TRpPageList store;
    for (auto _ : state) {
        store.AppendPage(recordPage());
        if (store.StoredPages() == 50)
            store.Clear();
    }
    state.counters["primitives"] = double(statementPage().size());
}

void BM_StatementPageIntoAQPicture(benchmark::State& state)
{
    const QFont font = gfx::toQFont(pageFont(), gfx::ScreenDpi);
    for (auto _ : state) {
        QPicture picture;
        QPainter painter(&picture);
        painter.setFont(font);
        painter.setBrush(Qt::NoBrush);
        for (const Primitive& p : statementPage()) {
            switch (p.kind) {
            case Primitive::Text:
                painter.drawText(p.x, p.y, text::fromCp949(p.text));
                break;
            case Primitive::Line:
                painter.drawLine(p.x, p.y, p.x2, p.y2);
                break;
            case Primitive::Box:
                painter.drawRect(p.x, p.y, p.x2 - p.x, p.y2 - p.y);
                break;
            }
        }
        painter.end();
        benchmark::DoNotOptimize(picture.size());
    }
}

const std::string& picture()
{
    static const std::string bytes = recordPage();
    return bytes;
}

std::string zlibCompress(const std::string& data)
{
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()), 6);
    out.resize(size);
    return out;
}

void setBytes(benchmark::State& state, size_t coded)
{
    state.SetBytesProcessed(int64_t(state.iterations() * picture().size()));
    state.counters["ratio"] = double(coded) / double(picture().size());
}

void BM_SplayEncode(benchmark::State& state)
{
    std::string coded;
    for (auto _ : state)
        benchmark::DoNotOptimize(coded = report::TRpCompress::encode(picture()));
    setBytes(state, coded.size());
}

void BM_SplayDecode(benchmark::State& state)
{
    const std::string coded = report::TRpCompress::encode(picture());
    for (auto _ : state)
        benchmark::DoNotOptimize(report::TRpCompress::decode(coded, picture().size()));
    setBytes(state, coded.size());
}

void BM_ZlibLevel6Compress(benchmark::State& state)
{
    std::string coded;
    for (auto _ : state)
        benchmark::DoNotOptimize(coded = zlibCompress(picture()));
    setBytes(state, coded.size());
}

void BM_ZlibUncompress(benchmark::State& state)
{
    const std::string coded = zlibCompress(picture());
    std::string out(picture().size(), '\0');
    for (auto _ : state) {
        uLongf size = uLongf(out.size());
        uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(coded.data()), uLong(coded.size()));
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state, coded.size());
}

// A 1,000-page store (in its temporary file by then), built once per compression.
report::TRpPageList& thousandPages(bool compressed)
{
    static std::unique_ptr<report::TRpPageList> stores[2];
    auto& store = stores[compressed];
    if (!store) {
        store = std::make_unique<report::TRpPageList>();
        store->SetCompressed(compressed);
        for (int n = 0; n < 1000; ++n)
            store->AppendPage(picture());
        store->WriteHeader();
    }
    return *store;
}

// Worst case: every load walks from wherever the last one stopped to a random page.
void BM_LoadRandomPageOf1000(benchmark::State& state)
{
    report::TRpPageList& store = thousandPages(state.range(0) != 0);
    std::mt19937 random(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.LoadPage(int(random() % 1000) + 1));
    state.SetLabel(state.range(0) ? "compressed" : "plain");
}

void BM_LoadNextPageOf1000(benchmark::State& state)
{
    report::TRpPageList& store = thousandPages(state.range(0) != 0);
    int n = 0;
    for (auto _ : state) {
        n = n % 1000 + 1;
        benchmark::DoNotOptimize(store.LoadPage(n));
    }
    state.SetLabel(state.range(0) ? "compressed" : "plain");
}

} // namespace

BENCHMARK(BM_StatementPageIntoThePageStore)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatementPageIntoAQPicture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SplayEncode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SplayDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibLevel6Compress)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadRandomPageOf1000)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadNextPageOf1000)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    gfx::InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

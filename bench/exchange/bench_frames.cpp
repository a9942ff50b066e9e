// Reassembly and dispatch of answer frames as they arrive in 64 KiB reads, beside a plain copy
// of the same bytes: the reader must stay linear however many frames one read holds.
#include "exchange/FrameDispatch.h"
#include "exchange/FrameReader.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <string>

namespace {

constexpr size_t frameCount = 1000000;
constexpr size_t readBytes = 64 * 1024;

// `count` DATA frames of `frameBytes` bytes each, bodies shaped like statement lines.
const std::string& stream(size_t frameBytes)
{
    static std::string cached;
    static size_t cachedBytes = 0;
    if (cachedBytes != frameBytes) {
        const std::string row = "2024-02-05|3|1|Bolt|M8 x 40|100|EA|120|12000|1200|";
        std::string body;
        while (body.size() < frameBytes - exchange::headerBytes)
            body += row;
        body.resize(frameBytes - exchange::headerBytes);
        const std::string frame = exchange::formFrame("MAKEDATA       DATA ", body);
        cached.clear();
        cached.reserve(frame.size() * frameCount);
        for (size_t i = 0; i < frameCount; ++i)
            cached += frame;
        cachedBytes = frameBytes;
    }
    return cached;
}

// Counts rows and collects acknowledgements in a write buffer, as the socket would.
class Sink : public exchange::FrameHandler
{
public:
    Sink() { m_out.reserve(2 * readBytes); }
    void sendFrame(std::string_view frame) override { m_out.append(frame); }
    void rowArrived(exchange::Command, std::string_view body) override
    {
        ++m_rows;
        m_bodyBytes += body.size();
    }
    void answerEnded(exchange::Command) override {}
    // What one read's frames are answered with goes out before the next read.
    void flush() { m_out.clear(); }
    size_t rows() const { return m_rows; }
    size_t bodyBytes() const { return m_bodyBytes; }

private:
    std::string m_out;
    size_t m_rows = 0;
    size_t m_bodyBytes = 0;
};

void PlainCopy(benchmark::State& state)
{
    const std::string& bytes = stream(size_t(state.range(0)));
    std::string buffer(readBytes, '\0');
    for (auto _ : state) {
        for (size_t at = 0; at < bytes.size(); at += readBytes) {
            const size_t n = std::min(readBytes, bytes.size() - at);
            std::memcpy(buffer.data(), bytes.data() + at, n);
            benchmark::DoNotOptimize(buffer.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
}

void ReassembleAndDispatch(benchmark::State& state)
{
    const std::string& bytes = stream(size_t(state.range(0)));
    for (auto _ : state) {
        exchange::FrameReader reader;
        Sink sink;
        for (size_t at = 0; at < bytes.size(); at += readBytes) {
            // As the driver reads: straight from the socket into the reader's room.
            const size_t n = std::min(readBytes, bytes.size() - at);
            std::memcpy(reader.prepare(n), bytes.data() + at, n);
            reader.commit(n);
            exchange::Frame frame;
            while (reader.next(frame) == exchange::FrameReader::Status::Frame)
                exchange::dispatchFrame(frame, sink);
            sink.flush();
        }
        if (sink.rows() != frameCount)
            state.SkipWithError("frames lost");
        benchmark::DoNotOptimize(sink.bodyBytes());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
    state.counters["frames/s"] =
        benchmark::Counter(double(state.iterations() * frameCount), benchmark::Counter::kIsRate);
}

} // namespace

// 100-byte frames are the case of the figure; 25-byte frames (empty bodies, four times as many
// frames per read) are the worst case for per-frame cost.
BENCHMARK(PlainCopy)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond);
BENCHMARK(ReassembleAndDispatch)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

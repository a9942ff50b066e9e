#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace server {

// Counters for the operators' page, shared by every event loop: plain atomics, so that counting
// costs a request next to nothing.
class Metrics
{
public:
    enum class Refusal { TooManyConnections, TooManyFromAddress, Count };
    enum class Close { Idle, RequestDeadline, NotReading, UnsentBudget, BadLength, Count };
    // By command word, as in exchange::Command.
    static constexpr int requestKinds = 5;
    enum class Outcome { Answered, Malformed, Refused, DatabaseError, NoStatement, Count };

    std::atomic<int64_t> open{0};
    std::atomic<int64_t> accepted{0};
    std::atomic<int64_t> unsentBytes{0};

    void refused(Refusal why) { ++m_refused[size_t(why)]; }
    void closed(Close why) { ++m_closed[size_t(why)]; }
    void request(int kind, int outcome, int64_t micros);

    // The page in the Prometheus text form.
    std::string page(int lockedAddresses, bool databaseUp) const;

private:
    // Upper bounds of the latency buckets, in microseconds.
    static constexpr std::array<int64_t, 12> bucketMicros = {
        100, 250, 500, 1000, 2500, 5000, 10000, 25000, 50000, 100000, 250000, 1000000};

    std::array<std::atomic<int64_t>, size_t(Refusal::Count)> m_refused{};
    std::array<std::atomic<int64_t>, size_t(Close::Count)> m_closed{};
    std::array<std::array<std::atomic<int64_t>, size_t(Outcome::Count)>, requestKinds> m_requests{};
    std::array<std::atomic<int64_t>, bucketMicros.size() + 1> m_buckets{};
    std::atomic<int64_t> m_latencySumMicros{0};
};

} // namespace server

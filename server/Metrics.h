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
    // Why a TLS handshake did not complete.
    enum class HandshakeFailure {
        NotTls,             // the first bytes are no TLS record: a plain client or garbage
        ProtocolVersion,    // a version below the minimum
        NoSharedCipher,     // no cipher or group both sides take
        CertificateRefused, // the client's alert: it does not accept the certificate
        PeerClosed,         // the client closed during the handshake
        Deadline,           // not complete within the request deadline
        Other,
        Count
    };

    std::atomic<int64_t> open{0};
    std::atomic<int64_t> accepted{0};
    std::atomic<int64_t> unsentBytes{0};
    // Open connections of the TLS port; completed TLS handshakes, and those of them that resumed
    // a session.
    std::atomic<int64_t> tlsOpen{0};
    std::atomic<int64_t> tlsHandshakes{0};
    std::atomic<int64_t> tlsResumed{0};
    std::atomic<int64_t> tlsReloads{0};
    std::atomic<int64_t> tlsReloadFailures{0};

    void refused(Refusal why) { ++m_refused[size_t(why)]; }
    void closed(Close why) { ++m_closed[size_t(why)]; }
    void handshakeFailed(HandshakeFailure why) { ++m_handshakeFailures[size_t(why)]; }
    void request(int kind, int outcome, int64_t micros);

    // The page in the Prometheus text form.
    std::string page(int lockedAddresses, bool databaseUp) const;

private:
    // Upper bounds of the latency buckets, in microseconds.
    static constexpr std::array<int64_t, 12> bucketMicros = {
        100, 250, 500, 1000, 2500, 5000, 10000, 25000, 50000, 100000, 250000, 1000000};

    std::array<std::atomic<int64_t>, size_t(Refusal::Count)> m_refused{};
    std::array<std::atomic<int64_t>, size_t(Close::Count)> m_closed{};
    std::array<std::atomic<int64_t>, size_t(HandshakeFailure::Count)> m_handshakeFailures{};
    std::array<std::array<std::atomic<int64_t>, size_t(Outcome::Count)>, requestKinds> m_requests{};
    std::array<std::atomic<int64_t>, bucketMicros.size() + 1> m_buckets{};
    std::atomic<int64_t> m_latencySumMicros{0};
};

} // namespace server

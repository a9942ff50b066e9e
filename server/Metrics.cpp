#include "server/Metrics.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <type_traits>

namespace server {

namespace {

constexpr const char* refusalNames[] = {"max_connections", "max_per_address"};
constexpr const char* closeNames[] = {"idle", "request_deadline", "not_reading", "unsent_budget",
                                      "bad_length"};
constexpr const char* handshakeFailureNames[] = {"not_tls",
                                                 "protocol_version",
                                                 "no_shared_cipher",
                                                 "certificate_refused",
                                                 "peer_closed",
                                                 "deadline",
                                                 "other"};
static_assert(std::size(handshakeFailureNames) == size_t(Metrics::HandshakeFailure::Count));
constexpr const char* kindNames[] = {"MAKEKEY", "MAKECUST", "MAKEDATE", "MAKEDATA", "other"};
constexpr const char* outcomeNames[] = {"answered", "malformed", "refused", "database_error",
                                        "no_statement"};

void line(std::string& out, const char* format, auto... values)
{
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, format, values...);
    out.append(buffer, size_t(std::max(0, std::min(n, int(sizeof buffer) - 1))));
}

// A metric's HELP and TYPE lines, which name it once for all its lines.
void family(std::string& out, const char* name, const char* type, const char* help)
{
    line(out, "# HELP %s %s\n# TYPE %s %s\n", name, help, name, type);
}

// A metric of one value.
void single(std::string& out, const char* name, const char* type, const char* help, int64_t value)
{
    family(out, name, type, help);
    line(out, "%s %lld\n", name, (long long)value);
}

// A counter with a value for each of `names`, told apart by `label`.
template <size_t N>
void byLabel(std::string& out, const char* name, const char* help, const char* label,
             const char* const (&names)[N], const auto& counters)
{
    static_assert(N == std::tuple_size_v<std::remove_cvref_t<decltype(counters)>>);
    family(out, name, "counter", help);
    for (size_t i = 0; i < N; ++i)
        line(out, "%s{%s=\"%s\"} %lld\n", name, label, names[i], (long long)counters[i].load());
}

} // namespace

void Metrics::request(int kind, int outcome, int64_t micros)
{
    ++m_requests[size_t(kind)][size_t(outcome)];
    m_latencySumMicros += micros;
    size_t bucket = 0;
    while (bucket < bucketMicros.size() && micros > bucketMicros[bucket])
        ++bucket;
    ++m_buckets[bucket];
}

std::string Metrics::page(int lockedAddresses, bool databaseUp) const
{
    std::string out;
    single(out, "mirola_database_up", "gauge",
           "Whether every database connection of the server is open.", databaseUp ? 1 : 0);
    single(out, "mirola_connections_open", "gauge", "Client connections open now.", open.load());
    single(out, "mirola_connections_accepted_total", "counter", "Client connections accepted.",
           accepted.load());
    byLabel(out, "mirola_connections_refused_total", "Connections refused, by reason.", "reason",
            refusalNames, m_refused);
    byLabel(out, "mirola_connections_dropped_total", "Connections the server closed, by reason.",
            "reason", closeNames, m_closed);
    single(out, "mirola_tls_connections_open", "gauge", "Connections of the TLS port open now.",
           tlsOpen.load());
    single(out, "mirola_tls_handshakes_total", "counter", "TLS handshakes completed.",
           tlsHandshakes.load());
    single(out, "mirola_tls_resumed_total", "counter",
           "TLS handshakes that resumed an earlier session.", tlsResumed.load());
    byLabel(out, "mirola_tls_handshake_failures_total", "TLS handshakes that failed, by reason.",
            "reason", handshakeFailureNames, m_handshakeFailures);
    family(out, "mirola_tls_reloads_total", "counter", "Certificate reloads on SIGHUP, by result.");
    line(out, "mirola_tls_reloads_total{result=\"loaded\"} %lld\n", (long long)tlsReloads.load());
    line(out, "mirola_tls_reloads_total{result=\"failed\"} %lld\n",
         (long long)tlsReloadFailures.load());
    single(out, "mirola_unsent_bytes", "gauge", "Answer bytes waiting for slow readers.",
           unsentBytes.load());
    family(out, "mirola_requests_total", "counter", "Requests, by command and outcome.");
    for (size_t k = 0; k < m_requests.size(); ++k)
        for (size_t o = 0; o < m_requests[k].size(); ++o)
            line(out, "mirola_requests_total{command=\"%s\",outcome=\"%s\"} %lld\n", kindNames[k],
                 outcomeNames[o], (long long)m_requests[k][o].load());
    single(out, "mirola_locked_addresses", "gauge",
           "Addresses locked for failed security-number matches.", lockedAddresses);
    family(out, "mirola_request_seconds", "histogram",
           "Time to answer a request, the queries included.");
    int64_t cumulative = 0;
    for (size_t i = 0; i < bucketMicros.size(); ++i) {
        cumulative += m_buckets[i].load();
        line(out, "mirola_request_seconds_bucket{le=\"%g\"} %lld\n", double(bucketMicros[i]) / 1e6,
             (long long)cumulative);
    }
    cumulative += m_buckets.back().load();
    line(out, "mirola_request_seconds_bucket{le=\"+Inf\"} %lld\n", (long long)cumulative);
    line(out, "mirola_request_seconds_sum %.6f\n", double(m_latencySumMicros.load()) / 1e6);
    line(out, "mirola_request_seconds_count %lld\n", (long long)cumulative);
    return out;
}

} // namespace server

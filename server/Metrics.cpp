#include "server/Metrics.h"

#include <algorithm>
#include <cstdio>

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
    out += "# HELP mirola_database_up Whether every database connection of the server is open.\n"
           "# TYPE mirola_database_up gauge\n";
    line(out, "mirola_database_up %d\n", databaseUp ? 1 : 0);
    out += "# HELP mirola_connections_open Client connections open now.\n"
           "# TYPE mirola_connections_open gauge\n";
    line(out, "mirola_connections_open %lld\n", (long long)open.load());
    out += "# HELP mirola_connections_accepted_total Client connections accepted.\n"
           "# TYPE mirola_connections_accepted_total counter\n";
    line(out, "mirola_connections_accepted_total %lld\n", (long long)accepted.load());
    out += "# HELP mirola_connections_refused_total Connections refused, by reason.\n"
           "# TYPE mirola_connections_refused_total counter\n";
    for (size_t i = 0; i < m_refused.size(); ++i)
        line(out, "mirola_connections_refused_total{reason=\"%s\"} %lld\n", refusalNames[i],
             (long long)m_refused[i].load());
    out += "# HELP mirola_connections_dropped_total Connections the server closed, by reason.\n"
           "# TYPE mirola_connections_dropped_total counter\n";
    for (size_t i = 0; i < m_closed.size(); ++i)
        line(out, "mirola_connections_dropped_total{reason=\"%s\"} %lld\n", closeNames[i],
             (long long)m_closed[i].load());
    out += "# HELP mirola_tls_connections_open Connections of the TLS port open now.\n"
           "# TYPE mirola_tls_connections_open gauge\n";
    line(out, "mirola_tls_connections_open %lld\n", (long long)tlsOpen.load());
    out += "# HELP mirola_tls_handshakes_total TLS handshakes completed.\n"
           "# TYPE mirola_tls_handshakes_total counter\n";
    line(out, "mirola_tls_handshakes_total %lld\n", (long long)tlsHandshakes.load());
    out += "# HELP mirola_tls_resumed_total TLS handshakes that resumed an earlier session.\n"
           "# TYPE mirola_tls_resumed_total counter\n";
    line(out, "mirola_tls_resumed_total %lld\n", (long long)tlsResumed.load());
    out += "# HELP mirola_tls_handshake_failures_total TLS handshakes that failed, by reason.\n"
           "# TYPE mirola_tls_handshake_failures_total counter\n";
    for (size_t i = 0; i < m_handshakeFailures.size(); ++i)
        line(out, "mirola_tls_handshake_failures_total{reason=\"%s\"} %lld\n",
             handshakeFailureNames[i], (long long)m_handshakeFailures[i].load());
    out += "# HELP mirola_tls_reloads_total Certificate reloads on SIGHUP, by result.\n"
           "# TYPE mirola_tls_reloads_total counter\n";
    line(out, "mirola_tls_reloads_total{result=\"loaded\"} %lld\n", (long long)tlsReloads.load());
    line(out, "mirola_tls_reloads_total{result=\"failed\"} %lld\n",
         (long long)tlsReloadFailures.load());
    out += "# HELP mirola_unsent_bytes Answer bytes waiting for slow readers.\n"
           "# TYPE mirola_unsent_bytes gauge\n";
    line(out, "mirola_unsent_bytes %lld\n", (long long)unsentBytes.load());
    out += "# HELP mirola_requests_total Requests, by command and outcome.\n"
           "# TYPE mirola_requests_total counter\n";
    for (size_t k = 0; k < m_requests.size(); ++k)
        for (size_t o = 0; o < m_requests[k].size(); ++o)
            line(out, "mirola_requests_total{command=\"%s\",outcome=\"%s\"} %lld\n", kindNames[k],
                 outcomeNames[o], (long long)m_requests[k][o].load());
    out += "# HELP mirola_locked_addresses Addresses locked for failed security-number matches.\n"
           "# TYPE mirola_locked_addresses gauge\n";
    line(out, "mirola_locked_addresses %d\n", lockedAddresses);
    out += "# HELP mirola_request_seconds Time to answer a request, the queries included.\n"
           "# TYPE mirola_request_seconds histogram\n";
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

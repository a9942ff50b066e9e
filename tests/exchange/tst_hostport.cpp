// The one HOST:PORT reading of every program: the viewer's --server, the web front's --server
// and --listen, the statement server's --listen and --metrics.
#include "exchange/HostPort.h"

#include <gtest/gtest.h>

using exchange::HostPortUse;

namespace {

struct Case
{
    const char* name;
    const char* text;
    HostPortUse use;
    const char* host; // nullptr: refused
    int port;         // when read
    // For Listen: the address listened on ("any" for both families, as one dual-stack socket);
    // for a refusal: part of its text.
    const char* address;
};

constexpr HostPortUse connect = HostPortUse::Connect;
constexpr HostPortUse listen = HostPortUse::Listen;

const Case cases[] = {
    {"a name and a port", "statements.example:1021", connect, "statements.example", 1021, ""},
    {"an IPv4 address", "127.0.0.1:1", connect, "127.0.0.1", 1, ""},
    {"an IPv6 address in brackets", "[::1]:65535", connect, "::1", 65535, ""},
    {"a scoped IPv6 address", "[fe80::1%lo]:1021", connect, "fe80::1%lo", 1021, ""},
    {"no port", "here", connect, nullptr, 0, "--server wants HOST:PORT, not 'here'"},
    {"an empty port", "here:", connect, nullptr, 0, "bad port in --server 'here:'"},
    {"port 0 to connect to", "here:0", connect, nullptr, 0, "a number from 1 to 65535"},
    {"a port beyond 65535", "here:65536", connect, nullptr, 0, "bad port"},
    {"a port with a sign", "here:+80", connect, nullptr, 0, "bad port"},
    {"a port with a space", "here: 80", connect, nullptr, 0, "bad port"},
    {"a port of six digits", "here:001021", connect, nullptr, 0, "bad port"},
    {"a port in hexadecimal", "here:0x50", connect, nullptr, 0, "bad port"},
    {"no host to connect to", ":1021", connect, nullptr, 0, "no host"},
    {"an IPv6 address without brackets", "::1:1021", connect, nullptr, 0, "goes in brackets"},
    {"an unclosed bracket", "[::1:1021", connect, nullptr, 0, "not closed"},
    {"brackets without a port", "[::1]", connect, nullptr, 0, "no port after"},
    {"brackets and a space before the port", "[::1] :1021", connect, nullptr, 0, "no port after"},
    {"brackets around a name", "[here]:1021", connect, nullptr, 0, "hold an IPv6 address"},
    {"brackets around an IPv4 address", "[127.0.0.1]:1021", connect, nullptr, 0, "IPv6"},
    {"every address by an empty host", ":1021", listen, "", 1021, "any"},
    {"every address by a star", "*:0", listen, "*", 0, "any"},
    {"localhost is the IPv4 loopback", "localhost:8080", listen, "localhost", 8080, "127.0.0.1"},
    {"port 0 to listen on: any free one", "127.0.0.1:0", listen, "127.0.0.1", 0, "127.0.0.1"},
    {"an IPv6 address to listen on", "[::1]:0", listen, "::1", 0, "::1"},
    {"every IPv6 address", "[::]:1021", listen, "::", 1021, "::"},
    {"a name to listen on", "statements.example:1021", listen, nullptr, 0, "listens on an IP"},
    {"an IPv6 address to listen on without brackets", ":::1021", listen, nullptr, 0, "brackets"},
    {"a port beyond 65535 to listen on", "127.0.0.1:70000", listen, nullptr, 0, "0 to 65535"},
};

} // namespace

TEST(HostPort, Table)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exchange::HostPort out;
        const std::string problem =
            exchange::parseHostPort(c.text, c.use, c.use == connect ? "--server" : "--listen", out);
        if (!c.host) {
            EXPECT_NE(problem.find(c.address), std::string::npos) << problem;
            continue;
        }
        ASSERT_EQ(problem, "");
        EXPECT_EQ(out.host, c.host);
        EXPECT_EQ(out.port, c.port);
        if (c.use == listen) {
            EXPECT_EQ(out.address, std::string(c.address) == "any"
                                       ? QHostAddress(QHostAddress::Any)
                                       : QHostAddress(QString::fromLatin1(c.address)));
        }
        // What the parser reads, the joiner writes back so that the parser reads it again.
        exchange::HostPort again;
        if (c.use == connect) {
            EXPECT_EQ(exchange::parseHostPort(exchange::joinHostPort(out.host, out.port), c.use,
                                              "--server", again),
                      "");
            EXPECT_EQ(again.host, out.host);
        }
    }
}

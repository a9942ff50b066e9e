#pragma once

#include <QHostAddress>
#include <string>
#include <string_view>

namespace exchange {

// What a HOST:PORT names: where to connect, or where to listen.
enum class HostPortUse {
    Connect, // a host name or address and a port from 1 to 65535
    Listen   // an address ("" or "*" for every one, "localhost") and a port, 0 for any free one
};

struct HostPort
{
    std::string host; // without the brackets of an IPv6 address
    quint16 port = 0;
    // For Listen only: the address the host names.
    QHostAddress address;
};

// The one reading of HOST:PORT for every program and option. An IPv6 address goes in brackets
// ("[::1]:1021"), since its own colons would make the port ambiguous; the port is plain digits.
// Returns what is wrong, as a line for the command line's error message naming `option`; empty
// when `text` is good and `out` holds it.
std::string parseHostPort(std::string_view text, HostPortUse use, std::string_view option,
                          HostPort& out);

// "host:port", an IPv6 address in brackets, as the parser reads it back.
std::string joinHostPort(std::string_view host, quint16 port);

} // namespace exchange

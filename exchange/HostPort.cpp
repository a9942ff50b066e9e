#include "exchange/HostPort.h"

#include <QString>

namespace exchange {

namespace {

// Five digits hold every port; more, even with leading zeros, is a typing mistake.
constexpr size_t maxPortDigits = 5;

bool readPort(std::string_view digits, HostPortUse use, quint16& port)
{
    if (digits.empty() || digits.size() > maxPortDigits ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const int value = std::stoi(std::string(digits));
    if (value > 65535 || (value == 0 && use == HostPortUse::Connect))
        return false;
    port = quint16(value);
    return true;
}

} // namespace

std::string parseHostPort(std::string_view text, HostPortUse use, std::string_view option,
                          HostPort& out)
{
    const std::string named = std::string(option) + " '" + std::string(text) + "'";
    std::string wants = std::string(option) + " wants HOST:PORT, not '" + std::string(text) + "'";
    std::string_view host;
    std::string_view port;
    bool bracketed = false;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos)
            return wants + ": the IPv6 address's bracket is not closed";
        if (close + 1 >= text.size() || text[close + 1] != ':')
            return wants + ": no port after the bracketed address";
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        bracketed = true;
    } else {
        const size_t colon = text.rfind(':');
        if (colon == std::string_view::npos)
            return wants;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return wants + ": an IPv6 address goes in brackets, as [::1]:1021";
    }
    if (!readPort(port, use, out.port))
        return "bad port in " + named + ": a number from " +
               (use == HostPortUse::Connect ? "1" : "0") + " to 65535";
    QHostAddress address;
    const QString hostText = QString::fromStdString(std::string(host));
    if (bracketed &&
        (!address.setAddress(hostText) || address.protocol() != QAbstractSocket::IPv6Protocol))
        return "bad address in " + named + ": brackets hold an IPv6 address";
    if (use == HostPortUse::Connect) {
        if (host.empty())
            return wants + ": no host";
    } else if (!bracketed) {
        if (host.empty() || host == "*")
            address = QHostAddress(QHostAddress::Any);
        else if (host == "localhost")
            address = QHostAddress(QHostAddress::LocalHost);
        else if (!address.setAddress(hostText) ||
                 address.protocol() != QAbstractSocket::IPv4Protocol)
            return "bad address in " + named +
                   ": listens on an IP address, localhost, or * for every address";
    }
    out.host = std::string(host);
    out.address = address;
    return {};
}

std::string joinHostPort(std::string_view host, quint16 port)
{
    const std::string h(host);
    return (h.find(':') != std::string::npos ? "[" + h + "]" : h) + ":" + std::to_string(port);
}

} // namespace exchange

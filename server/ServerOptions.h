#pragma once

#include "server/RequestGuard.h"
#include "server/StatementServer.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace server {

// The command line of mirola-server.
struct ServerOptions
{
    // The statement server's well-known port; below 1024 it needs the right to bind there.
    static constexpr quint16 defaultPort = 1021;

    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = defaultPort;
    // The plain port is served unless only a TLS port is asked for.
    bool plain = true;
    bool tls = false;
    QHostAddress tlsAddress;
    quint16 tlsPort = 0;
    QString tlsCertificate;
    QString tlsKey;
    QString database; // sqlite:PATH or postgresql://...
    bool init = false;
    bool help = false;
    bool version = false;
    // Where the operators' page is served, if it is.
    bool metrics = false;
    QHostAddress metricsAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 metricsPort = 0;
    StatementServer::Settings server;
    AccessGuard::Limits guard;

    // Empty on success; otherwise what is wrong with the arguments.
    QString parse(const QStringList& arguments);
    static QString helpText();
};

} // namespace server

#include "web/WebCommand.h"

#include "exchange/ExchangeDriver.h"
#include "exchange/HostPort.h"
#include "gfx/Font.h"
#include "web/WebServer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <iostream>
#include <mutex>

using namespace Qt::StringLiterals;

namespace web {

namespace {

int fail(const QString& message)
{
    std::cerr << "mirola web: " << message.toStdString() << '\n';
    return 2;
}

} // namespace

int runWebCommand(int argc, char** argv)
{
    // The report engine draws without a screen, as the export does.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"mirola"_s);
    // The same settings as the viewer's export, so that the page prints the same bytes.
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    gfx::InstallFontSubstitutions();

    QCommandLineParser parser;
    parser.setApplicationDescription(u"The statement viewer as a web page."_s);
    parser.addHelpOption();
    const QCommandLineOption listen(u"listen"_s,
                                    u"Where the page is served (default 127.0.0.1:8080)."_s,
                                    u"HOST:PORT"_s, u"127.0.0.1:8080"_s);
    const QCommandLineOption server(u"server"_s, u"The statement server."_s, u"HOST:PORT"_s);
    const QCommandLineOption serverTls(
        u"tls"_s, u"TLS to the statement server, its certificate verified; never plain instead."_s);
    const QCommandLineOption serverCa(
        u"ca"_s, u"Trust the statement server's certificate by this PEM file (implies --tls)."_s,
        u"FILE"_s);
    const QCommandLineOption config(u"config"_s, u"Deployment settings (INI)."_s, u"FILE"_s);
    const QCommandLineOption cert(u"tls-cert"_s, u"Serve over TLS with this PEM certificate."_s,
                                  u"FILE"_s);
    const QCommandLineOption key(u"tls-key"_s, u"The certificate's PEM private key."_s, u"FILE"_s);
    const QCommandLineOption perClient(
        u"max-connections"_s, u"Open connections allowed per client address (default 8)."_s, u"N"_s,
        u"8"_s);
    const QCommandLineOption total(
        u"connection-limit"_s,
        u"Open connections allowed in all (default: half the open-file limit, at most 4096)."_s,
        u"N"_s);
    const QCommandLineOption hostName(
        u"host-name"_s,
        u"A name the page is served under (may be given more than once). Requests naming any "
        "other host are refused; an IP address and, on loopback, localhost always do."_s,
        u"NAME"_s);
    const QCommandLineOption allowPlain(
        u"allow-plain-network"_s,
        u"Serve without TLS on an address other machines reach, security numbers crossing the "
        "network in clear. Refused without this option."_s);
    const QCommandLineOption idle(
        u"idle-timeout"_s, u"Close a connection that sends nothing this long (default 30)."_s,
        u"SECONDS"_s, u"30"_s);
    parser.addOptions({listen, server, serverTls, serverCa, config, cert, key, perClient, total,
                       idle, hostName, allowPlain});
    QStringList arguments = application.arguments();
    if (arguments.size() > 1)
        arguments.removeAt(1); // "web"
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(u"help"_s)) {
        std::cout << parser.helpText().replace(arguments.value(0), u"mirola web"_s).toStdString();
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(u"unexpected argument "_s + parser.positionalArguments().first());

    WebOptions options;
    try {
        options.config = viewer::Configuration::load(parser.value(config).toStdString());
    } catch (const std::exception& e) {
        return fail(QString::fromStdString(e.what()));
    }
    exchange::HostPort where;
    if (parser.isSet(server)) {
        const std::string problem = exchange::parseHostPort(
            parser.value(server).toStdString(), exchange::HostPortUse::Connect, "--server", where);
        if (!problem.empty())
            return fail(QString::fromStdString(problem));
        options.config.host = where.host;
        options.config.port = where.port;
    }
    if (parser.isSet(serverCa)) {
        options.config.ca = parser.value(serverCa).toStdString();
        std::string problem;
        if (exchange::ExchangeDriver::readTrusted(options.config.ca, problem).isEmpty())
            return fail(u"--ca "_s + QString::fromStdString(problem));
    }
    options.config.tls = options.config.tls || parser.isSet(serverTls) || parser.isSet(serverCa);
    const std::string problem = exchange::parseHostPort(
        parser.value(listen).toStdString(), exchange::HostPortUse::Listen, "--listen", where);
    if (!problem.empty())
        return fail(QString::fromStdString(problem));
    HttpSettings& http = options.http;
    http.address = where.address;
    http.port = where.port;
    if (parser.isSet(cert) != parser.isSet(key))
        return fail(u"--tls-cert and --tls-key go together"_s);
    http.tlsCertificate = parser.value(cert);
    http.tlsKey = parser.value(key);
    bool ok = false;
    http.maxConnectionsPerClient = parser.value(perClient).toInt(&ok);
    if (!ok || http.maxConnectionsPerClient < 1)
        return fail(u"--max-connections wants a positive number"_s);
    if (parser.isSet(total)) {
        http.maxConnections = parser.value(total).toInt(&ok);
        if (!ok || http.maxConnections < 1)
            return fail(u"--connection-limit wants a positive number"_s);
    }
    http.idleTimeoutS = parser.value(idle).toInt(&ok);
    // A day at most, as the statement server's.
    if (!ok || http.idleTimeoutS < 1 || http.idleTimeoutS > 24 * 3600)
        return fail(u"--idle-timeout wants a number of seconds, at most 86400"_s);
    http.hostNames = parser.values(hostName);
    // Any address but loopback is reached by other machines: the security numbers the page
    // sends would cross the network in clear.
    if (!http.address.isLoopback() && http.tlsCertificate.isEmpty()) {
        if (!parser.isSet(allowPlain))
            return fail(u"--listen "_s + parser.value(listen) +
                        u" is reached from the network: give --tls-cert and --tls-key, or "
                        "--allow-plain-network to send security numbers in clear"_s);
        std::cerr << "mirola web: warning: serving without TLS on "
                  << parser.value(listen).toStdString()
                  << ": security numbers cross the network in clear" << std::endl;
    }
    options.log = [](const QString& line) {
        // Lines of the workers, one at a time.
        static std::mutex mutex;
        const std::lock_guard lock(mutex);
        std::cerr << line.toStdString() << std::endl;
    };

    WebServer web(options);
    QString error;
    if (!web.listen(error))
        return fail(error);
    const QString shown = http.address.protocol() == QAbstractSocket::IPv6Protocol
                              ? u"["_s + http.address.toString() + u"]"_s
                              : http.address.toString();
    std::cerr << "mirola web: listening on " << (web.tls() ? "https" : "http") << "://"
              << shown.toStdString() << ':' << web.port() << "/ (statement server "
              << exchange::joinHostPort(options.config.host, options.config.port)
              << (options.config.tls ? ", TLS" : "") << ')' << std::endl;
    return application.exec();
}

} // namespace web

#pragma once

#include "viewer/Configuration.h"
#include "web/GuessGuard.h"
#include "web/HttpServer.h"
#include "web/PrintStore.h"
#include "web/StatementExchange.h"

#include <QSemaphore>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

namespace web {

struct WebOptions
{
    HttpSettings http; // where and how the page is served, and the bounds on its visitors
    viewer::Configuration config; // the statement server, the supplier and the seal
    int chainTimeoutMs = 30000;
    GuessGuard::Limits guesses;
    // One line per request: address, method, path, status. Never a body.
    std::function<void(const QString&)> log;
};

// The viewer as a web page: serves the page and a JSON interface whose every answer comes from
// one request chain to the statement server, made by the exchange driver, and whose printed
// statement is the page the export writes.
class WebServer
{
public:
    explicit WebServer(WebOptions options);
    ~WebServer();

    // Starts listening; false with a message when the address or the TLS files cannot be used.
    bool listen(QString& error);
    quint16 port() const;
    bool tls() const;

private:
    std::optional<HttpAnswer> quick(const HttpRequest& request) const;
    HttpAnswer slow(const HttpRequest& request);
    HttpAnswer companies();
    HttpAnswer statement(const HttpRequest& request, bool needDate);
    HttpAnswer printed(const HttpRequest& request, bool pdf);
    // The chain of a search, bounded by the visitor's guesses; a refusal when paused.
    std::optional<HttpAnswer> guardedFetch(const HttpRequest& request, const SearchQuery& query,
                                           StatementData& data);
    // The statement printed for this search, made once and held briefly; a refusal instead.
    std::shared_ptr<const PrintedStatement> print(const HttpRequest& request,
                                                  const SearchQuery& query, HttpAnswer& refusal);
    ServerAddress serverAddress() const;

    WebOptions m_options;
    QSize m_pagePixels;
    GuessGuard m_guesses;
    PrintStore m_store;
    // Generating is work for a core; more at once only share the cores more thinly.
    QSemaphore m_generators;
    std::unique_ptr<HttpServer> m_http;
};

} // namespace web

#include "web/StatementExchange.h"

#include "exchange/ExchangeDriver.h"
#include "exchange/ViewerHost.h"
#include "text/Cp949.h"
#include "viewer/StatementInputs.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

namespace web {

namespace {

// The viewer's fields as one chain needs them: what the request builders read, where the row
// handlers write. It stands where the form stands for the exchange driver, so the requests,
// acknowledgements and chaining are the driver's own.
class ChainHost : public exchange::ViewerHost
{
public:
    ChainHost(StatementData& data, const SearchQuery& query) : m_data(data), m_query(query)
    {
        m_fields[int(Edit::SUBULYEAR)] = std::to_string(query.year);
        m_fields[int(Edit::SSUBULMONTH)] = std::to_string(query.fromMonth);
        m_fields[int(Edit::ESUBULMONTH)] = std::to_string(query.toMonth);
        m_fields[int(Edit::PassWD)] = query.password;
    }

    std::function<void()> onClosed;
    bool connected = false;
    bool closed = false;
    bool linesRequested = false;

    std::string editText(Edit edit) const override { return m_fields[int(edit)]; }
    void setEditText(Edit edit, const std::string& text) override { m_fields[int(edit)] = text; }
    std::string selectedCustItem() const override { return m_query.company; }
    void clearCustList() override { m_data.companies.clear(); }
    void addCustItem(const std::string& item) override { m_data.companies.push_back(item); }
    void setCustItemIndex(int) override {}

    int grid1DataRowCount() const override { return int(m_data.statement.dates().size()); }
    // The asked-for date is the current row, as if the person had moved to it; a date beyond
    // the list falls back to the first, where the search leaves the focus.
    int grid1Row() const override
    {
        return m_query.date >= 1 && m_query.date <= grid1DataRowCount() ? m_query.date : 1;
    }
    std::string grid1DataCell(int col, int dataRow) const override
    {
        const exchange::TradingDate& d = m_data.statement.dates().at(size_t(dataRow));
        return col == 0 ? d.date : d.seq;
    }

    void DataClear2Execute() override
    {
        linesRequested = true;
        m_data.statement.clearLines();
        m_data.selected = grid1DataRowCount() > 0 ? grid1Row() : 0;
    }

    void setSearchEnabled(bool enabled) override
    {
        // The driver disables search on connect and enables it again on disconnect.
        if (!enabled) {
            connected = true;
            return;
        }
        closed = true;
        if (onClosed)
            onClosed();
    }
    void setGrid1ClickAttached(bool) override {}
    void setStatusText(const std::string&) override {}
    void showMessage(const std::string& text) override { m_data.message = text; }

    void SocketMakeKey(std::string_view row) override { addCustItem(exchange::companyItem(row)); }
    void SocketMakeCust(std::string_view row) override { m_data.statement.takeParticulars(row); }
    void SocketMakeDate(std::string_view row) override { m_data.statement.addDate(row); }
    void SocketMakeData(std::string_view row) override { m_data.statement.addLine(row); }

private:
    StatementData& m_data;
    const SearchQuery& m_query;
    std::string m_fields[4];
};

// Runs `start` on a thread of its own with the driver and waits there until the connection
// has closed again. The driver's wait for its connection runs a nested event loop; on a thread
// of its own that loop sees only this chain's socket, never the web server's requests.
StatementData runChain(const ServerAddress& server, const SearchQuery& query, bool search)
{
    StatementData data;
    auto work = [&] {
        ChainHost host(data, query);
        exchange::ExchangeDriver driver(host);
        driver.setServer(QString::fromStdString(server.host), quint16(server.port));
        driver.setConnectTimeoutMs(server.connectTimeoutMs);
        driver.setTls(server.tls, server.ca);
        QEventLoop loop;
        host.onClosed = [&loop] { loop.quit(); };
        bool timedOut = false;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, [&] {
            timedOut = true;
            driver.close();
            loop.quit();
        });
        deadline.start(server.chainTimeoutMs);
        try {
            if (search) {
                // The search command's own check, before anything is sent.
                driver.queryRange();
                driver.MakeCustExecute();
            } else {
                driver.MakeKeyExecute();
            }
        } catch (const std::exception& e) {
            data.end = ChainEnd::Refused;
            data.message = e.what();
            return;
        }
        // A failed connect has closed the chain inside the send already.
        if (host.connected && !host.closed)
            loop.exec();
        if (!host.closed) // the deadline fired while the connect was still under way
            driver.close();
        if (!host.connected)
            data.end = ChainEnd::Unreachable;
        else if (timedOut)
            data.end = ChainEnd::TimedOut;
        // An answer that ended without its END frame is short of rows: a statement missing
        // lines would print as if it were whole.
        else if ((search && !host.linesRequested) ||
                 driver.lastOutcome() != exchange::Outcome::Complete)
            data.end = ChainEnd::Cut;
    };
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    thread->wait();
    if (!search && !data.companies.empty())
        data.companies.erase(data.companies.begin()); // the prompt item
    return data;
}

} // namespace

printing::StatementInputs StatementData::statementInputs() const
{
    return viewer::statementInputs(statement, selected);
}

StatementData fetchCompanies(const ServerAddress& server)
{
    return runChain(server, SearchQuery{}, false);
}

StatementData fetchStatement(const ServerAddress& server, const SearchQuery& query)
{
    return runChain(server, query, true);
}

} // namespace web

#include "exchange/ExchangeDriver.h"

#include "exchange/RequestTexts.h"
#include "text/Cp949.h"
#include "text/Dates.h"
#include "text/Integers.h"

#include <QDate>
#include <QEventLoop>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace exchange {

ExchangeDriver::ExchangeDriver(ViewerHost& host, QObject* parent)
    : QObject(parent), m_host(host), m_socket(new QTcpSocket(this)), m_hostName(u"localhost"_s)
{
    connect(m_socket, &QTcpSocket::connected, this, &ExchangeDriver::ClientSocket1Connect);
    connect(m_socket, &QTcpSocket::disconnected, this, &ExchangeDriver::socketDisconnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &ExchangeDriver::ClientSocket1Read);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &ExchangeDriver::ClientSocket1Error);
}

ExchangeDriver::~ExchangeDriver()
{
    // The form that hosts us is going away as well: no handler may reach it any more.
    m_socket->disconnect(this);
    if (m_wait)
        m_wait->quit();
}

void ExchangeDriver::setServer(const QString& hostName, quint16 port)
{
    m_hostName = hostName;
    m_port = port;
}

void ExchangeDriver::MakeKeyExecute()
{
    const QDate today = QDate::currentDate();
    const text::Date date{today.year(), today.month(), today.day()};
    m_host.setEditText(ViewerHost::Edit::SUBULYEAR, text::FormatDateTime("yyyy", date));
    m_host.setEditText(ViewerHost::Edit::SSUBULMONTH, text::FormatDateTime("mm", date));
    m_host.setEditText(ViewerHost::Edit::ESUBULMONTH, text::FormatDateTime("mm", date));
    m_host.clearCustList();
    m_host.addCustItem(text::cp949("     업체를 선택하세요!"));
    m_host.setCustItemIndex(0);
    SocketSendData(formFrame(makeKeyFields, makeKeyText()));
}

void ExchangeDriver::MakeCustExecute()
{
    const std::string code = customerCode(m_host.selectedCustItem());
    const std::string password = securityNumber(m_host.editText(ViewerHost::Edit::PassWD));
    SocketSendData(formFrame(makeCustFields, makeCustText(code, password)));
}

DateRange ExchangeDriver::queryRange() const
{
    const int year = fieldInteger(m_host.editText(ViewerHost::Edit::SUBULYEAR));
    const int startMonth = fieldInteger(m_host.editText(ViewerHost::Edit::SSUBULMONTH));
    const int endMonth = fieldInteger(m_host.editText(ViewerHost::Edit::ESUBULMONTH));
    return dateRange(year, startMonth, endMonth);
}

void ExchangeDriver::MakeDateExecute()
{
    const DateRange range = queryRange();
    const std::string code = customerCode(m_host.selectedCustItem());
    const std::string password = securityNumber(m_host.editText(ViewerHost::Edit::PassWD));
    SocketSendData(formFrame(makeDateFields, makeDateText(range, code, password)));
}

void ExchangeDriver::MakeDataExecute()
{
    m_host.DataClear2Execute();
    std::string request(socketEnding);
    if (m_host.grid1DataRowCount() > 0) {
        const int dataRow = m_host.grid1Row() - 1;
        const std::string date = m_host.grid1DataCell(0, dataRow);
        const int64_t seq = text::StrToInt64Def(m_host.grid1DataCell(1, dataRow), 0);
        request = makeDataText(date, seq);
    }
    SocketSendData(formFrame(makeDataFields, request));
}

bool ExchangeDriver::SocketSendData(const std::string& frame)
{
    if (frame.size() > maxFrameBytes) {
        m_host.showMessage(text::cp949("요청이 너무 길어 보낼 수 없습니다."));
        return false;
    }
    if (!m_active) {
        // One request at a time may wait; a second one would reopen the connection under it.
        if (m_wait)
            return false;
        if (!m_open) {
            m_open = true;
            m_socket->connectToHost(m_hostName, m_port);
        }
        QEventLoop loop;
        m_wait = &loop;
        QTimer::singleShot(m_connectTimeoutMs, &loop, &QEventLoop::quit);
        const QPointer<ExchangeDriver> alive(this);
        // Socket events, timers and user commands run nested in here, as they did while the
        // form pumped its message queue.
        if (m_open && !m_active)
            loop.exec();
        if (!alive)
            return false;
        m_wait = nullptr;
        if (!m_active) {
            if (m_open) {
                m_socket->abort();
                if (m_open)
                    ClientSocket1Disconnect();
            }
            return false;
        }
    }
    m_socket->write(frame.data(), qint64(frame.size()));
    return true;
}

void ExchangeDriver::close()
{
    if (!m_active)
        return;
    // Acknowledgements still queued go out before the connection ends.
    m_socket->flush();
    m_socket->disconnectFromHost();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    if (m_open)
        ClientSocket1Disconnect();
}

void ExchangeDriver::ClientSocket1Connect()
{
    m_active = true;
    m_host.setSearchEnabled(false);
    m_host.setGrid1ClickAttached(false);
    m_reader.clear();
    m_host.setStatusText(peerAddress());
    if (m_wait)
        m_wait->quit();
}

void ExchangeDriver::ClientSocket1Disconnect()
{
    m_open = false;
    m_active = false;
    m_reader.clear();
    m_host.setStatusText("Disconnect");
    m_host.setGrid1ClickAttached(true);
    m_host.setSearchEnabled(true);
    if (m_wait)
        m_wait->quit();
}

void ExchangeDriver::socketDisconnected()
{
    if (m_open)
        ClientSocket1Disconnect();
}

void ExchangeDriver::ClientSocket1Read()
{
    if (!m_active)
        return;
    m_host.setStatusText("Recive Data " + peerAddress());
    // Straight into the reassembly buffer, without a copy in between.
    const qint64 available = m_socket->bytesAvailable();
    if (available > 0) {
        const qint64 got = m_socket->read(m_reader.prepare(size_t(available)), available);
        m_reader.commit(got > 0 ? size_t(got) : 0);
    }

    std::string error;
    bool badLength = false;
    try {
        Frame frame;
        FrameReader::Status status;
        while ((status = m_reader.next(frame)) == FrameReader::Status::Frame)
            dispatchFrame(frame, *this);
        if (status == FrameReader::Status::Error) {
            badLength = true;
            error = m_reader.errorMessage();
        }
    } catch (const std::exception& e) {
        // Frames still buffered wait for the next read event; the connection stays open.
        error = e.what();
    }
    // A length that cannot be read would stop the stream for good.
    if (badLength)
        close();
    // Last, because the message box runs a nested event loop.
    if (!error.empty())
        m_host.showMessage(error);
}

void ExchangeDriver::ClientSocket1Error(QAbstractSocket::SocketError)
{
    // Swallowed: the user sees only "Disconnect" in the status line.
    m_socket->abort();
    if (m_open)
        ClientSocket1Disconnect();
}

void ExchangeDriver::sendFrame(std::string_view frame)
{
    if (m_active)
        m_socket->write(frame.data(), qint64(frame.size()));
}

void ExchangeDriver::rowArrived(Command command, std::string_view body)
{
    switch (command) {
    case Command::MakeKey:
        m_host.SocketMakeKey(body);
        break;
    case Command::MakeCust:
        m_host.SocketMakeCust(body);
        break;
    case Command::MakeDate:
        m_host.SocketMakeDate(body);
        break;
    case Command::MakeData:
        m_host.SocketMakeData(body);
        break;
    case Command::Other:
        break;
    }
}

void ExchangeDriver::answerEnded(Command command)
{
    if (command == Command::MakeCust)
        MakeDateExecute();
    else if (command == Command::MakeDate)
        MakeDataExecute();
    else
        close();
}

std::string ExchangeDriver::peerAddress() const
{
    return text::toCp949(m_socket->peerAddress().toString());
}

} // namespace exchange

// The viewer as a person meets it: start to first paint and to the filled company list, a
// search chain, a 10,000-line statement in grid 2 and the memory after it. Each figure is
// printed beside a peer measured in the same run.
#include "bench/support/PaintWatch.h"
#include "exchange/Frame.h"
#include "exchange/RequestTexts.h"
#include "grid/TImVarGrid.h"
#include "text/Cp949.h"
#include "viewer/TFmirola.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardItemModel>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int statementLines = 10000;
// Interleaved with the peer's runs and reported as medians: the machine is shared, and a mean
// takes in whatever else ran at the time.
constexpr int chainRuns = 50;

void waitFor(const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

long residentKiB()
{
    QFile f(u"/proc/self/status"_s);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The three requests of a search, sent plainly, each answer read to its END frame.
double rawChain(quint16 port)
{
    QElapsedTimer t;
    t.start();
    QTcpSocket s;
    s.connectToHost(u"127.0.0.1"_s, port);
    s.waitForConnected(5000);
    std::string date;
    std::string seq;
    const std::string code = "50001";
    const std::string pw = "1234";
    auto ask = [&](exchange::Command c, const std::string& text,
                   const std::function<void(std::string_view)>& row) {
        const std::string frame = exchange::formFrame(exchange::requestFields(c), text);
        s.write(frame.data(), qint64(frame.size()));
        std::string buffer;
        for (;;) {
            while (buffer.size() >= 5) {
                const size_t n = size_t(std::stoi(buffer.substr(0, 5)));
                if (buffer.size() < n)
                    break;
                const exchange::Frame f =
                    exchange::parseFrame(std::string_view(buffer).substr(0, n));
                if (f.type == "END")
                    return;
                if (f.type == "DATA")
                    row(f.body);
                buffer.erase(0, n);
            }
            if (!s.waitForReadyRead(5000))
                return;
            const QByteArray bytes = s.readAll();
            buffer.append(bytes.constData(), size_t(bytes.size()));
        }
    };
    const QDate today = QDate::currentDate();
    ask(exchange::Command::MakeCust, exchange::makeCustText(code, pw), [](std::string_view) {});
    ask(exchange::Command::MakeDate,
        exchange::makeDateText(exchange::dateRange(today.year(), today.month(), today.month()),
                               code, pw),
        [&](std::string_view r) {
            if (date.empty()) {
                date = std::string(r.substr(0, r.find('|')));
                r.remove_prefix(r.find('|') + 1);
                seq = std::string(r.substr(0, r.find('|')));
            }
        });
    ask(exchange::Command::MakeData, exchange::makeDataText(date, std::stoll(seq)),
        [](std::string_view) {});
    return msSince(t);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    gfx::InstallFontSubstitutions();
    QTemporaryDir dir;
    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM),
                 {u"--listen"_s, u"127.0.0.1:0"_s, u"--db"_s,
                  u"sqlite:"_s + dir.filePath(u"demo.sqlite"_s)});
    QByteArray log;
    waitFor([&] {
        log += server.readAllStandardError();
        return log.contains("listening on");
    });
    const int at = log.indexOf("127.0.0.1:") + 10;
    const quint16 port = quint16(log.mid(at, log.indexOf(',', at) - at).toInt());

    // Peer: an empty window of the same size to its first paint.
    QElapsedTimer t;
    t.start();
    {
        QWidget empty;
        bench::PaintWatch watch;
        empty.installEventFilter(&watch);
        empty.resize(823, 583);
        empty.show();
        waitFor([&] { return watch.painted; });
        std::printf("first paint: empty window of the same size   %8.2f ms\n", msSince(t));
    }

    viewer::Configuration config = viewer::Configuration::defaults();
    config.port = port;
    t.restart();
    viewer::TFmirola form(config);
    bench::PaintWatch watch;
    form.installEventFilter(&watch);
    form.show();
    waitFor([&] { return watch.painted; });
    std::printf("first paint: viewer form                      %8.2f ms\n", msSince(t));
    waitFor([&] { return form.CustList->count() > 1 && form.isIdle(); });
    std::printf("company list filled (500 ms start-up timer)   %8.2f ms\n", msSince(t));

    // The chain as the user starts it, until the form is idle and painted; the same with the
    // form hidden, which tells what the painting costs.
    auto viewerChain = [&] {
        form.CustList->setCurrentIndex(1);
        form.PassWD->setText(u"1234"_s);
        QElapsedTimer c;
        c.start();
        form.DataSerch->trigger();
        waitFor([&] { return form.isIdle(); });
        if (form.isVisible())
            QCoreApplication::processEvents(); // the paint the end of the exchange asked for
        return msSince(c);
    };
    std::vector<double> shown, hidden, peer;
    for (int i = 0; i < chainRuns; ++i) {
        shown.push_back(viewerChain());
        peer.push_back(rawChain(port));
    }
    form.hide();
    for (int i = 0; i < chainRuns; ++i)
        hidden.push_back(viewerChain());
    form.show();
    std::printf("search chain, viewer shown (median of %d)     %8.2f ms\n", chainRuns,
                median(shown));
    std::printf("search chain, viewer not shown (no painting)  %8.2f ms\n", median(hidden));
    std::printf("search chain, plain socket client, same server %7.2f ms\n", median(peer));

    // Rounds of the viewer and the peer in turn, medians reported. The viewer's figure runs to
    // the end of the paint that shows the lines; that paint alone is measured after it.
    constexpr int lineRounds = 5;
    const std::string row =
        text::cp949("2026-12-01|1|1|A4 복사용지|80g 500매 x 5권|10|BOX|24500|245000|24500|");
    std::vector<double> lines, paint, model;
    long before = 0;
    long after = 0;
    for (int round = 0; round < lineRounds; ++round) {
        form.DataClear2Execute();
        QCoreApplication::processEvents();
        if (round == 0)
            before = residentKiB();
        t.restart();
        for (int i = 0; i < statementLines; ++i)
            form.SocketMakeData(row);
        QCoreApplication::processEvents();
        form.repaint();
        lines.push_back(msSince(t));
        if (round == 0)
            after = residentKiB();
        t.restart();
        form.repaint();
        paint.push_back(msSince(t));

        t.restart();
        {
            QStandardItemModel peerModel(0, 7);
            for (int i = 0; i < statementLines; ++i) {
                QList<QStandardItem*> items;
                for (int c = 0; c < 7; ++c)
                    items << new QStandardItem(u"245000"_s);
                peerModel.appendRow(items);
            }
            model.push_back(msSince(t));
        }
    }
    std::printf("10,000 lines into grid 2 with totals, painted %8.2f ms (median of %d)\n",
                median(lines), lineRounds);
    std::printf("  of which the one paint of the form           %8.2f ms\n", median(paint));
    std::printf("resident memory after the first 10,000        %8ld KiB (+%ld KiB)\n", after,
                after - before);
    std::printf("peer: 10,000 rows into a QStandardItemModel   %8.2f ms\n", median(model));

    server.terminate();
    server.waitForFinished(5000);
    return 0;
}

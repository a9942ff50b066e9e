// The print command as a person meets it: from the click on the print button to the preview
// window's first painted page, for each statement of the demo company's current month (one of
// one line, one of twenty), fetched from a real server as a search and a click leave them. The
// peer, in the same run, is the same click opening an empty modal window to its first paint: the
// floor that any modal window costs on this platform.
#include "bench/support/PaintWatch.h"
#include "button/TFlatImageButton.h"
#include "gfx/Font.h"
#include "grid/TImVarGrid.h"
#include "printing/PrintCommand.h"
#include "printing/TfrmPreview.h"
#include "report/preview/TRpPreview.h"
#include "text/Cp949.h"
#include "viewer/TFmirola.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int runs = 15;

// Runs the event loop until `done` or 30 s; a bench that waits longer has gone wrong.
void waitFor(const std::function<bool()>& done, const char* what)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 30000) {
            std::fprintf(stderr, "bench_print: gave up waiting for %s\n", what);
            std::exit(1);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
}

// Clicks `button`; `shown` tells when the window it opens has painted, `close` closes it.
double clickToPaint(QWidget* button, const std::function<QWidget*()>& window,
                    const std::function<QWidget*()>& paintedPart)
{
    bench::PaintWatch watch;
    double ms = -1;
    QElapsedTimer clock;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* w = window();
        if (!w || !w->isVisible())
            return;
        QWidget* part = paintedPart();
        if (!watch.painted) {
            part->installEventFilter(&watch);
            part->repaint(); // a no-op once painted; makes sure the filter sees the first one
        }
        if (watch.painted) {
            ms = double(clock.nsecsElapsed()) / 1e6;
            poll.stop();
            w->close();
        }
    });
    // A click that opens no window (a refused print shows its reason instead) ends the bench
    // rather than leaving it waiting.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] {
        std::fprintf(stderr, "bench_print: the click opened no window within 30 s\n");
        std::exit(1);
    });
    giveUp.start(30000);
    poll.start();
    clock.start();
    QTest::mouseClick(button, Qt::LeftButton);
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    gfx::InstallFontSubstitutions();
    QTemporaryDir dir;
    QProcess server;
    server.start(QString::fromUtf8(MIROLA_SERVER_PROGRAM),
                 {u"--listen"_s, u"127.0.0.1:0"_s, u"--db"_s,
                  u"sqlite:"_s + dir.filePath(u"demo.sqlite"_s)});
    QByteArray log;
    waitFor(
        [&] {
            log += server.readAllStandardError();
            return log.contains("listening on");
        },
        "the statement server");
    const int at = log.indexOf("127.0.0.1:") + 10;
    viewer::Configuration config = viewer::Configuration::defaults();
    config.port = log.mid(at, log.indexOf(',', at) - at).toInt();

    viewer::TFmirola form(config);
    // A message (a refused print, a failed exchange) would wait for a person: it ends the bench.
    form.messageSink = [](const std::string& message) {
        std::fprintf(stderr, "bench_print: the viewer said: %s\n",
                     text::fromCp949(message).toUtf8().constData());
        std::exit(1);
    };
    form.show();
    waitFor([&] { return form.CustList->count() > 1 && form.isIdle(); }, "the company list");
    form.CustList->setCurrentIndex(1); // the demo company, security number 1234
    form.PassWD->setText(u"1234"_s);
    form.DataSerch->trigger();
    waitFor([&] { return form.isIdle(); }, "the search");

    for (int row = 1; row <= form.ImVarGrid1->DataRowCount(); ++row) {
        form.ImVarGrid1->SetRow(row);
        waitFor([&] { return form.isIdle(); }, "the statement's lines");
        const int lines = form.ImVarGrid2->DataRowCount();
        std::vector<double> times;
        for (int i = 0; i < runs; ++i)
            times.push_back(clickToPaint(
                form.FlatImageButton6, [&] { return form.printCommand().preview(); },
                [&] { return form.printCommand().preview()->RpPreview1->viewport(); }));
        std::printf("print click to painted preview, %2d lines (median of %d)  %8.2f ms\n", lines,
                    runs, median(times));
    }

    // Peer: the same kind of click opening an empty modal window.
    QDialog* dialog = nullptr;
    QAction open(&form);
    QObject::connect(&open, &QAction::triggered, [&] {
        QDialog d(&form);
        d.resize(788, 466);
        dialog = &d;
        d.setWindowState(Qt::WindowMaximized);
        d.exec();
        dialog = nullptr;
    });
    button::TFlatImageButton peerButton(&form);
    peerButton.setAction(&open);
    peerButton.setGeometry(300, 5, 70, 40);
    peerButton.show();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(clickToPaint(
            &peerButton, [&] { return static_cast<QWidget*>(dialog); },
            [&] { return static_cast<QWidget*>(dialog); }));
    std::printf("peer: click to painted empty modal window (median of %d)  %8.2f ms\n", runs,
                median(times));
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}

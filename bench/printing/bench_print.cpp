// The print command as a person meets it: from the click on the print button to the preview
// window's first painted page, for a 2-line and a 40-line statement. The peer, in the same run,
// is the same click opening an empty modal window to its first paint: the floor that any
// modal window costs on this platform.
#include "bench/support/PaintWatch.h"
#include "button/TFlatImageButton.h"
#include "grid/TImVarGrid.h"
#include "printing/PrintCommand.h"
#include "printing/TfrmPreview.h"
#include "report/preview/TRpPreview.h"
#include "text/Cp949.h"
#include "viewer/TFmirola.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int runs = 15;

// A statement of `lines` lines in the form's fields, as the exchange leaves it.
void fillStatement(viewer::TFmirola& form, int lines)
{
    form.ImVarGrid1->setDataRowCount(1);
    form.ImVarGrid1->SetDataCell(0, 0, std::string("2026-12-01"));
    form.ImVarGrid1->SetDataCell(1, 0, std::string("1"));
    form.ImVarGrid1->SetRow(1);
    viewer::TFmirola::setTextOf(form.REGISTRATION, "123-81-45678");
    viewer::TFmirola::setTextOf(form.CUSTNAME, text::cp949("(주)한빛유통"));
    viewer::TFmirola::setTextOf(form.CHIEF, text::cp949("김민준"));
    viewer::TFmirola::setTextOf(form.ADDRESS, text::cp949("서울특별시 강남구 테헤란로 152"));
    form.ImVarGrid2->setDataRowCount(lines);
    for (int r = 0; r < lines; ++r) {
        const char* cells[] = {"A4 복사용지", "80g/㎡ 500매 x 5권", "4", "BOX", "24500", "98000",
                               "9800"};
        for (int c = 0; c < 7; ++c)
            form.ImVarGrid2->SetDataCell(c, r, text::cp949(cells[c]));
    }
    viewer::TFmirola::setTextOf(form.TOTAMT, std::to_string(98000 * lines));
    viewer::TFmirola::setTextOf(form.TOTTAX, std::to_string(9800 * lines));
    viewer::TFmirola::setTextOf(form.TOTAMTAX, std::to_string(107800 * lines));
    viewer::TFmirola::setTextOf(form.TOTCOUNT, std::to_string(lines));
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
    viewer::TFmirola form;
    form.show();
    QTest::qWait(700); // let the start-up timer pass

    for (int lines : {2, 40}) {
        fillStatement(form, lines);
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
    return 0;
}

#include "report/print/TRpProgressForm.h"

#include "report/model/TRpPrinter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace report {

TRpProgressForm::TRpProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setWindowTitle(u"Printing progress"_s);
    setFixedSize(clientWidth, clientHeight);

    Gauge = new QProgressBar(this);
    Gauge->setObjectName(u"Gauge"_s);
    Gauge->setRange(0, 100);
    Gauge->setValue(0);
    Gauge->setTextVisible(false);
    Gauge->setGeometry(16, 18, 114, 16);

    Info = new QLabel(this);
    Info->setObjectName(u"Info"_s);
    Info->setAlignment(Qt::AlignCenter);
    Info->setGeometry(0, 44, 145, Info->sizeHint().height());

    CancelButton = new QPushButton(u"Cancel"_s, this);
    CancelButton->setObjectName(u"CancelButton"_s);
    CancelButton->setGeometry(36, 60, 75, 25);
    connect(CancelButton, &QPushButton::clicked, this, &TRpProgressForm::CancelButtonClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TRpProgressForm::~TRpProgressForm()
{
    if (m_printer && m_printer->listener() == this)
        m_printer->setListener(nullptr);
}

void TRpProgressForm::printerProgress(TRpPrinter& printer, int percent)
{
    m_printer = &printer;
    if (percent % percentStep != 0)
        return;
    Gauge->setValue(percent);
    Info->setText(QString::number(percent) + u"% "_s + u" Completed"_s);
    QCoreApplication::processEvents();
}

void TRpProgressForm::printerPageAvailable(TRpPrinter& printer, int)
{
    m_printer = &printer;
}

void TRpProgressForm::printerDetached(TRpPrinter& printer)
{
    if (m_printer == &printer)
        m_printer = nullptr;
}

void TRpProgressForm::CancelButtonClick()
{
    if (m_printer)
        m_printer->RequestCancel();
}

} // namespace report

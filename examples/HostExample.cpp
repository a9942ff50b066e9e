// An example host: two viewer controls side by side in one window, each with a Hangul caption
// and an event sink that writes what its control fires to stdout.
//
//   mirola-host-example --server HOST:PORT [--quit-after-ms N]
#include "gfx/Font.h"
#include "viewer/control/ComServer.h"
#include "viewer/control/ControlSite.h"
#include "viewer/control/MirolaControl.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLocale>
#include <QTimer>
#include <iostream>
#include <memory>
#include <string>

using namespace viewer::control;

namespace {

const char* usage = "usage: mirola-host-example --server HOST:PORT [--quit-after-ms N]\n";

// Logs every event with the number of the control that fired it.
class LoggingSink : public MirolaEventSink
{
public:
    explicit LoggingSink(int number) : m_prefix("[" + std::to_string(number) + "] ") {}

    void OnActivate() override { log("OnActivate"); }
    void OnClick() override { log("OnClick"); }
    void OnCreate() override { log("OnCreate"); }
    void OnDblClick() override { log("OnDblClick"); }
    void OnDestroy() override { log("OnDestroy"); }
    void OnDeactivate() override { log("OnDeactivate"); }
    void OnKeyPress(int16_t& Key) override { log("OnKeyPress " + std::to_string(Key)); }
    void OnPaint() override { log("OnPaint"); }

    void log(const std::string& line) const { std::cout << m_prefix << line << std::endl; }

private:
    std::string m_prefix;
};

bool parseServer(const std::string& s, std::string& host, int& port)
{
    const size_t colon = s.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    bool ok = false;
    port = QString::fromStdString(s.substr(colon + 1)).toInt(&ok);
    host = s.substr(0, colon);
    return ok && port >= 1 && port <= 65535;
}

} // namespace

int main(int argc, char** argv)
{
    std::string host;
    int port = 0;
    int quitAfterMs = 0;
    bool haveServer = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << usage;
            return 0;
        }
        if (i + 1 >= argc) {
            std::cerr << usage;
            return 2;
        }
        const std::string value = argv[++i];
        bool ok = true;
        if (a == "--server")
            ok = haveServer = parseServer(value, host, port);
        else if (a == "--quit-after-ms")
            quitAfterMs = QString::fromStdString(value).toInt(&ok);
        else
            ok = false;
        if (!ok || quitAfterMs < 0) {
            std::cerr << "mirola-host-example: bad argument " << a << " " << value << '\n' << usage;
            return 2;
        }
    }
    if (!haveServer) {
        std::cerr << usage;
        return 2;
    }

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    gfx::InstallFontSubstitutions();

    viewer::Configuration config = viewer::Configuration::defaults();
    config.host = host;
    config.port = port;
    MirolaFactory* factory = nullptr;
    if (FAILED(DllGetClassObject(CLSID_mirola, &factory)))
        return 1;
    factory->setConfiguration(config);

    QWidget window;
    window.setWindowTitle(QString::fromUtf16(u"mirola 컨트롤 두 개"));
    auto* layout = new QHBoxLayout(&window);
    ControlSite* sites[] = {new ControlSite(&window), new ControlSite(&window)};
    for (int n = 1; n <= 2; ++n) {
        ControlSite* site = sites[n - 1];
        layout->addWidget(site);
        if (FAILED(site->createControl(*factory))) {
            std::cerr << "mirola-host-example: control " << n << " could not be created\n";
            return 1;
        }
        MirolaControl* control = site->control();
        auto sink = std::make_shared<LoggingSink>(n);
        control->EventSinkChanged(sink);

        const std::u16string caption = u"거래명세서 조회 " + std::u16string(1, char16_t(u'0' + n));
        std::u16string readBack;
        VARIANT_BOOL visible = 0;
        if (FAILED(control->put_Caption(caption)) || FAILED(control->get_Caption(&readBack)) ||
            FAILED(control->get_Visible(&visible)))
            return 1;
        sink->log("Caption " + QString::fromStdU16String(readBack).toStdString());
        sink->log("Visible " + std::to_string(visible));
    }
    window.show();
    if (quitAfterMs > 0)
        QTimer::singleShot(quitAfterMs, &app, &QCoreApplication::quit);
    const int status = QApplication::exec();
    // The host releases its controls; each tells its sink that its form goes.
    for (ControlSite* site : sites)
        site->releaseControl();
    std::cout << "done" << std::endl;
    return status;
}

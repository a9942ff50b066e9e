#include "app/ControlCommand.h"

#include "text/Cp949.h"
#include "viewer/control/ComServer.h"
#include "viewer/control/ControlSite.h"
#include "viewer/control/MirolaControl.h"
#include "viewer/control/Registration.h"
#include "viewer/control/TypeLibrary.h"
#include "viewer/control/TypeLibraryIdl.h"
#include "viewer/control/Version.h"

#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <cstdio>
#include <iostream>

namespace app {

namespace {

const char* controlUsage = "control wants: regfile [LIBRARY_PATH] | idl | rc\n";
// Where an installer puts the library unless told otherwise.
const char* defaultLibraryPath = "C:\\Program Files\\mirola\\mirola.ocx";

} // namespace

int controlCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    using namespace viewer::control;
    const std::string what = args.empty() ? std::string() : args[0];
    if (what == "regfile" && args.size() <= 2) {
        const std::string path = args.size() == 2 ? args[1] : defaultLibraryPath;
        out << registryFileText(text::toCp949(QString::fromStdString(path)));
        return 0;
    }
    if (what == "idl" && args.size() == 1) {
        out << typeLibraryIdl();
        return 0;
    }
    if (what == "rc" && args.size() == 1) {
        out << versionResourceText();
        return 0;
    }
    err << "mirola: " << controlUsage;
    return 2;
}

int runViewerWindow(const viewer::Configuration& config)
{
    using namespace viewer::control;
    MirolaFactory* factory = nullptr;
    HRESULT hr = DllGetClassObject(CLSID_mirola, &factory);
    factory->setConfiguration(config);
    // The form keeps its designed size inside the window and scrolls in a smaller one, so that
    // no field is ever out of reach.
    QScrollArea window;
    window.setFrameShape(QFrame::NoFrame);
    window.setWidgetResizable(true);
    auto* site = new ControlSite;
    window.setWidget(site);
    if (SUCCEEDED(hr))
        hr = site->createControl(*factory);
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", unsigned(hr));
        std::cerr << "mirola: the viewer control could not be created (" << code << ")\n";
        return 1;
    }
    std::u16string caption;
    if (SUCCEEDED(site->control()->get_Caption(&caption)))
        window.setWindowTitle(QString::fromStdU16String(caption));
    site->setMinimumSize(site->sizeHint());
    window.resize(site->sizeHint());
    window.show();
    // The designed size where the screen has room for it, else the room there is, frame and
    // all: at a large scale factor the form is bigger than the screen.
    if (const QScreen* screen = window.screen()) {
        const QRect room = screen->availableGeometry();
        const QSize frame = window.frameGeometry().size() - window.size();
        if (!room.contains(window.frameGeometry())) {
            window.resize(window.size().boundedTo(room.size() - frame));
            window.move(room.topLeft());
        }
    }
    return QApplication::exec();
}

} // namespace app

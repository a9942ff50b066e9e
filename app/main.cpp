// mirola: the statement viewer in a window of its own, and headless commands for scripts.
#include "app/CommandLine.h"
#include "app/ControlCommand.h"
#include "app/Headless.h"
#include "app/InterruptCleanup.h"
#include "app/ReportTools.h"
#include "gfx/Font.h"
#include "report/eval/EvalCommand.h"
#include "report/preview/ReportFileWindow.h"
#include "text/Cp949.h"
#include "viewer/Configuration.h"
#include "viewer/QtTranslations.h"
#include "viewer/TFmirola.h"
#include "web/WebCommand.h"

#include <QApplication>
#include <QLocale>
#include <iostream>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A failure of the work itself (no server, a bad file), as opposed to a wrong command line (2).
constexpr int failedStatus = 1;

int failed(const std::string& utf8Message)
{
    std::cerr << "mirola: " << utf8Message << '\n';
    return failedStatus;
}

// Exceptions carry the system's cp949 texts.
std::string utf8(const char* cp949Bytes)
{
    return text::fromCp949(cp949Bytes).toStdString();
}

// A headless command says what it has to say in its own lines; the platform's notes (a
// runtime folder missing under cron or su, a font cache) would come before them in a script's
// log. Errors still pass, and anyone who asks Qt for its messages gets them all.
void keepQtNotesOutOfScripts()
{
    if (qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        return;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << message.toLocal8Bit().constData() << '\n';
    });
}

// Qt's own texts in Korean only where a window shows them: the commands for scripts speak in
// one language, and the system's reasons they quote stay as the system gives them.
void setUpApplication(bool window)
{
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    gfx::InstallFontSubstitutions();
    if (window)
        viewer::installQtTranslations();
}

// A written export's status, after a line for each field it had to cut.
int warnedOf(const app::Headless& driver)
{
    for (const std::string& warning : driver.warnings())
        std::cerr << "mirola: warning: " << warning << '\n';
    return 0;
}

int reportCommand(int argc, char** argv, const app::ParsedCommand& c)
{
    QApplication application(argc, argv);
    setUpApplication(false);
    try {
        if (c.name == "report info") {
            app::reportInfo(c.positional[0], std::cout);
        } else {
            app::reportRender(c.positional[0], c.number("page").value_or(1), c.value("out"));
        }
    } catch (const std::exception& e) {
        return failed(utf8(e.what()));
    } catch (...) {
        return failed("the report file could not be read");
    }
    return 0;
}

int headlessCommand(const app::ParsedCommand& c, const viewer::Configuration& config)
{
    std::string error;
    app::FetchRequest request;
    printing::ExportOptions exportOptions;
    if (c.name != "companies") {
        request.company = text::toCp949(QString::fromStdString(c.value("company")));
        request.password = text::toCp949(QString::fromStdString(c.value("password")));
        const std::pair<const char*, std::optional<int>*> numbers[] = {{"year", &request.year},
                                                                       {"from", &request.fromMonth},
                                                                       {"to", &request.toMonth},
                                                                       {"date", &request.date}};
        for (const auto& [name, target] : numbers)
            *target = c.number(name);
        exportOptions.compress = c.isSet("compress");
        exportOptions.dpi = c.number("dpi").value_or(exportOptions.dpi);
    }
    app::removePartialFileOnInterrupt();

    viewer::TFmirola form(config);
    app::Headless driver(form);
    if (!driver.loadCompanies(error))
        return failed(error);
    if (c.name == "companies") {
        driver.printCompanies(std::cout);
        return 0;
    }
    if (!driver.fetch(request, error))
        return failed(error);
    if (c.name == "export" && c.isSet("all")) {
        // Progress is for a person watching; a script's log stays clean.
        const bool onTerminal = isatty(STDERR_FILENO) != 0;
        bool shown = false;
        const auto progress = [&](int n, int m) {
            std::cerr << "\rmirola: statement " << n << " of " << m << std::flush;
            shown = true;
        };
        const bool written =
            driver.exportAll(c.value("out"), exportOptions,
                             onTerminal ? progress : std::function<void(int, int)>(), error);
        if (shown)
            std::cerr << '\n';
        return written ? warnedOf(driver) : failed(error);
    }
    if (c.name == "export")
        return driver.exportStatement(c.value("out"), exportOptions, error) ? warnedOf(driver)
                                                                            : failed(error);
    driver.printStatement(std::cout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The web page parses its own options; the version is everywhere the same.
    if (argc > 1 && std::string_view(argv[1]) == "web") {
        for (int i = 2; i < argc; ++i)
            if (std::string_view(argv[i]) == "--version") {
                std::cout << app::versionText() << '\n';
                return 0;
            }
        return web::runWebCommand(argc, argv);
    }
    app::ParsedCommand c;
    if (const int status = app::parseCommandLine(argc, argv, c); status >= 0)
        return status;

    if (!c.name.empty())
        keepQtNotesOutOfScripts();
    if (c.name == "control") {
        QCoreApplication core(argc, argv);
        return app::controlCommand(c.positional, std::cout, std::cerr);
    }
    if (c.name == "report eval") {
        QCoreApplication core(argc, argv);
        const report::TRpEvResult result = report::eval::evaluateCommandLine(
            text::toCp949(QString::fromStdString(c.positional[0])));
        if (result.isError())
            return failed(utf8(result.message().c_str()));
        std::cout << text::fromCp949(report::eval::describeResult(result)).toStdString() << '\n';
        return 0;
    }

    const bool offscreen = c.name != "";
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    if (c.name == "report info" || c.name == "report render")
        return reportCommand(argc, argv, c);

    QApplication application(argc, argv);
    QApplication::setApplicationName(u"mirola"_s);
    setUpApplication(c.name.empty() || c.isSet("open"));

    if (c.isSet("open"))
        return report::showReportFile(QString::fromStdString(c.value("open")));

    viewer::Configuration config;
    try {
        config = viewer::Configuration::load(c.value("config"));
    } catch (const std::exception& e) {
        // A file named on the command line is an argument like any other.
        if (c.isSet("config"))
            return app::usageError(c.name, e.what());
        return failed(utf8(e.what()));
    }
    std::string error;
    if (c.isSet("server") && !app::applyServer(c.value("server"), config, error))
        return app::usageError(c.name, error);
    if (!app::applyTls(c, config, error))
        return app::usageError(c.name, error);

    if (c.name.empty())
        return app::runViewerWindow(config);
    const viewer::Configuration& builtIn = viewer::Configuration::defaults();
    if (!c.isSet("server") && !c.isSet("config") && config.host == builtIn.host &&
        config.port == builtIn.port)
        return app::usageError(c.name, "needs --server HOST:PORT");
    try {
        return headlessCommand(c, config);
    } catch (const std::exception& e) {
        return failed(utf8(e.what()));
    } catch (...) {
        return failed("stopped by an unexpected error");
    }
}

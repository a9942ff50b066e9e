// mirola: the statement viewer in a window of its own, and headless commands for scripts.
#include "app/ControlCommand.h"
#include "app/Headless.h"
#include "app/ReportTools.h"
#include "gfx/Font.h"
#include "report/eval/EvalCommand.h"
#include "report/preview/ReportFileWindow.h"
#include "text/Cp949.h"
#include "viewer/Configuration.h"
#include "viewer/TFmirola.h"
#include "web/WebCommand.h"

#include <QApplication>
#include <QLocale>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const char* usage =
    "usage: mirola [--server HOST:PORT] [--config FILE]      the viewer in a window\n"
    "       mirola companies --server HOST:PORT [--config FILE]\n"
    "       mirola fetch --server HOST:PORT --company CODE --password PW\n"
    "                    [--year Y --from M --to M] [--date N] [--config FILE]\n"
    "       mirola export --server HOST:PORT --company CODE --password PW\n"
    "                     [--year Y --from M --to M] [--date N] --out FILE.rpf|FILE.pdf|FILE.png\n"
    "                     [--compress] [--dpi N] [--config FILE]  the printed statement, no window\n"
    "       mirola web [--listen HOST:PORT] --server HOST:PORT [--tls-cert F --tls-key F]\n"
    "                                                          the viewer as a web page\n"
    "       mirola --open FILE.rpf                             a saved statement\n"
    "       mirola control regfile [LIBRARY_PATH] | idl | rc   the control's registration data\n"
    "       mirola report info FILE.rpf                        header and pages of a saved file\n"
    "       mirola report render FILE.rpf --page N --out F.png|F.svg|F.emf\n"
    "       mirola report eval 'EXPR'                          evaluate a report expression\n";

int fail(const std::string& message)
{
    std::cerr << "mirola: " << message << '\n';
    return 2;
}

struct Options
{
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
};

bool parse(int argc, char** argv, Options& o, std::string& error)
{
    static const char* withValue[] = {"--server", "--config", "--company", "--password", "--year",
                                      "--from",   "--to",     "--date",    "--open",  "--page", "--out",
                                      "--dpi"};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        // After "--", and for the expression of "report eval", an argument is never an option:
        // an expression may well start with a sign ("--5").
        const bool expression = o.command == "report" && o.positional.size() == 1 &&
                                o.positional[0] == "eval";
        if (a == "--" || expression) {
            for (i += a == "--" ? 1 : 0; i < argc; ++i) {
                if (o.command.empty())
                    o.command = argv[i];
                else
                    o.positional.push_back(argv[i]);
            }
            break;
        }
        if (a == "--help" || a == "-h" || a == "--compress") {
            o.values[a == "-h" ? "--help" : a] = "1";
            continue;
        }
        bool known = false;
        for (const char* name : withValue) {
            if (a == name) {
                if (i + 1 >= argc) {
                    error = a + " needs a value";
                    return false;
                }
                o.values[a] = argv[++i];
                known = true;
            }
        }
        if (known)
            continue;
        if (a.rfind("--", 0) == 0) {
            error = "unknown option " + a;
            return false;
        }
        if (o.command.empty())
            o.command = a;
        else
            o.positional.push_back(a);
    }
    return true;
}

bool applyServer(const Options& o, viewer::Configuration& config, std::string& error)
{
    auto it = o.values.find("--server");
    if (it == o.values.end())
        return true;
    const std::string& s = it->second;
    const size_t colon = s.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        error = "--server wants HOST:PORT, not " + s;
        return false;
    }
    bool ok = false;
    const int port = QString::fromStdString(s.substr(colon + 1)).toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        error = "bad port in --server " + s;
        return false;
    }
    config.host = s.substr(0, colon);
    config.port = port;
    return true;
}

bool number(const Options& o, const char* name, std::optional<int>& target, std::string& error)
{
    auto it = o.values.find(name);
    if (it == o.values.end())
        return true;
    bool ok = false;
    target = QString::fromStdString(it->second).toInt(&ok);
    if (!ok)
        error = std::string(name) + " wants a number, not " + it->second;
    return ok;
}

void setUpApplication()
{
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    gfx::InstallFontSubstitutions();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "web") == 0)
        return web::runWebCommand(argc, argv);
    Options o;
    std::string error;
    if (!parse(argc, argv, o, error))
        return fail(error + "\n" + usage);
    if (o.values.count("--help")) {
        std::cout << usage;
        return 0;
    }

    const bool offscreen = o.command == "companies" || o.command == "fetch" ||
                           o.command == "export" || o.command == "report";
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    if (o.command == "report" && !o.positional.empty() && o.positional[0] != "eval") {
        QApplication application(argc, argv);
        setUpApplication();
        try {
            if (o.positional[0] == "info" && o.positional.size() == 2) {
                app::reportInfo(o.positional[1], std::cout);
                return 0;
            }
            if (o.positional[0] == "render" && o.positional.size() == 2 && o.values.count("--out")) {
                std::optional<int> page = 1;
                if (!number(o, "--page", page, error))
                    return fail(error);
                app::reportRender(o.positional[1], *page, o.values["--out"]);
                return 0;
            }
        } catch (const std::exception& e) {
            std::cerr << "mirola: " << e.what() << '\n';
            return 1;
        }
        return fail(std::string("report wants: info FILE | render FILE --page N --out F\n") + usage);
    }
    if (o.command == "control") {
        QCoreApplication core(argc, argv);
        return app::controlCommand(o.positional, std::cout, std::cerr);
    }
    if (o.command == "report") {
        if (o.positional.size() != 2 || o.positional[0] != "eval")
            return fail(std::string("report wants: eval 'EXPR'\n") + usage);
        QCoreApplication core(argc, argv);
        const std::string result =
            report::eval::evalCommandLine(text::toCp949(QString::fromStdString(o.positional[1])));
        std::cout << text::fromCp949(result).toStdString() << '\n';
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(u"mirola"_s);
    setUpApplication();

    if (auto it = o.values.find("--open"); it != o.values.end())
        return report::showReportFile(QString::fromStdString(it->second));

    viewer::Configuration config;
    try {
        auto it = o.values.find("--config");
        config = viewer::Configuration::load(it == o.values.end() ? std::string() : it->second);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    if (!applyServer(o, config, error))
        return fail(error);

    if (o.command.empty())
        return app::runViewerWindow(config);

    if (o.command != "companies" && o.command != "fetch" && o.command != "export")
        return fail("unknown command " + o.command + "\n" + usage);
    if (!o.values.count("--server") && config.port == viewer::Configuration::defaults().port
        && config.host == viewer::Configuration::defaults().host && !o.values.count("--config"))
        return fail(o.command + " needs --server HOST:PORT");

    viewer::TFmirola form(config);
    app::Headless driver(form);
    if (!driver.loadCompanies(error)) {
        std::cerr << "mirola: " << error << '\n';
        return 1;
    }
    if (o.command == "companies") {
        driver.printCompanies(std::cout);
        return 0;
    }
    app::FetchRequest request;
    if (!o.values.count("--company") || !o.values.count("--password"))
        return fail(o.command + " needs --company CODE and --password PW");
    printing::ExportOptions exportOptions;
    exportOptions.compress = o.values.count("--compress") != 0;
    if (o.command == "export") {
        if (!o.values.count("--out"))
            return fail("export needs --out FILE.rpf|FILE.pdf|FILE.png");
        std::optional<int> dpi = exportOptions.dpi;
        if (!number(o, "--dpi", dpi, error))
            return fail(error);
        exportOptions.dpi = *dpi;
    }
    request.company = text::toCp949(QString::fromStdString(o.values["--company"]));
    request.password = text::toCp949(QString::fromStdString(o.values["--password"]));
    if (!number(o, "--year", request.year, error) || !number(o, "--from", request.fromMonth, error)
        || !number(o, "--to", request.toMonth, error) || !number(o, "--date", request.date, error))
        return fail(error);
    if (!driver.fetch(request, error)) {
        std::cerr << "mirola: " << error << '\n';
        return 1;
    }
    if (o.command == "export") {
        try {
            form.exportStatement(o.values["--out"], exportOptions);
        } catch (const std::exception& e) {
            std::cerr << "mirola: " << e.what() << '\n';
            return 1;
        }
        return 0;
    }
    driver.printStatement(std::cout);
    return 0;
}

#include "tests/support/TestCertificates.h"

#include <QProcess>
#include <QStringList>
#include <fstream>

using namespace Qt::StringLiterals;

namespace testsupport {

namespace {

bool openssl(const QStringList& arguments, std::string& error)
{
    QProcess p;
    p.start(u"openssl"_s, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error = "openssl " + arguments.join(u' ').toStdString() + ": " +
                p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

// A P-256 key: quick to make and to sign with, so handshakes cost the tests little.
const QStringList newKey = {u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s, u"ec_paramgen_curve:P-256"_s,
                            u"-nodes"_s};

} // namespace

bool TestCertificates::make(std::string& error)
{
    const auto file = [this](const char* name) { return QString::fromStdString(dir.file(name)); };
    ca = dir.file("ca.pem");
    if (!openssl(QStringList{u"req"_s, u"-x509"_s} + newKey +
                     QStringList{u"-keyout"_s, file("ca.key"), u"-out"_s, file("ca.pem"),
                                 u"-days"_s, u"30"_s, u"-subj"_s, u"/CN=mirola test CA"_s,
                                 u"-addext"_s, u"basicConstraints=critical,CA:TRUE"_s, u"-addext"_s,
                                 u"keyUsage=critical,keyCertSign,cRLSign"_s},
                 error))
        return false;
    const auto signedPair = [&](const char* name, const char* subjectNames, int days, int serial,
                                Pair& pair) {
        const std::string base = dir.file(name);
        pair = {base + ".pem", base + ".key"};
        std::ofstream(base + ".ext") << "subjectAltName=" << subjectNames << "\n";
        return openssl(QStringList{u"req"_s, u"-new"_s} + newKey +
                           QStringList{u"-keyout"_s, QString::fromStdString(pair.key), u"-out"_s,
                                       QString::fromStdString(base + ".csr"), u"-subj"_s,
                                       u"/CN=mirola test server"_s},
                       error) &&
               // -1 day: the validity ends before it starts, a day ago.
               openssl({u"x509"_s, u"-req"_s, u"-in"_s, QString::fromStdString(base + ".csr"),
                        u"-CA"_s, file("ca.pem"), u"-CAkey"_s, file("ca.key"), u"-set_serial"_s,
                        QString::number(serial), u"-days"_s, QString::number(days), u"-extfile"_s,
                        QString::fromStdString(base + ".ext"), u"-out"_s,
                        QString::fromStdString(pair.certificate)},
                       error);
    };
    const char* const here = "IP:127.0.0.1,DNS:localhost";
    if (!signedPair("good", here, 30, 2, good) || !signedPair("renewed", here, 60, 3, renewed) ||
        !signedPair("expired", here, -1, 4, expired) ||
        !signedPair("wrongname", "DNS:statements.example", 30, 5, wrongName))
        return false;
    selfSigned = {dir.file("self.pem"), dir.file("self.key")};
    return openssl(QStringList{u"req"_s, u"-x509"_s} + newKey +
                       QStringList{u"-keyout"_s, file("self.key"), u"-out"_s, file("self.pem"),
                                   u"-days"_s, u"30"_s, u"-subj"_s, u"/CN=mirola self-signed"_s,
                                   u"-addext"_s, u"subjectAltName="_s + QString::fromLatin1(here)},
                   error);
}

} // namespace testsupport

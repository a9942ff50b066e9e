#include "viewer/Configuration.h"

#include "exchange/ExchangeDriver.h"
#include "text/Cp949.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <map>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace viewer {

namespace {

constexpr int sealPixels = 154; // the seal picture's fixed size

// The values of a section's keys as the file's lines have them after "=", trimmed.
std::map<QString, QString> rawValues(const QString& file, const QString& section)
{
    std::map<QString, QString> values;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    QString current;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']'))
            current = line.mid(1, line.size() - 2).trimmed();
        else if (current.compare(section, Qt::CaseInsensitive) == 0 && line.contains(u'='))
            values.try_emplace(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    return values;
}

// `raw` is the value as written in the file, when it is there.
void readText(QSettings& s, const QString& key, const std::map<QString, QString>& raw,
              std::string& target)
{
    if (!s.contains(key))
        return;
    // Quotes inside a value that is not quoted as a whole would be taken as the file's quoting
    // and dropped with the space after them; the name on a tax document keeps them as written.
    if (const auto written = raw.find(key.section(u'/', 1)); written != raw.end()) {
        const QString& value = written->second;
        if (value.contains(u'"') && !value.startsWith(u'"')) {
            target = text::toCp949(value);
            return;
        }
    }
    // An unquoted value with commas (an address, say) is read as a list; it is one text, and a
    // comma in it is followed by one space, as written in an address. Quoting keeps it exact.
    const QVariant value = s.value(key);
    target =
        text::toCp949(value.typeId() == QMetaType::QStringList ? value.toStringList().join(u", "_s)
                                                               : value.toString());
}

} // namespace

Configuration Configuration::defaults()
{
    Configuration c;
    c.supplier.registration = text::cp949("123-45-67890");
    c.supplier.name = text::cp949("(주)미로라상사");
    c.supplier.representative = text::cp949("김한결");
    c.supplier.address = text::cp949("서울특별시 중구 세종대로 110, 5층");
    c.supplier.businessType = text::cp949("도소매");
    c.supplier.businessItem = text::cp949("사무용품");
    c.supplier.bankAccount = text::cp949("입금계좌 : 한빛은행 123-456789-01-234 (주)미로라상사");
    c.seal = DemoSeal();
    return c;
}

Configuration Configuration::fromFile(const std::string& path)
{
    const QString file = QString::fromStdString(path);
    if (!QFileInfo(file).isReadable())
        throw std::runtime_error("cannot read configuration file " + path);
    QSettings s(file, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        throw std::runtime_error("bad configuration file " + path);

    Configuration c = defaults();
    if (s.contains(u"server/host"_s))
        c.host = s.value(u"server/host"_s).toString().toStdString();
    if (s.contains(u"server/port"_s)) {
        bool ok = false;
        const int port = s.value(u"server/port"_s).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            throw std::runtime_error("bad server/port in " + path);
        c.port = port;
    }
    if (s.contains(u"server/tls"_s)) {
        const QString tls = s.value(u"server/tls"_s).toString().trimmed().toLower();
        if (tls != u"on"_s && tls != u"off"_s)
            throw std::runtime_error("bad server/tls in " + path + ": on or off");
        c.tls = tls == u"on"_s;
    }
    if (s.contains(u"server/ca"_s)) {
        // Like the seal picture, a relative name is taken from the configuration file's folder.
        QString ca = s.value(u"server/ca"_s).toString();
        if (QFileInfo(ca).isRelative())
            ca = QFileInfo(file).absolutePath() + u'/' + ca;
        c.ca = QFile::encodeName(ca).toStdString();
        std::string problem;
        if (exchange::ExchangeDriver::readTrusted(c.ca, problem).isEmpty())
            throw std::runtime_error("bad server/ca in " + path + ": " + problem);
        // A certificate to trust says the server speaks TLS.
        c.tls = c.tls || !s.contains(u"server/tls"_s);
    }
    if (s.contains(u"server/connectTimeoutMs"_s))
        c.connectTimeoutMs = std::max(1, s.value(u"server/connectTimeoutMs"_s).toInt());
    const std::map<QString, QString> written = rawValues(file, u"supplier"_s);
    readText(s, u"supplier/registration"_s, written, c.supplier.registration);
    readText(s, u"supplier/name"_s, written, c.supplier.name);
    readText(s, u"supplier/representative"_s, written, c.supplier.representative);
    readText(s, u"supplier/address"_s, written, c.supplier.address);
    readText(s, u"supplier/businessType"_s, written, c.supplier.businessType);
    readText(s, u"supplier/businessItem"_s, written, c.supplier.businessItem);
    readText(s, u"supplier/bankAccount"_s, written, c.supplier.bankAccount);
    if (s.contains(u"seal/picture"_s)) {
        // A relative picture path is taken from the configuration file's folder.
        QString picture = s.value(u"seal/picture"_s).toString();
        if (QFileInfo(picture).isRelative())
            picture = QFileInfo(file).absolutePath() + u'/' + picture;
        gfx::Bitmap seal = gfx::Bitmap::fromFile(picture.toStdString());
        if (seal.isEmpty())
            throw std::runtime_error("cannot read the seal picture " + picture.toStdString());
        c.seal = seal;
    }
    return c;
}

Configuration Configuration::load(const std::string& explicitPath)
{
    if (!explicitPath.empty())
        return fromFile(explicitPath);
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         u"/mirola/mirola.ini"_s;
    for (const QString& candidate : {user, u"/etc/mirola/mirola.ini"_s})
        if (QFileInfo::exists(candidate))
            return fromFile(candidate.toStdString());
    return defaults();
}

gfx::Bitmap DemoSeal()
{
    QImage image(sealPixels, sealPixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor red(0xD0, 0x10, 0x10);
    p.setPen(QPen(red, 8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(6, 6, sealPixels - 12, sealPixels - 12));
    p.setPen(QPen(red, 3));
    p.drawEllipse(QRectF(18, 18, sealPixels - 36, sealPixels - 36));
    // Four syllables in a square, the way a company seal is cut.
    QFont font(u"NanumGothic"_s);
    font.setPixelSize(40);
    font.setBold(true);
    p.setFont(font);
    const QString syllables = u"미로라인"_s;
    const QRectF cells[4] = {
        {77, 32, 45, 45}, {77, 77, 45, 45}, {32, 32, 45, 45}, {32, 77, 45, 45}};
    for (int i = 0; i < 4; ++i)
        p.drawText(cells[i], Qt::AlignCenter, syllables.mid(i, 1));
    p.end();
    return gfx::Bitmap::fromImage(image, 24);
}

} // namespace viewer

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QThread>

namespace testsupport {

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

std::string dataPath(const std::string& name)
{
    const QByteArray root = qgetenv("MIROLA_TEST_DATA");
    return root.toStdString() + "/" + name;
}

TempDir::TempDir()
{
    QTemporaryDir dir;
    dir.setAutoRemove(false);
    m_path = dir.path().toStdString();
}

TempDir::~TempDir()
{
    QDir(QString::fromStdString(m_path)).removeRecursively();
}

} // namespace testsupport

#pragma once

#include "tests/support/TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QtGlobal>
#include <string>

namespace testsupport {

// While it lives, the system's temporary folder (TMPDIR) is a path below a regular file, so
// nothing can be created there, not even by root, which permission bits would not stop.
class UnwritableTempFolder
{
public:
    UnwritableTempFolder() : m_had(qEnvironmentVariableIsSet("TMPDIR")), m_old(qgetenv("TMPDIR"))
    {
        const std::string file = m_dir.file("not-a-folder");
        QFile f(QString::fromStdString(file));
        if (f.open(QIODevice::WriteOnly))
            f.close();
        qputenv("TMPDIR", QByteArray::fromStdString(file));
    }
    ~UnwritableTempFolder()
    {
        if (m_had)
            qputenv("TMPDIR", m_old);
        else
            qunsetenv("TMPDIR");
    }
    UnwritableTempFolder(const UnwritableTempFolder&) = delete;
    UnwritableTempFolder& operator=(const UnwritableTempFolder&) = delete;

private:
    TempDir m_dir; // made before TMPDIR changes
    bool m_had;
    QByteArray m_old;
};

} // namespace testsupport

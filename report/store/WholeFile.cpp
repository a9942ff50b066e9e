#include "report/store/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace report {

bool WholeFile::isSpecial(const QString& fileName)
{
    const QFileInfo info(fileName);
    return info.exists() && !info.isFile() && !info.isDir();
}

WholeFile::WholeFile(const QString& fileName) : m_direct(isSpecial(fileName))
{
    if (m_direct)
        m_file = std::make_unique<QFile>(fileName);
    else
        m_file = std::make_unique<QSaveFile>(fileName);
}

WholeFile::~WholeFile() = default;

bool WholeFile::open()
{
    return m_file->open(QIODevice::WriteOnly);
}

bool WholeFile::commit()
{
    if (!m_direct)
        return static_cast<QSaveFile&>(*m_file).commit();
    const bool written = m_file->flush() && m_file->error() == QFileDevice::NoError;
    m_file->close();
    return written;
}

} // namespace report

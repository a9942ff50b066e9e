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

bool WholeFile::write(const char* data, qint64 size)
{
    return writeAll(*m_file, data, size);
}

bool WholeFile::writeAll(QIODevice& device, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 written = device.write(data, size);
        if (written <= 0) {
            // A buffered write that fails says only "Unknown error"; flushing the same bytes
            // again gives the system's reason.
            if (auto* file = qobject_cast<QFileDevice*>(&device))
                file->flush();
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool WholeFile::commit()
{
    // The last bytes may still sit in the device's buffer. QSaveFile checks only the writes
    // that got past it, so a failure here (a full disk) would be renamed over the target as a
    // cut file; failing instead leaves the temporary file to be removed. A flush that writes
    // part of the buffer sets no reason, so the rest is flushed again until one writes nothing.
    // A buffered write that failed earlier left only "Unknown error": flushing the same bytes
    // again gives the system's reason ("No space left on device").
    bool written = m_file->error() == QFileDevice::NoError;
    while (m_file->bytesToWrite() > 0) {
        const qint64 before = m_file->bytesToWrite();
        if (!m_file->flush() && m_file->bytesToWrite() == before) {
            written = false;
            break;
        }
    }
    written = written && m_file->error() == QFileDevice::NoError;
    if (!m_direct)
        return written && static_cast<QSaveFile&>(*m_file).commit();
    m_file->close();
    return written;
}

} // namespace report

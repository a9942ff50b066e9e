#include "report/store/TRpStream.h"

#include "report/store/WholeFile.h"

#include "report/store/ReportFileError.h"
#include "text/Cp949.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace report {

namespace {

std::string fileMessage(const char* what, const QString& fileName, const QString& reason)
{
    return std::string(what) + " \"" + text::toCp949(fileName) + "\": " + text::toCp949(reason);
}

// A file in `folder` that no name leads to, so that it goes with its last descriptor however
// the process ends, killed or not. Where the file system makes no such files, a named one is
// unlinked as soon as it is made.
int openUnnamedFile(const QString& folder)
{
    const QByteArray dir = QFile::encodeName(folder);
    const int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR))
        return fd;
    QByteArray name = dir + "/RPFXXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.constData());
    return named;
}

} // namespace

TRpStream::TRpStream(int64_t spillThresholdBytes) : m_spillThreshold(spillThresholdBytes) {}

TRpStream::~TRpStream() = default;

std::unique_ptr<TRpStream> TRpStream::openFile(const QString& fileName)
{
    auto file = std::make_unique<QFile>(fileName);
    // Unbuffered: finding a page reads a few bytes here and there, not whole buffers.
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EStreamError(fileMessage("Cannot open file", fileName, file->errorString()));
    auto stream = std::make_unique<TRpStream>();
    stream->m_readOnly = true;
    stream->m_fileSize = file->size();
    stream->m_file = std::move(file);
    return stream;
}

std::unique_ptr<TRpStream> TRpStream::openBytes(std::string bytes)
{
    auto stream = std::make_unique<TRpStream>();
    stream->m_readOnly = true;
    stream->m_memory = std::move(bytes);
    return stream;
}

void TRpStream::checkFile(bool ok, const char* what) const
{
    if (!ok)
        throw EStreamError(
            fileMessage(what, m_file->fileName().isEmpty() ? spillLabel() : m_file->fileName(),
                        m_file->errorString()));
}

QString TRpStream::spillLabel()
{
    return QDir::tempPath() + u"/RPF…"_s;
}

void TRpStream::Write(const void* data, int64_t count)
{
    std::lock_guard lock(m_lock);
    if (m_readOnly)
        throw EStreamError("The report stream is read-only");
    if (count <= 0)
        return;
    if (!m_file) {
        const auto end = size_t(m_position) + size_t(count);
        // A write that takes the stream past the threshold goes to the file straight away, so a
        // large page is never held in memory a second time just to be moved there.
        if (int64_t(std::max(end, m_memory.size())) > m_spillThreshold) {
            const int64_t position = m_position;
            spillToFile();
            checkFile(m_file->seek(position), "Cannot seek in file");
        } else {
            if (end > m_memory.size())
                m_memory.resize(end);
            std::memcpy(m_memory.data() + m_position, data, size_t(count));
            m_position = int64_t(end);
            return;
        }
    }
    const int64_t end = m_file->pos() + count;
    checkFile(WholeFile::writeAll(*m_file, static_cast<const char*>(data), count),
              "Cannot write file");
    m_fileSize = std::max(m_fileSize, end);
}

void TRpStream::spillToFile()
{
    const int fd = openUnnamedFile(QDir::tempPath());
    if (fd < 0)
        throw EStreamError(fileMessage("Cannot create file", spillLabel(),
                                       QString::fromLocal8Bit(std::strerror(errno))));
    // Unbuffered: finding a page reads a few bytes here and there, and records go whole.
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw EStreamError(fileMessage("Cannot open file", spillLabel(), file->errorString()));
    }
    // The stream moves to the file only once the file holds everything, so a failed move
    // leaves it whole in memory.
    if (!WholeFile::writeAll(*file, m_memory.data(), qint64(m_memory.size())))
        throw EStreamError(fileMessage("Cannot write file", spillLabel(), file->errorString()));
    m_file = std::move(file);
    m_fileSize = int64_t(m_memory.size());
    std::string().swap(m_memory);
    m_position = 0;
}

int64_t TRpStream::Read(void* data, int64_t count)
{
    std::lock_guard lock(m_lock);
    return readLocked(data, count);
}

int64_t TRpStream::readLocked(void* data, int64_t count)
{
    if (count <= 0)
        return 0;
    if (!m_file) {
        const int64_t n = std::min<int64_t>(count, int64_t(m_memory.size()) - m_position);
        if (n <= 0)
            return 0;
        std::memcpy(data, m_memory.data() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    const qint64 n = m_file->read(static_cast<char*>(data), count);
    checkFile(n >= 0, "Cannot read file");
    return n;
}

void TRpStream::Seek(int64_t position)
{
    std::lock_guard lock(m_lock);
    seekLocked(position);
}

void TRpStream::seekLocked(int64_t position)
{
    if (!m_file) {
        m_position = std::clamp<int64_t>(position, 0, int64_t(m_memory.size()));
        return;
    }
    checkFile(m_file->seek(std::clamp<int64_t>(position, 0, m_fileSize)), "Cannot seek in file");
}

int64_t TRpStream::SeekEnd()
{
    std::lock_guard lock(m_lock);
    const int64_t end = m_file ? m_fileSize : int64_t(m_memory.size());
    seekLocked(end);
    return end;
}

int64_t TRpStream::Position() const
{
    std::lock_guard lock(m_lock);
    return m_file ? m_file->pos() : m_position;
}

int64_t TRpStream::Size() const
{
    std::lock_guard lock(m_lock);
    return m_file ? m_fileSize : int64_t(m_memory.size());
}

bool TRpStream::HeldInMemory() const
{
    std::lock_guard lock(m_lock);
    return !m_file;
}

QString TRpStream::FileName() const
{
    std::lock_guard lock(m_lock);
    return m_file ? m_file->fileName() : QString();
}

void TRpStream::CopyToFile(const QString& fileName)
{
    std::lock_guard lock(m_lock);
    // Written beside the target and renamed over it at the end, so a failed save leaves an
    // existing file as it was.
    WholeFile target(fileName);
    if (!target.open())
        throw EStreamError(fileMessage("Cannot create file", fileName, target.errorString()));
    seekLocked(0);
    char block[copyBlockBytes];
    for (;;) {
        const int64_t n = readLocked(block, copyBlockBytes);
        if (n == 0)
            break;
        if (!target.write(block, n))
            throw EStreamError(fileMessage("Cannot write file", fileName, target.errorString()));
    }
    if (!target.commit())
        throw EStreamError(fileMessage("Cannot write file", fileName, target.errorString()));
}

} // namespace report

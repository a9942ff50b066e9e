#pragma once

#include <QFileDevice>
#include <QString>
#include <memory>

namespace report {

// A file written whole or not at all. A regular file, or a new one, is written beside its name
// and renamed over it by commit(), so that a failed write leaves what was there. Anything else
// the name already stands for (a device such as /dev/null or /dev/stdout, a pipe) is written
// directly: renaming over it would put a regular file in its place.
class WholeFile
{
public:
    explicit WholeFile(const QString& fileName);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    bool open();
    QFileDevice& device() { return *m_file; }
    // Writes all the bytes; false, with errorString() giving the system's reason, when they do
    // not all reach the file.
    bool write(const char* data, qint64 size);
    // False, with errorString() set, when the bytes did not all reach the file.
    bool commit();
    QString errorString() const { return m_file->errorString(); }

    // Writes all the bytes to `device`. A short write sets no reason, so the rest is written
    // again until a write fails outright and carries the system's ("No space left on device").
    static bool writeAll(QIODevice& device, const char* data, qint64 size);

    // The name stands for something that exists and is not a regular file; a symbolic link
    // counts as what it points to.
    static bool isSpecial(const QString& fileName);

private:
    bool m_direct;
    std::unique_ptr<QFileDevice> m_file;
};

} // namespace report

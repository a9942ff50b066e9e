#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class QFile;

namespace report {

// The page store's byte stream: held in memory until it grows beyond a threshold, then moved
// to a temporary file in the system's temporary directory that has no name there, so that it
// goes with the stream, or with the process however it ends. Every read, write, seek and copy
// takes the stream's lock.
class TRpStream
{
public:
    // Page stores stay in memory up to this size; beyond it they live in a temporary file.
    static constexpr int64_t pageStoreSpillThresholdBytes = 100000;
    // Saving copies the stream in blocks of this size.
    static constexpr int64_t copyBlockBytes = 10240;

    explicit TRpStream(int64_t spillThresholdBytes = pageStoreSpillThresholdBytes);
    ~TRpStream();
    TRpStream(const TRpStream&) = delete;
    TRpStream& operator=(const TRpStream&) = delete;

    // A read-only stream over an existing file (a report file opened from disk).
    static std::unique_ptr<TRpStream> openFile(const QString& fileName);
    // A read-only stream over bytes in memory (a report file received whole).
    static std::unique_ptr<TRpStream> openBytes(std::string bytes);

    void Write(const void* data, int64_t count);
    // Reads up to `count` bytes; returns how many were read (fewer at the end of the stream).
    int64_t Read(void* data, int64_t count);
    // Moves to an absolute position; positions beyond the end are clamped to the end.
    void Seek(int64_t position);
    int64_t SeekEnd();
    int64_t Position() const;
    int64_t Size() const;

    // Creates (or replaces) `fileName` with the whole stream, copied in blocks from position 0.
    // The position is left at the end of the stream.
    void CopyToFile(const QString& fileName);

    bool HeldInMemory() const;
    bool ReadOnly() const { return m_readOnly; }
    int64_t SpillThreshold() const { return m_spillThreshold; }
    // The opened report file's name; empty while held in memory or in the unnamed temporary
    // file.
    QString FileName() const;

private:
    void spillToFile();
    int64_t readLocked(void* data, int64_t count);
    void seekLocked(int64_t position);
    void checkFile(bool ok, const char* what) const;
    // How messages name the temporary file, which has no name of its own.
    static QString spillLabel();

    mutable std::mutex m_lock;
    int64_t m_spillThreshold;
    bool m_readOnly = false;
    std::string m_memory;
    int64_t m_position = 0;
    std::unique_ptr<QFile> m_file;
    int64_t m_fileSize = 0; // kept here, so that asking costs no system call
};

} // namespace report

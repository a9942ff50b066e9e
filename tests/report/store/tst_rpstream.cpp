#include "report/store/ReportFileError.h"
#include "report/store/TRpStream.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace report;

namespace {

std::string pattern(size_t size, int seed)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = char((i * 31 + size_t(seed)) % 251);
    return s;
}

std::string readAll(TRpStream& stream)
{
    stream.Seek(0);
    std::string out(size_t(stream.Size()), '\0');
    EXPECT_EQ(stream.Read(out.data(), int64_t(out.size())), int64_t(out.size()));
    return out;
}

// The files this process holds open in `folder` that no name leads to any more.
std::vector<std::string> unnamedFilesIn(const QString& folder)
{
    std::vector<std::string> found;
    const QString prefix = QFileInfo(folder).canonicalFilePath() + QStringLiteral("/");
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System)) {
        const QString target = fd.symLinkTarget();
        if (target.startsWith(prefix) && target.endsWith(QStringLiteral(" (deleted)")))
            found.push_back(target.toStdString());
    }
    return found;
}

} // namespace

TEST(TRpStream, GrowingBeyondTheThresholdMovesItToATemporaryFileWithoutAName)
{
    // Unnamed, the file goes with the process however it ends: nothing is left to remove.
    testsupport::TempDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(temp.path()));
    const QDir folder(QString::fromStdString(temp.path()));
    {
        TRpStream stream;
        const std::string head = pattern(99999, 1);
        stream.Write(head.data(), int64_t(head.size()));
        EXPECT_TRUE(stream.HeldInMemory());
        stream.Write("x", 1);
        EXPECT_TRUE(stream.HeldInMemory()) << "100000 bytes are not beyond the threshold";
        EXPECT_TRUE(unnamedFilesIn(folder.path()).empty());
        stream.Write("y", 1);
        ASSERT_FALSE(stream.HeldInMemory());
        EXPECT_EQ(unnamedFilesIn(folder.path()).size(), 1u) << "the bytes are in the folder";
        EXPECT_TRUE(
            folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
            << "under no name";
        EXPECT_TRUE(stream.FileName().isEmpty());
        EXPECT_EQ(stream.Position(), 100001) << "the file's position is the end of the data";
        EXPECT_TRUE(readAll(stream) == head + "xy");

        // Writes and reads in the middle go to the file.
        stream.Seek(10);
        stream.Write("ABCD", 4);
        stream.Seek(8);
        char back[8];
        ASSERT_EQ(stream.Read(back, 8), 8);
        EXPECT_EQ(std::string(back, 8), head.substr(8, 2) + "ABCD" + head.substr(14, 2));
    }
    EXPECT_TRUE(unnamedFilesIn(folder.path()).empty()) << "the file goes with the stream";
    if (oldTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTemp);
}

TEST(TRpStream, AWriteThatCrossesTheThresholdLandsWhereItWasAimed)
{
    // Such a write goes to the file directly, from the position the stream had in memory.
    TRpStream stream;
    const std::string head = pattern(99990, 2);
    stream.Write(head.data(), int64_t(head.size()));
    stream.Seek(99980);
    const std::string page = pattern(50000, 3);
    stream.Write(page.data(), int64_t(page.size()));
    ASSERT_FALSE(stream.HeldInMemory());
    EXPECT_EQ(stream.Size(), 149980);
    EXPECT_EQ(stream.Position(), 149980);
    EXPECT_TRUE(readAll(stream) == head.substr(0, 99980) + page);
}

TEST(TRpStream, ReadsStopAtTheEndAndSeeksStayInside)
{
    for (const int64_t threshold : {int64_t(1000), int64_t(10)}) {
        TRpStream stream(threshold);
        stream.Write("0123456789ABCDEF", 16);
        EXPECT_EQ(stream.HeldInMemory(), threshold > 16);
        char buffer[16];
        stream.Seek(12);
        EXPECT_EQ(stream.Read(buffer, 16), 4);
        EXPECT_EQ(stream.Read(buffer, 16), 0);
        stream.Seek(-5);
        EXPECT_EQ(stream.Position(), 0);
        stream.Seek(1000);
        EXPECT_EQ(stream.Position(), 16);
        EXPECT_EQ(stream.SeekEnd(), 16);
    }
}

TEST(TRpStream, CopiesItselfIntoAFileReplacingAnyFileOfThatName)
{
    testsupport::TempDir dir;
    const QString target = QString::fromStdString(dir.file("saved.rpf"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(50000, 'Z'));
    old.close();

    for (const size_t size : {size_t(20000), size_t(123457)}) {
        TRpStream stream;
        const std::string bytes = pattern(size, 7);
        stream.Write(bytes.data(), int64_t(bytes.size()));
        stream.Seek(5);
        stream.CopyToFile(target);
        QFile saved(target);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_TRUE(saved.readAll().toStdString() == bytes) << size << " bytes";
        EXPECT_EQ(stream.Position(), int64_t(size));
    }
    TRpStream stream;
    EXPECT_THROW(stream.CopyToFile(QString::fromStdString(dir.path())), EStreamError) << "a folder";
    EXPECT_THROW(stream.CopyToFile(QString::fromStdString(dir.file("no/such/folder/x.rpf"))),
                 EStreamError);
}

// Renamed over, a pipe (or a device such as /dev/null) would become a regular file.
TEST(TRpStream, CopiesItselfIntoAPipeWhichStaysAPipe)
{
    testsupport::TempDir dir;
    const std::string fifo = dir.file("to-printer.rpf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Open for reading and writing, so that neither side's open waits for the other; the
    // reader takes as many bytes as are sent and gives up after a silence.
    const int end = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(end, 0);
    const size_t expected = 123457;
    std::string received;
    std::thread reader([&] {
        char block[65536];
        pollfd ready{end, POLLIN, 0};
        while (received.size() < expected && ::poll(&ready, 1, 30000) == 1) {
            const ssize_t n = ::read(end, block, sizeof block);
            if (n <= 0)
                break;
            received.append(block, size_t(n));
        }
    });
    TRpStream stream;
    const std::string bytes = pattern(expected, 3);
    stream.Write(bytes.data(), int64_t(bytes.size()));
    stream.CopyToFile(QString::fromStdString(fifo));
    reader.join();
    ::close(end);
    EXPECT_TRUE(received == bytes) << received.size() << " bytes";
    struct stat st = {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(TRpStream, AnOpenedFileIsReadOnly)
{
    testsupport::TempDir dir;
    const QString name = QString::fromStdString(dir.file("in.rpf"));
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("hello");
    f.close();
    auto stream = TRpStream::openFile(name);
    EXPECT_TRUE(stream->ReadOnly());
    EXPECT_EQ(readAll(*stream), "hello");
    EXPECT_THROW(stream->Write("x", 1), EStreamError);
    EXPECT_THROW(TRpStream::openFile(QString::fromStdString(dir.file("missing.rpf"))),
                 EStreamError);
}

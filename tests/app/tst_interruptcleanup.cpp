// What SIGINT, SIGTERM and SIGHUP leave of a file being written: nothing.
#include "app/InterruptCleanup.h"
#include "tests/support/TestSupport.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool exists(const std::string& path)
{
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0;
}

void touch(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    if (fd >= 0)
        ::close(fd);
}

} // namespace

TEST(InterruptCleanup, AnInterruptRemovesTheFileBeingWrittenAndEndsByItsSignal)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        testsupport::TempDir dir;
        const std::string written = dir.file("done.pdf");
        const std::string partial = dir.file(".period.abc123.pdf");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            app::removePartialFileOnInterrupt();
            touch(written);
            {
                const app::PartialFile finished(written);
            }
            touch(partial);
            const app::PartialFile current(partial);
            ::raise(signal);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_FALSE(exists(partial)) << "the file being written goes";
        EXPECT_TRUE(exists(written)) << "a file written whole stays";
    }
}

TEST(InterruptCleanup, ASignalIgnoredByTheStarterStaysIgnored)
{
    testsupport::TempDir dir;
    const std::string partial = dir.file(".x.pdf");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGHUP, SIG_IGN); // as nohup starts a program
        app::removePartialFileOnInterrupt();
        touch(partial);
        const app::PartialFile current(partial);
        ::raise(SIGHUP);
        ::_exit(exists(partial) ? 7 : 8);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7) << "still running, still writing";
}

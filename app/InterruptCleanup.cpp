#include "app/InterruptCleanup.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace app {

namespace {

// Read by the signal handler, so a fixed buffer and a lock-free flag: nothing to allocate.
char partialPath[PATH_MAX];
std::atomic<bool> partialSet{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int interrupts[] = {SIGINT, SIGTERM, SIGHUP};

void onInterrupt(int signal)
{
    if (partialSet.load())
        ::unlink(partialPath);
    // Ended by the signal itself, so that whoever waits on us learns what happened.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    ::raise(signal);
}

} // namespace

void removePartialFileOnInterrupt()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // One signal's handler runs alone: a second one waits until the first has ended us.
    for (const int s : interrupts)
        sigaddset(&action.sa_mask, s);
    for (const int s : interrupts) {
        // A signal ignored by whoever started us (nohup) stays ignored.
        struct sigaction old = {};
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            ::sigaction(s, &action, nullptr);
    }
}

PartialFile::PartialFile(const std::string& path)
{
    partialSet.store(false);
    if (path.size() >= sizeof partialPath)
        return;
    std::memcpy(partialPath, path.c_str(), path.size() + 1);
    partialSet.store(true);
}

PartialFile::~PartialFile()
{
    partialSet.store(false);
}

} // namespace app

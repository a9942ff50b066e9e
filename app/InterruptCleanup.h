#pragma once

#include <string>

namespace app {

// Makes SIGINT, SIGTERM and SIGHUP remove the file being written before they end the process,
// as they would have ended it (the shell still sees the signal). Spill files need nothing: they
// have no name (report/store).
void removePartialFileOnInterrupt();

// While one lives, the file it names is what an interrupting signal removes. One at a time.
class PartialFile
{
public:
    explicit PartialFile(const std::string& path);
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
};

} // namespace app

#pragma once

namespace web {

// `mirola web`: argv[1] is "web"; the options after it are its own. Runs until stopped.
int runWebCommand(int argc, char** argv);

} // namespace web

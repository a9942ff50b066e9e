#pragma once

#include "viewer/Configuration.h"

#include <ostream>
#include <string>
#include <vector>

namespace app {

// `mirola control regfile [LIBRARY_PATH]`, `mirola control idl` and `mirola control rc`: the
// control's registry entries, type-library source and version resource as text for a Windows
// build. `args` are the words after "control"; the path is UTF-8 and is written as cp949.
// Returns the exit status: 0, or 2 with a message on `err` for bad arguments.
int controlCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The viewer in a window of its own: a top-level host window that embeds one control, the same
// way any other host does. Runs the application's event loop (a QApplication must exist) until
// the window closes and returns its status; 1 when the control cannot be created.
int runViewerWindow(const viewer::Configuration& config);

} // namespace app

#pragma once

#include <string>

namespace viewer::control {

// The type library as interface-definition source, for a Windows build to compile into the
// library's TYPELIB resource.
std::string typeLibraryIdl();

} // namespace viewer::control

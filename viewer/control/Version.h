#pragma once

#include <string>

namespace viewer::control {

// The library's version resource: file and product version, the product version's text, and
// the registration flag installers look for.
struct VersionInfo
{
    int major;
    int minor;
    int release;
    int build;
    std::string productVersionText;

    std::string text() const; // "1.1.0.10"
};

const VersionInfo& libraryVersion();

// The library's resources as resource-script text, for a Windows build: the type library
// compiled from typeLibraryIdl() and the toolbox picture (viewer/control/mirola.bmp), each as
// resource 1 of its type, and the version resource.
std::string versionResourceText();

} // namespace viewer::control

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

// The version resource of the library as resource-script text, with the type library compiled
// from typeLibraryIdl() as resource 1, for a Windows build.
std::string versionResourceText();

} // namespace viewer::control

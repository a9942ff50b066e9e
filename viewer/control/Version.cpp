#include "viewer/control/Version.h"

namespace viewer::control {

const VersionInfo& libraryVersion()
{
    // The build's own version, from the project.
    static const VersionInfo version{MIROLA_VERSION_MAJOR, MIROLA_VERSION_MINOR,
                                     MIROLA_VERSION_PATCH, MIROLA_VERSION_TWEAK, "1.0.0.0"};
    return version;
}

std::string VersionInfo::text() const
{
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release) +
           "." + std::to_string(build);
}

std::string versionResourceText()
{
    const VersionInfo& v = libraryVersion();
    const std::string commas = std::to_string(v.major) + "," + std::to_string(v.minor) + "," +
                               std::to_string(v.release) + "," + std::to_string(v.build);
    return "// mirola.ocx resources. Beside this script: mirola.tlb, compiled from the type "
           "library\n"
           "// source, and mirola.bmp, the toolbox picture of viewer/control.\n"
           "1 TYPELIB \"mirola.tlb\"\n"
           "\n"
           // The registry's ToolboxBitmap32 names this resource: a 16 x 15, 16-colour picture.
           "1 BITMAP \"mirola.bmp\"\n"
           "\n"
           "1 VERSIONINFO\n"
           "FILEVERSION " +
           commas +
           "\n"
           "PRODUCTVERSION " +
           commas +
           "\n"
           "FILEOS 0x4\n"   // VOS__WINDOWS32
           "FILETYPE 0x2\n" // VFT_DLL
           "BEGIN\n"
           "  BLOCK \"StringFileInfo\"\n"
           "  BEGIN\n"
           "    BLOCK \"041203B5\"\n" // Korean, code page 949
           "    BEGIN\n"
           "      VALUE \"FileVersion\", \"" +
           v.text() +
           "\"\n"
           "      VALUE \"ProductVersion\", \"" +
           v.productVersionText +
           "\"\n"
           "      VALUE \"OleSelfRegister\", \"\"\n"
           "    END\n"
           "  END\n"
           "  BLOCK \"VarFileInfo\"\n"
           "  BEGIN\n"
           "    VALUE \"Translation\", 0x0412, 949\n"
           "  END\n"
           "END\n";
}

} // namespace viewer::control

#pragma once

#include "viewer/control/Automation.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace viewer::control {

class Registry;

// One key that registration writes, with its string values (the empty name is the default
// value); a key without values is written empty.
struct RegistryKeyEntry
{
    std::string path;
    std::vector<std::pair<std::string, std::string>> values;
};

// The miscellaneous status the control registers: simple frame and acts like a label, with what
// every form control adds (recompose on resize, can't link inside, inside-out, activate when
// visible, set client site first).
uint32_t miscStatus();

// What registration writes for the library at `libraryPath` (its full path, cp949): the class,
// its ProgID, and the type library with its two interfaces, in the order they are written.
std::vector<RegistryKeyEntry> registrationEntries(const std::string& libraryPath);

HRESULT registerServer(Registry& registry, const std::string& libraryPath);
// Removes what registerServer wrote. SELFREG_E_CLASS when a key of the class holds subkeys
// that registration did not write (that key stays); everything else is removed all the same.
HRESULT unregisterServer(Registry& registry);

// The same entries as a registry file for a Windows build to import (cp949, CRLF lines).
std::string registryFileText(const std::string& libraryPath);

} // namespace viewer::control

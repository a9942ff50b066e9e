#pragma once

#include "viewer/Configuration.h"
#include "viewer/control/Automation.h"
#include "viewer/control/Guid.h"

#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace viewer::control {

class MirolaControl;
class Registry;

// The class factory of the control, one for the library. Hosts ask it for instances and may
// lock the library in memory between creations.
class MirolaFactory
{
public:
    // A new control inside `site`, the host's window. E_POINTER without `object`,
    // E_INVALIDARG without a site.
    HRESULT CreateInstance(QWidget* site, std::unique_ptr<MirolaControl>* object);
    // Locks count like live objects; an unlock without a lock is refused with E_UNEXPECTED.
    HRESULT LockServer(bool lock);

    // The deployment every new instance's form is created with; the built-in demo deployment
    // unless set (made when first needed, since it draws the demo seal).
    void setConfiguration(const Configuration& config) { m_config = config; }
    Configuration configuration() const;

private:
    std::optional<Configuration> m_config;
};

// The exports of the library. The factory for the mirola class, CLASS_E_CLASSNOTAVAILABLE
// (and null) for any other class.
HRESULT DllGetClassObject(const Guid& clsid, MirolaFactory** factory);
// S_OK when no control object and no factory lock is alive, S_FALSE otherwise.
HRESULT DllCanUnloadNow();
// Registers the type library and the class for the library at `libraryPath` (its full path as
// the host's platform writes it, cp949) in `registry`, and removes them again.
HRESULT DllRegisterServer(Registry& registry, const std::string& libraryPath);
HRESULT DllUnregisterServer(Registry& registry);

// One live control object of the library, counted for as long as this lives: a control holds
// one from before its form is built, and a construction that throws lets go of it.
class LiveObject
{
public:
    LiveObject();
    ~LiveObject();
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};

} // namespace viewer::control

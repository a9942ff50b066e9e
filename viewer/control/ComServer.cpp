#include "viewer/control/ComServer.h"

#include "viewer/control/MirolaControl.h"
#include "viewer/control/Registration.h"
#include "viewer/control/TypeLibrary.h"

namespace viewer::control {

namespace {

// Everything runs on the host's one user-interface thread (apartment threading), so plain
// counters do.
int liveObjects = 0;
int serverLocks = 0;

} // namespace

LiveObject::LiveObject()
{
    ++liveObjects;
}

LiveObject::~LiveObject()
{
    --liveObjects;
}

HRESULT MirolaFactory::CreateInstance(QWidget* site, std::unique_ptr<MirolaControl>* object)
{
    if (!object)
        return E_POINTER;
    object->reset();
    if (!site)
        return E_INVALIDARG;
    try {
        *object = std::make_unique<MirolaControl>(site, configuration());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    return S_OK;
}

Configuration MirolaFactory::configuration() const
{
    return m_config ? *m_config : Configuration::defaults();
}

HRESULT MirolaFactory::LockServer(bool lock)
{
    if (lock) {
        ++serverLocks;
        return S_OK;
    }
    if (serverLocks == 0)
        return E_UNEXPECTED;
    --serverLocks;
    return S_OK;
}

HRESULT DllGetClassObject(const Guid& clsid, MirolaFactory** factory)
{
    if (!factory)
        return E_POINTER;
    *factory = nullptr;
    if (clsid != CLSID_mirola)
        return CLASS_E_CLASSNOTAVAILABLE;
    static MirolaFactory theFactory;
    *factory = &theFactory;
    return S_OK;
}

HRESULT DllCanUnloadNow()
{
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

HRESULT DllRegisterServer(Registry& registry, const std::string& libraryPath)
{
    return registerServer(registry, libraryPath);
}

HRESULT DllUnregisterServer(Registry& registry)
{
    return unregisterServer(registry);
}

} // namespace viewer::control

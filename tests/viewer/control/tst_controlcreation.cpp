// A control whose creation fails part way leaves nothing alive: the library's count of live
// objects is back where it was and the host's window holds no half-built form. The failure is
// an allocation made to fail, so this program has its own allocator.
#include "viewer/TFmirola.h"
#include "viewer/control/ComServer.h"
#include "viewer/control/MirolaControl.h"

#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {

// The size of the next allocation to refuse; 0 refuses none. Cleared when it strikes.
std::atomic<std::size_t> refuseSize{0};

void* allocate(std::size_t n)
{
    std::size_t expected = n;
    if (n != 0 && refuseSize.compare_exchange_strong(expected, 0))
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t n)
{
    return allocate(n);
}
void* operator new[](std::size_t n)
{
    return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept
{
    return operator new(n, tag);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace {

using namespace viewer::control;

TEST(ControlCreation, AFormThatCannotBeBuiltLeavesNothingAlive)
{
    MirolaFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_mirola, &factory), S_OK);
    factory->setConfiguration(viewer::Configuration::defaults());
    // The control object itself must not be what fails.
    ASSERT_NE(sizeof(MirolaControl), sizeof(viewer::TFmirola));
    QWidget site;
    ASSERT_EQ(DllCanUnloadNow(), S_OK);

    std::unique_ptr<MirolaControl> control;
    refuseSize = sizeof(viewer::TFmirola);
    EXPECT_EQ(factory->CreateInstance(&site, &control), E_OUTOFMEMORY);
    EXPECT_EQ(refuseSize.exchange(0), 0u); // the refusal struck
    EXPECT_EQ(control, nullptr);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    EXPECT_TRUE(site.findChildren<QWidget*>().isEmpty());

    // The library still makes controls afterwards, and counts them.
    ASSERT_EQ(factory->CreateInstance(&site, &control), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    control.reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

} // namespace

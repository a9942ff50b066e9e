// The web front's bound on each visitor's failed security-number matches, on a clock of its own.
#include "web/GuessGuard.h"

#include <gtest/gtest.h>

using web::GuessGuard;

TEST(GuessGuard, FailuresPauseTheirVisitorForTheRestOfTheWindow)
{
    GuessGuard guard({3, 1000});
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(guard.begin("10.0.0.1", 100 * i), 0);
        guard.finish("10.0.0.1", true, 100 * i);
    }
    EXPECT_EQ(guard.begin("10.0.0.1", 250), 750) << "until the first failure leaves the window";
    EXPECT_EQ(guard.begin("10.0.0.2", 250), 0) << "another visitor goes on";
    guard.finish("10.0.0.2", false, 260);
    EXPECT_EQ(guard.begin("10.0.0.1", 1000), 0);
}

TEST(GuessGuard, GuessesUnderWayCountSoThatNonePassTheBoundSideBySide)
{
    GuessGuard guard({2, 1000});
    EXPECT_EQ(guard.begin("10.0.0.1", 0), 0);
    EXPECT_EQ(guard.begin("10.0.0.1", 0), 0);
    EXPECT_GT(guard.begin("10.0.0.1", 0), 0);
    // Right numbers free their places again.
    guard.finish("10.0.0.1", false, 10);
    guard.finish("10.0.0.1", false, 10);
    EXPECT_EQ(guard.begin("10.0.0.1", 20), 0);
}

TEST(GuessGuard, VisitorsAreAddressesAndIpv6Networks)
{
    struct Case
    {
        const char* name;
        const char* address;
        const char* visitor;
    };
    for (const Case& c : {
             Case{"an IPv4 address", "192.0.2.7", "192.0.2.7"},
             Case{"an IPv6 address, by its /64", "2001:db8:1:2:aaaa::5", "2001:db8:1:2::/64"},
             Case{"another address of the same /64", "2001:db8:1:2:bbbb::9", "2001:db8:1:2::/64"},
             Case{"an IPv4 address in IPv6 form", "::ffff:192.0.2.7", "192.0.2.7"},
             Case{"no address at all", "?", "?"},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GuessGuard::visitorOf(c.address), c.visitor);
    }
}

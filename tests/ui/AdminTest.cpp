// The administrators-group test through calls loaded by name: on an NT-family system it runs
// to its end (every function found under its name); on 9x it is refused without an error.
#include "app/AlreadyLaunched.h"
#include <doctest/doctest.h>

TEST_CASE("the administrators-group test runs to its end where access tokens exist") {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    REQUIRE(GetVersionExA(&version));
    REQUIRE(version.dwPlatformId == VER_PLATFORM_WIN32_NT);
    bool done = false;
    // Wine's user is an administrator.
    CHECK(STools::CAlreadyLaunchedBase::IsUserAdmin(&done));
    CHECK(done);
}

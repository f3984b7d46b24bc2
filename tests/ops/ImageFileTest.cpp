// The driver image path follows the OS family of the machine the test runs on.
#include "ops/RegistryOperations.h"
#include <doctest/doctest.h>

TEST_CASE("SetImageFile") {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    REQUIRE(GetVersionExA(&version));
    REQUIRE(version.dwPlatformId == OPS_EXPECTED_PLATFORM);

    SSETUPREG::CDriverServiceInfo info;
    info.SetImageFile("zvIFDH.sys");
#if OPS_EXPECTED_PLATFORM == VER_PLATFORM_WIN32_NT
    CHECK(info.ImagePath == "System32\\drivers\\zvIFDH.sys");
#else
    CHECK(info.ImagePath == "\\SystemRoot\\System32\\drivers\\zvIFDH.sys");
#endif
    // A second call replaces the path.
    info.SetImageFile("zvUSB.sys");
    CHECK(info.ImagePath.size() > 9);
    CHECK(info.ImagePath.compare(info.ImagePath.size() - 9, 9, "zvUSB.sys") == 0);
    CHECK(info.ImagePath.find("zvIFDH") == std::string::npos);
}

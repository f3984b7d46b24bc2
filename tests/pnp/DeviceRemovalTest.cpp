// Device removal by hardware ID through Wine's own Setup API, on fixture devices.
#include "DeviceFixtures.h"
#include "ops/DeviceInfoSet.h"
#include "ops/PnpDriver.h"
#include "setup/Context.h"
#include <doctest/doctest.h>
#include <vector>

using namespace pnptest;
using namespace std::string_literals;

TEST_CASE("multi-strings are walked within their size") {
    struct {
        std::string block;
        std::vector<std::string> strings;
    } const cases[] = {
        {"A\0BC\0\0"s, {"A", "BC"}},
        {"A\0BC"s, {"A", "BC"}}, // no terminators: the size ends the
                                 // last string
        {"AB\0\0C\0\0"s, {"AB"}},
        {"\0\0"s, {}},
        {""s, {}},
    };
    for (const auto& c : cases) {
        CHECK(SINSTPNP::SplitMultiString(c.block.data(), c.block.size()) == c.strings);
    }
}

TEST_CASE("devices go by the first ID of the INF class, or by any ID of a named class") {
    REQUIRE(RegisterClassName(kReaderInf));
    RemoveAllDevices(kReaderInf);
    REQUIRE(CountDevices(kReaderInf) == 0);
    // First ID in two letter cases, first ID without any terminator, second ID, other ID.
    for (const std::string& ids :
         {"*ZV0001\0\0"s, "*zv0001\0OTHER\0\0"s, "*ZV0001"s, "OTHER\0*ZV0001\0\0"s, "OTHER\0\0"s}) {
        REQUIRE(AddDevice(kReaderInf, ids));
    }
    REQUIRE(CountDevices(kReaderInf) == 5);

    bool reboot = true;
    int removed = -1;
    CHECK(SINSTPNP::RemoveDevicesOfInfClass(kReaderInf, kReaderId, &reboot, &removed));
    CHECK(removed == 3);
    CHECK_FALSE(reboot);
    CHECK(CountDevices(kReaderInf) == 2);
    CHECK(CountDevices(kReaderInf, "OTHER") == 2);

    // Nothing left to match: success, nothing removed.
    CHECK(SINSTPNP::RemoveDevicesOfInfClass(kReaderInf, kReaderId, &reboot, &removed));
    CHECK(removed == 0);

    CHECK(SINSTPNP::RemoveDevicesByClassName("NoSuchClassAtAll", kReaderId));
    CHECK(CountDevices(kReaderInf) == 2);

    SSETUP::CContextDefault context(nullptr);
    SINSTPNP::CUnRegisterPNPDriverByClassNameAndID byName("SmartCardReader", "*zv0001", false);
    CHECK(byName.Perform(context));
    CHECK(CountDevices(kReaderInf) == 1);
    CHECK(CountDevices(kReaderInf, "OTHER") == 1);
}

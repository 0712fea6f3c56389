// Binding and finding the box, against the simulated box's HID listing.
#include <gtest/gtest.h>

#include "../bootloader/sim_session.h"
#include "base/result.h"
#include "hid/discovery.h"
#include "hid/hidapi_backend.h"

namespace {

TEST(HardwareId, MatchesTheBoxInAnyCase) {
    struct Case {
        const char* id;
        bool matches;
    };
    for (const Case c : {Case{"HID\\VID_2E4B&PID_0001&REV_0100", true},
                         {"hid\\vid_2e4b&pid_0001&rev_0100", true},
                         {"HID\\Vid_2e4B&pId_0001", true},
                         {"HID\\VID_2E4B&PID_0002&REV_0100", false},
                         {"HID\\VID_2E4C&PID_0001", false},
                         {"", false}}) {
        EXPECT_EQ(hid::matchesBox(c.id), c.matches) << c.id;
    }
    EXPECT_EQ(hid::formatHardwareId(0x2E4B, 0x0001, 0x0100), "HID\\VID_2E4B&PID_0001&REV_0100");
    EXPECT_EQ(hid::formatHardwareId(0xab, 0x1234, 0x2), "HID\\VID_00AB&PID_1234&REV_0002");
}

class Discovery : public testsupport::SimSession {};

TEST_F(Discovery, FirstMatchingInterfaceWins) {
    sim::BoxConfig other = sim::defaultBoxConfig();
    other.hardwareId = "HID\\VID_2E4B&PID_0002&REV_0100";
    start({other, sim::defaultBoxConfig(), sim::defaultBoxConfig()});
    EXPECT_EQ(session->findDevice(), 1);
    EXPECT_EQ(session->devicePath(), sim::SimBackend::pathOf(1));
    box->unplug(1);
    EXPECT_EQ(session->findDevice(), 1);
    EXPECT_EQ(session->devicePath(), sim::SimBackend::pathOf(2));
}

TEST_F(Discovery, NothingFoundKeepsThePreviousPath) {
    ASSERT_EQ(session->findDevice(), 1);
    box->unplug();
    EXPECT_EQ(session->findDevice(), 0);
    EXPECT_EQ(session->devicePath(), sim::SimBackend::pathOf(0));
    EXPECT_FALSE(session->isDevicePresent());
    box->plug();
    EXPECT_TRUE(session->isDevicePresent());
    session->discovery().forgetDevicePath();
    EXPECT_FALSE(session->isDevicePresent());
}

TEST_F(Discovery, MissingSearchFacilitiesAreReportedAndNothingIsFound) {
    box->setFacilities(hid::kAllFacilities & ~(hid::kListDevices | hid::kHardwareId));
    EXPECT_EQ(session->findDevice(), 0);
    const auto events = recordedEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text, "ERROR invoking SetupDiGetClassDevs function");
    EXPECT_EQ(events[1].text, "ERROR invoking SetupDiGetDeviceRegistryProperty function");
    for (const auto& e : events) {
        EXPECT_EQ(e.kind, 0);
        EXPECT_EQ(e.code, 256);
        EXPECT_EQ(e.operation, 0);
        EXPECT_EQ(e.extra, 0);
    }
    box->setFacilities(hid::kAllFacilities & ~hid::kInterfacePath);
    EXPECT_EQ(session->connect(), bootloader::ConnectResult::done);
    EXPECT_EQ(session->connected, 0u);
    EXPECT_EQ(recordedEvents().back().text, "ERROR invoking SetupDiGetDeviceInterfaceDetail function");
}

// A box that is found but cannot be opened names the path and the system's reason.
TEST_F(Discovery, AnOpenFailureCarriesItsCause) {
    EXPECT_EQ(session->connect(), bootloader::ConnectResult::done);
    EXPECT_TRUE(session->lastFailure().ok());
    box->failOpens(hid::Access::write, true);
    EXPECT_EQ(session->connect(), bootloader::ConnectResult::done);
    EXPECT_EQ(session->connected, 0u);
    EXPECT_EQ(session->lastFailure().cause(), "cannot open sim:box0: Permission denied");
    box->failOpens(hid::Access::write, false);
    box->unplug();
    EXPECT_EQ(session->connect(), bootloader::ConnectResult::done);
    EXPECT_EQ(session->lastFailure().cause(), "no box found (USB Vid_2E4B&Pid_0001)");
}

// The binding checks the platform once per session; the first facility missing decides the code.
TEST_F(Discovery, BindingCodes) {
    struct Case {
        std::uint32_t missing;
        std::uint32_t code;
        const char* text;
    };
    for (const Case c : {Case{hid::kDeviceSetupLibrary, 1, "ERROR loading setupapi.dll"},
                         {hid::kHidLibrary | hid::kNotificationEntry, 2, "ERROR loading hid.dll"},
                         {hid::kNotificationLibrary, 3, "ERROR loading user32.dll"},
                         {hid::kNotificationEntry, 4, "RegisterDeviceNotification no encontrada"},
                         {0, 0, ""}}) {
        box->setFacilities(hid::kAllFacilities & ~c.missing);
        bootloader::BootLoader fresh(box);
        const hid::DiscoveryState& state = fresh.discovery().state();
        EXPECT_TRUE(state.systemLibrariesBound);
        EXPECT_EQ(base::code(state.bindingError), c.code);
        EXPECT_EQ(state.bindingErrorText, c.text);
        EXPECT_EQ(base::code(fresh.bindSystemLibraries()), c.code)
            << "binding again checks the same platform";
    }
    // A session that has bound does not bind again when it is initialised anew.
    box->setFacilities(hid::kAllFacilities);
    bootloader::BootLoader bound(box);
    box->setFacilities(0);
    EXPECT_EQ(bound.initialise(), 0);
    EXPECT_EQ(bound.discovery().state().bindingError, hid::BindingError::ok);
}

}  // namespace

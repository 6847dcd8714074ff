#include <gtest/gtest.h>

#include "app/application.h"
#include "app/audio_output.h"
#include "app/device_table.h"
#include "engine/engine.h"
#include "fake_audio_backend.h"
#include "fake_midi_input.h"

namespace vortane {
namespace {

using testing::FakeAudioBackend;
using testing::FakeMidiInput;
using testing::RecordingMessageSink;
using Calls = std::vector<std::string>;

// ---- the device table ----

struct TableCase {
    const char* label;
    std::vector<AudioBackend::DeviceInfo> devices;
    int default_device;
    int count_override;
    std::vector<std::pair<std::string, int>> expected; // name, device number
};

void PrintTo(const TableCase& c, std::ostream* os) {
    *os << c.label;
}

class DeviceTableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(DeviceTableTest, ListsOutputDevicesWithTheDefaultFirst) {
    const TableCase& c = GetParam();
    FakeAudioBackend backend;
    backend.devices = c.devices;
    backend.default_device = c.default_device;
    backend.device_count_override = c.count_override;
    std::vector<std::pair<std::string, int>> table;
    for (const OutputDevice& d : BuildOutputDeviceTable(backend)) {
        table.emplace_back(d.name, d.number);
    }
    EXPECT_EQ(table, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceTableTest,
    ::testing::Values(
        TableCase{
            "input_only_first", {{"mic", 0}, {"hw", 2}, {"pulse", 2}}, -1, 0, {{"hw", 1}, {"pulse", 2}}},
        TableCase{"default_moves_first",
                  {{"hw", 2}, {"mic", 0}, {"pipewire", 2}, {"hdmi", 8}},
                  2,
                  0,
                  {{"pipewire", 2}, {"hw", 0}, {"hdmi", 3}}},
        TableCase{"default_without_outputs_ignored", {{"mic", 0}, {"hw", 2}}, 0, 0, {{"hw", 1}}},
        TableCase{"default_out_of_range_ignored", {{"hw", 2}}, 7, 0, {{"hw", 0}}},
        TableCase{"no_output_device", {{"mic", 0}, {"line in", 0}}, -1, 0, {{"", 0}}},
        TableCase{"no_device", {}, -1, 0, {{"", 0}}},
        TableCase{"library_error", {{"hw", 2}}, 0, -9999, {{"", 0}}}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return std::string(info.param.label); });

// ---- the stream: start-up, device switch, shutdown ----

struct AudioOutputFixture : ::testing::Test {
    AudioOutputFixture() {
        backend.devices = {{"default", 2}, {"broken", 2}, {"hw", 2}};
        backend.default_device = 0;
        backend.failing_devices = {1};
    }
    void StartOnEntryZero() {
        ASSERT_EQ(output.Initialize(), 0);
        output.BuildDeviceTable();
        ASSERT_EQ(output.OpenStream(0), 0);
        output.StartStream();
        backend.calls.clear();
    }
    FakeAudioBackend backend;
    Engine engine;
    AudioOutput output{backend, engine};
};

TEST_F(AudioOutputFixture, SwitchReopensTheStreamOnTheChosenDevice) {
    StartOnEntryZero();
    output.SwitchDevice(2);
    EXPECT_EQ(backend.calls, (Calls{"Abort", "Terminate", "Initialize", "Open 2", "Start"}));
    EXPECT_TRUE(output.stream_running());
    EXPECT_EQ(backend.misuse, 0);
}

TEST_F(AudioOutputFixture, FailedSwitchLeavesNoStreamAndALaterSwitchPlaysAgain) {
    StartOnEntryZero();
    output.SwitchDevice(1);
    EXPECT_EQ(backend.calls, (Calls{"Abort", "Terminate", "Initialize", "Open 1"}));
    EXPECT_FALSE(output.stream_open());

    backend.calls.clear();
    output.SwitchDevice(0); // no stream to abort, but the library to terminate
    EXPECT_EQ(backend.calls, (Calls{"Terminate", "Initialize", "Open 0", "Start"}));
    EXPECT_TRUE(output.stream_running());
    EXPECT_EQ(backend.misuse, 0);
}

TEST_F(AudioOutputFixture, FailedInitialiseOnSwitchThenShutdownTouchesNothing) {
    StartOnEntryZero();
    backend.initialize_error = -10000;
    output.SwitchDevice(2);
    EXPECT_EQ(backend.calls, (Calls{"Abort", "Terminate", "Initialize"}));
    backend.calls.clear();
    output.Shutdown({});
    EXPECT_TRUE(backend.calls.empty());
    EXPECT_EQ(backend.misuse, 0);
}

TEST_F(AudioOutputFixture, ShutdownWaitsWhileTheStreamIsActivePumpingEvents) {
    StartOnEntryZero();
    backend.active_polls = 3;
    int pumped = 0;
    output.Shutdown([&] { ++pumped; });
    EXPECT_EQ(backend.calls, (Calls{"Abort", "IsActive", "IsActive", "IsActive", "IsActive", "Terminate"}));
    EXPECT_EQ(pumped, 3);
    EXPECT_EQ(backend.misuse, 0);
}

TEST_F(AudioOutputFixture, ShutdownAfterAFailedSwitchTerminatesWithoutTouchingAStream) {
    StartOnEntryZero();
    output.SwitchDevice(1);
    backend.calls.clear();
    output.Shutdown({});
    EXPECT_EQ(backend.calls, (Calls{"Terminate"}));
    EXPECT_EQ(backend.misuse, 0);
}

// ---- start-up failures: the "PortAudio" message, no window, exit code 0 ----

struct NoOutputCase {
    const char* label;
    std::vector<AudioBackend::DeviceInfo> devices;
    const char* error_text;
};

void PrintTo(const NoOutputCase& c, std::ostream* os) {
    *os << c.label;
}

class StartUpWithoutOutput : public ::testing::TestWithParam<NoOutputCase> {};

// The table keeps its empty entry, the stream is opened on device 0 and the library refuses.
TEST_P(StartUpWithoutOutput, ReportsTheOpenErrorAndEnds) {
    FakeAudioBackend backend;
    backend.devices = GetParam().devices;
    FakeMidiInput midi;
    RecordingMessageSink messages;
    Application app(backend, midi, messages);
    EXPECT_FALSE(app.StartUp());
    EXPECT_EQ(backend.calls, (Calls{"Initialize", "Open 0"}));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0],
              (std::pair<std::string, std::string>{"PortAudio", GetParam().error_text}));
    EXPECT_EQ(app.window(), nullptr);
    app.ShutDown(); // ends without touching the library again
    EXPECT_EQ(backend.calls.size(), 2u);
    EXPECT_EQ(backend.misuse, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartUpWithoutOutput,
                         ::testing::Values(NoOutputCase{"no_device", {}, "Invalid device"},
                                           NoOutputCase{
                                               "input_only", {{"mic", 0}}, "Invalid number of channels"}),
                         [](const ::testing::TestParamInfo<NoOutputCase>& info) { return info.param.label; });

TEST(StartUpFailure, InitialiseErrorIsReportedWithTheLibraryText) {
    FakeAudioBackend backend;
    backend.initialize_error = -9999;
    FakeMidiInput midi;
    RecordingMessageSink messages;
    Application app(backend, midi, messages);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(backend.calls, (Calls{"Initialize"}));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], (std::pair<std::string, std::string>{"PortAudio", "Error -9999"}));
}

} // namespace
} // namespace vortane

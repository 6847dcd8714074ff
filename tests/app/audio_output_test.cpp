#include "app/device_table.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using testing::Calls;
using testing::FakeAudioBackend;

struct TableCase {
    const char* label;
    std::vector<AudioBackend::DeviceInfo> devices;
    int default_device;
    std::vector<std::pair<std::string, int>> expected; // name, device number
};

void PrintTo(const TableCase& c, std::ostream* os) {
    *os << c.label;
}

class DeviceTableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(DeviceTableTest, ListsOutputDevicesWithTheDefaultFirst) {
    FakeAudioBackend backend;
    backend.devices = GetParam().devices;
    backend.default_device = GetParam().default_device;
    std::vector<std::pair<std::string, int>> table;
    for (const OutputDevice& d : BuildOutputDeviceTable(backend)) {
        table.emplace_back(d.name, d.number);
    }
    EXPECT_EQ(table, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DeviceTableTest,
                         ::testing::Values(TableCase{"default_first",
                                                     {{"hw", 2}, {"mic", 0}, {"pipewire", 2}, {"hdmi", 8}},
                                                     2,
                                                     {{"pipewire", 2}, {"hw", 0}, {"hdmi", 3}}},
                                           TableCase{
                                               "input_only", {{"mic", 0}, {"line in", 0}}, -1, {{"", 0}}},
                                           TableCase{"no_device", {}, -1, {{"", 0}}}),
                         [](const auto& info) { return std::string(info.param.label); });

// A switch to a device that fails to open, or with a library that fails to initialise, leaves no
// stream; shutdown then touches no missing stream and terminates only an initialised library.
TEST(AudioOutputTest, FailedSwitchAndShutdownNeverTouchAMissingStream) {
    for (bool initialise_fails : {false, true}) {
        FakeAudioBackend backend;
        backend.devices = {{"default", 2}, {"broken", 2}};
        backend.failing_devices = {1};
        Synth synth;
        AudioOutput output{backend, synth};
        ASSERT_EQ(output.Initialize(), 0);
        output.BuildDeviceTable();
        ASSERT_EQ(output.OpenStream(0), 0);
        output.StartStream();
        backend.calls.clear();
        backend.initialize_error = initialise_fails ? -10000 : 0;
        output.SwitchDevice(1);
        EXPECT_FALSE(output.stream_open());
        if (!initialise_fails) { // a later switch plays again, and fails again
            output.SwitchDevice(0);
            EXPECT_TRUE(output.stream_running());
            output.SwitchDevice(1);
        }
        backend.calls.clear();
        output.Shutdown({});
        EXPECT_EQ(backend.calls, initialise_fails ? Calls{} : Calls{"Terminate"});
        EXPECT_EQ(backend.misuse, 0);
    }
}

// Without an output device the stream cannot open; an initialise error ends start-up at once. Either
// way one "PortAudio" message with the library's text, no window, exit code 0.
TEST(StartUpFailure, ShowsThePortAudioMessageAndExitsWithZero) {
    for (int initialize_error : {0, -9999}) {
        FakeAudioBackend backend;
        backend.initialize_error = initialize_error;
        testing::FakeMidiInput midi;
        testing::RecordingMessageSink messages;
        Application app(backend, midi, messages);
        EXPECT_EQ(app.Run(), 0);
        EXPECT_EQ(app.window(), nullptr);
        EXPECT_EQ(messages.messages,
                  (std::vector<std::pair<std::string, std::string>>{
                      {"PortAudio", initialize_error == 0 ? "Invalid device" : "Error -9999"}}));
        EXPECT_EQ(backend.misuse, 0);
    }
}

} // namespace
} // namespace vortane

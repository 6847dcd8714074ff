// The LV2 bundle's metadata as hosts read it: lv2info (lilv) lists every parameter with the control
// table's name, range and default, the option groups with their option names, and sord_validate
// finds the Turtle valid against the LV2 vocabularies.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "control/control_table.h"

namespace vortane::test {
namespace {

struct Command {
    int status;
    std::string output;
};

Command RunCommand(const std::string& command) {
    Command result{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) {
        result.output.append(buffer, n);
    }
    result.status = pclose(pipe);
    return result;
}

struct Port {
    std::string name;
    double minimum = 0, maximum = 0, initial = 0;
    std::map<int, std::string> scale_points;
};

// lv2info's port blocks, by name ("Name:", "Minimum:", "Maximum:", "Default:", scale points).
std::map<std::string, Port> ControlInputs(const std::string& text) {
    std::map<std::string, Port> ports;
    std::istringstream lines(text);
    Port port;
    bool control_input = false, in_port = false;
    auto flush = [&] {
        if (in_port && control_input) {
            ports[port.name] = port;
        }
    };
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find_first_not_of(" \t");
        const std::string item = at == std::string::npos ? "" : line.substr(at);
        if (item.rfind("Port ", 0) == 0) {
            flush();
            port = Port{};
            in_port = true;
            control_input = false;
        } else if (item.find("lv2core#ControlPort") != std::string::npos) {
            control_input = true;
        } else if (item.find("lv2core#OutputPort") != std::string::npos) {
            control_input = false;
        } else if (item.rfind("Name:", 0) == 0) {
            port.name = item.substr(item.find_first_not_of(" ", 5));
        } else if (item.rfind("Minimum:", 0) == 0) {
            port.minimum = std::stod(item.substr(8));
        } else if (item.rfind("Maximum:", 0) == 0) {
            port.maximum = std::stod(item.substr(8));
        } else if (item.rfind("Default:", 0) == 0) {
            port.initial = std::stod(item.substr(8));
        } else if (const size_t eq = item.find(" = \""); eq != std::string::npos && std::isdigit(item[0])) {
            port.scale_points[std::stoi(item)] = item.substr(eq + 4, item.size() - eq - 5);
        }
    }
    flush();
    return ports;
}

TEST(Lv2Bundle, LilvListsEveryParameterWithItsRangeAndDefault) {
    const Command info = RunCommand("LV2_PATH=" VORTANE_LV2_BUNDLE "/..:" VORTANE_LV2_VOCABULARY
                                    " lv2info urn:vortane:vortane");
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("Instrument Plugin"), std::string::npos) << info.output;
    const std::map<std::string, Port> ports = ControlInputs(info.output);

    size_t expected = 3; // the option groups
    for (const ControlInfo& c : MainWindowControls()) {
        if (!IsSlider(c.kind) && c.kind != ControlKind::Check) {
            continue;
        }
        ++expected;
        const auto it = ports.find(std::string(c.name));
        ASSERT_NE(it, ports.end()) << c.name;
        EXPECT_EQ(it->second.minimum, IsSlider(c.kind) ? c.minimum : 0) << c.name;
        EXPECT_EQ(it->second.maximum, IsSlider(c.kind) ? c.maximum : 1) << c.name;
        EXPECT_EQ(it->second.initial, c.initial) << c.name;
    }
    EXPECT_EQ(ports.size(), expected);

    const std::map<std::string, std::vector<int>> groups = {
        {"Frequency Probability Distribution",
         std::vector<int>(OptionGroupMembers(2).begin(), OptionGroupMembers(2).end())},
        {"Frequency Barriers Walk",
         std::vector<int>(OptionGroupMembers(0).begin(), OptionGroupMembers(0).end())},
        {"Frequency Barriers", std::vector<int>(OptionGroupMembers(1).begin(), OptionGroupMembers(1).end())},
    };
    for (const auto& [name, options] : groups) {
        const auto it = ports.find(name);
        ASSERT_NE(it, ports.end()) << name;
        ASSERT_EQ(it->second.scale_points.size(), options.size()) << name;
        for (size_t i = 0; i < options.size(); ++i) {
            EXPECT_EQ(it->second.scale_points.at(static_cast<int>(i)), FindControl(options[i])->name) << name;
        }
        EXPECT_EQ(it->second.initial, 0) << name; // the first option of each group is the initial one
    }
}

TEST(Lv2Bundle, TurtleIsValidAgainstTheLv2Vocabularies) {
    const Command check = RunCommand("sord_validate $(find " VORTANE_LV2_VOCABULARY
                                     " -name '*.ttl') " VORTANE_LV2_BUNDLE "/*.ttl");
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("Found 0 errors"), std::string::npos) << check.output;
}

} // namespace
} // namespace vortane::test

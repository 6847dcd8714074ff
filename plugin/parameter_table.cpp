#include "plugin/parameter_table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "control/control_table.h"

namespace vortane::plugin {
namespace {

// Option groups in the order they appear in a host's list, each named as the controller window
// names the slot that steps through it.
struct GroupName {
    int group;
    const char* name;
};
constexpr GroupName kGroupNames[] = {
    {2, "Frequency Probability Distribution"},
    {0, "Frequency Barriers Walk"},
    {1, "Frequency Barriers"},
};

std::vector<PluginParameter> BuildParameters() {
    std::vector<PluginParameter> list;
    for (const ControlInfo& c : MainWindowControls()) {
        if (IsSlider(c.kind)) {
            list.push_back(
                {ParameterKind::Slider, std::string(c.name), {}, c.id, -1, c.minimum, c.maximum, c.initial});
        } else if (c.kind == ControlKind::Check) {
            list.push_back({ParameterKind::Check, std::string(c.name), {}, c.id, -1, 0, 1, c.initial});
        }
    }
    for (const GroupName& g : kGroupNames) {
        const std::span<const int> members = OptionGroupMembers(g.group);
        int initial = 0;
        for (size_t i = 0; i < members.size(); ++i) {
            if (FindControl(members[i])->initial == 1) {
                initial = static_cast<int>(i);
            }
        }
        list.push_back({ParameterKind::Choice,
                        g.name,
                        {},
                        -1,
                        g.group,
                        0,
                        static_cast<int>(members.size()) - 1,
                        initial});
    }
    for (PluginParameter& p : list) {
        p.symbol = SymbolOf(p.name);
    }
    return list;
}

} // namespace

std::span<const PluginParameter> PluginParameters() {
    static const std::vector<PluginParameter> parameters = BuildParameters();
    return parameters;
}

std::span<const int> ChoiceOptions(const PluginParameter& p) {
    return p.kind == ParameterKind::Choice ? OptionGroupMembers(p.group) : std::span<const int>{};
}

std::string_view ChoiceLabel(int option_id) {
    const ControlInfo* c = FindControl(option_id);
    return c != nullptr ? c->name : std::string_view{};
}

int ParameterState(const PluginParameter& p, float value) {
    if (std::isnan(value)) {
        return p.initial;
    }
    const float held = std::clamp(value, static_cast<float>(p.minimum), static_cast<float>(p.maximum));
    return static_cast<int>(std::lround(held));
}

std::string SymbolOf(std::string_view name) {
    std::string symbol;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c)) {
            symbol += static_cast<char>(std::tolower(c));
        } else if (!symbol.empty() && symbol.back() != '_') {
            symbol += '_';
        }
    }
    while (!symbol.empty() && symbol.back() == '_') {
        symbol.pop_back();
    }
    if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol.front()))) {
        symbol.insert(0, "p_");
    }
    return symbol;
}

} // namespace vortane::plugin

#include "render/offline_render.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "engine/control_ids.h"
#include "engine/engine.h"

namespace vortane {
namespace {

// Each setting must reach the engine exactly as the user's move of that control would.
TEST(PrepareRender, AppliesSettingsAsUserMovesThenPlays) {
    const std::array settings = {
        ControlSetting{id::kMasterVolume, 800}, ControlSetting{id::kY1, 40},
        ControlSetting{id::kFrq, 900},          ControlSetting{id::kX1Max, 115},
        ControlSetting{id::kY2On, 1},           ControlSetting{id::kX1Negative, 1},
        ControlSetting{id::kLogistic, 1},       ControlSetting{id::kSecondaryBarrier, 600},
    };
    auto engine = std::make_unique<Engine>();
    PrepareRender(*engine, 5, settings);
    const EngineState& s = engine->state;
    EXPECT_EQ(Get(s.master_volume), 800.0f);
    EXPECT_EQ(Get(s.y1), 0.40f);
    EXPECT_EQ(Get(s.cutoff), 900.0);
    EXPECT_EQ(Get(s.x1_max), 115.0f);
    EXPECT_EQ(Get(s.display_x1), static_cast<float>(50.0 * 115.0 / 99.0 / 100.0));
    EXPECT_EQ(Get(s.walk_on[3]), 1);
    EXPECT_EQ(Get(s.negative[0]), 1);
    EXPECT_EQ(Get(s.secondary_barrier), 60.0f);
    EXPECT_EQ(engine->panel.GetState(id::kLogistic), 1);
    EXPECT_EQ(engine->panel.GetState(id::kCauchy), 0);
    EXPECT_EQ(Get(s.probability_width), 0.3f); // the start-up values are in place
    EXPECT_EQ(Get(s.play_state), 1);
    EXPECT_EQ(Get(s.output_gate), 1);
    EXPECT_EQ(Get(s.start_done), 0); // the first rendered frame performs the start reset
    EXPECT_TRUE(engine->random.IsSeeded());
}

TEST(PrepareRender, LaterSettingOfOneControlWins) {
    const std::array settings = {ControlSetting{id::kMasterVolume, 800}, ControlSetting{id::kMasterVolume, 0},
                                 ControlSetting{id::kY1On, 1}, ControlSetting{id::kY1On, 0}};
    auto engine = std::make_unique<Engine>();
    PrepareRender(*engine, 5, settings);
    EXPECT_EQ(Get(engine->state.master_volume), 0.0f);
    EXPECT_EQ(Get(engine->state.walk_on[1]), 0);
}

} // namespace
} // namespace vortane

#pragma once

#include "control/curve_monitor.h"
#include "control/pitch_log.h"

namespace vortane::plugin {

// What the editor reads of a running instance besides the parameters its host passes it: what the
// audio thread publishes without locks (the walked curve, the pitch paths). The editor reads it on
// the host's GUI thread and never touches the voice.
class EditorSource {
public:
    // The curve as of now (any thread).
    virtual DisplayCurve Curve() const = 0;
    // The instance's seed (any thread): an LV2 host may never pass its state to the editor.
    virtual uint64_t Seed() const = 0;
    // The pitch log's reading end, for one editor at a time: nullptr while another editor of this
    // instance holds it. Give it back with ReleasePitchLog.
    virtual PitchLog* ClaimPitchLog() = 0;
    virtual void ReleasePitchLog() = 0;

protected:
    ~EditorSource() = default;
};

} // namespace vortane::plugin

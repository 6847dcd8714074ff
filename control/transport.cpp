#include "control/transport.h"

#include "engine/voice.h"

namespace vortane {

const char* ToText(GateText text) {
    switch (text) {
    case GateText::Off:
        return "Off";
    case GateText::On:
        return "On";
    default:
        return "";
    }
}

void Transport::TogglePlay() noexcept VORTANE_NONBLOCKING {
    if (!playing()) {
        play_state_.store(1, std::memory_order_relaxed);
        gate_.store(true, std::memory_order_relaxed);
    } else {
        play_state_.store(0, std::memory_order_relaxed);
        gate_.store(false, std::memory_order_relaxed);
        events_.fetch_or(VoiceParams::kStop, std::memory_order_release);
        stop_count_.fetch_add(1, std::memory_order_relaxed);
    }
    Changed();
}

void Transport::OpenGateByNote() noexcept VORTANE_NONBLOCKING {
    gate_.store(true, std::memory_order_relaxed);
    play_state_.store(1, std::memory_order_relaxed);
    Changed();
}

void Transport::CloseGateForRestart() noexcept VORTANE_NONBLOCKING {
    gate_.store(false, std::memory_order_relaxed);
    events_.fetch_or(VoiceParams::kRestart, std::memory_order_release);
    Changed();
}

void Transport::CloseGate() noexcept VORTANE_NONBLOCKING {
    gate_.store(false, std::memory_order_relaxed);
    Changed();
}

void Transport::Reset() noexcept VORTANE_NONBLOCKING {
    gate_.store(false, std::memory_order_relaxed);
    play_state_.store(0, std::memory_order_relaxed);
    events_.store(0, std::memory_order_relaxed);
    Changed();
}

void Transport::SetGateText(GateText text) {
    gate_text_.store(text, std::memory_order_relaxed);
    Changed();
}

} // namespace vortane

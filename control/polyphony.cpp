#include "control/polyphony.h"

#include <algorithm>
#include <cmath>

#include "control/derivation.h"
#include "engine/denormal_guard.h"

namespace vortane {
namespace {

using P = ParamId;

constexpr uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kControlChange = 0xB0, kPitchBend = 0xE0;
constexpr int kSustainPedal = 64, kAllSoundOff = 120, kResetControllers = 121, kAllNotesOff = 123;
constexpr size_t kChunk = 256;
constexpr uint32_t kAllPoints =
    VoiceParams::PointWritten(Coordinate::X1) | VoiceParams::PointWritten(Coordinate::Y1) |
    VoiceParams::PointWritten(Coordinate::X2) | VoiceParams::PointWritten(Coordinate::Y2);
// A new velocity reaches a stolen voice's level over about a millisecond instead of in one step.
constexpr float kGainGlide = 0.02f;

// A voice's seed: the instance's, spread by its slot (splitmix64), so that every slot draws a
// stream of its own and the same notes give the same audio.
uint64_t SlotSeed(uint64_t seed, int slot) {
    uint64_t z = seed + 0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(slot + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int Whole(const ParamValues& v, ParamId id) noexcept VORTANE_NONBLOCKING {
    return static_cast<int>(std::nearbyint(v[Index(id)]));
}

} // namespace

void Polyphony::Init(uint64_t seed, const VoiceOptions& options) noexcept VORTANE_NONBLOCKING {
    side_by_side_ = options.lane_width != 1 && lanes_.Init(options.filter_path, options.lane_width);
    for (int k = 0; k < kMaxVoices; ++k) {
        Slot& slot = slots_[static_cast<size_t>(k)];
        slot.voice.Init(SlotSeed(seed, k), options);
        slot.envelope.Init(sample_rate_);
    }
    Reset();
}

void Polyphony::Reset() noexcept VORTANE_NONBLOCKING {
    for (Slot& slot : slots_) {
        slot.active = slot.held = slot.sustained = false;
        slot.envelope.Reset();
        slot.pending = 0;
    }
    bend_.fill(0.0f);
    pedal_.fill(false);
    stack_size_ = 0;
}

void Polyphony::Midi(const uint8_t* data, size_t size, const ParamValues& values,
                     const KeyFrequencies& keys) noexcept VORTANE_NONBLOCKING {
    if (size < 3 || data[1] > 127 || data[2] > 127) {
        return; // every message acted on here has two data bytes
    }
    const int type = data[0] & 0xF0;
    const int channel = data[0] & 0x0F;
    if (type == kNoteOn && data[2] != 0) {
        NoteOn(channel, data[1], data[2], values, keys);
    } else if (type == kNoteOff || type == kNoteOn) {
        NoteOff(channel, data[1]);
    } else if (type == kControlChange) {
        ControlChange(channel, data[1], data[2]);
    } else if (type == kPitchBend) {
        // 14 bits around 8192: −1 at 0, +1 at 16383.
        const int value = (data[2] << 7 | data[1]) - 8192;
        bend_[static_cast<size_t>(channel)] = static_cast<float>(value) / (value < 0 ? 8192.0f : 8191.0f);
    }
}

// The level follows velocity v by 1 − a + a·(v/127)², a the "Velocity" share: at 100 % about
// 40 dB from the softest note to the loudest, at 0 % every note alike.
void Polyphony::NoteOn(int channel, int key, int velocity, const ParamValues& values,
                       const KeyFrequencies& keys) noexcept VORTANE_NONBLOCKING {
    const float hz = keys.Get(key);
    if (!(hz > 0.0f)) {
        return; // a key the tuning leaves unmapped plays nothing
    }
    const float amount = values[Index(P::Velocity)] / 100.0f;
    const float v = static_cast<float>(velocity) / 127.0f;
    const float gain = 1.0f - amount + amount * v * v;
    const int voices = std::clamp(Whole(values, P::Voices), 1, kMaxVoices);
    if (voices == 1) {
        NoteOff(channel, key); // a key pressed again moves to the top
        stack_[static_cast<size_t>(std::min(stack_size_, 127))] = {channel, key, hz, gain};
        stack_size_ = std::min(stack_size_ + 1, 128);
        Slot& slot = slots_[0];
        if (slot.active && slot.held) { // legato: the sounding voice moves to the new key
            slot.channel = channel;
            slot.key = key;
            slot.hz = hz;
            slot.pending |= VoiceParams::kCentre;
            return;
        }
        Start(slot, channel, key, hz, gain);
        return;
    }
    for (Slot& slot : slots_) {
        if (slot.active && (slot.held || slot.sustained) && slot.channel == channel && slot.key == key) {
            Start(slot, channel, key, hz, gain); // the same key again: its voice starts over
            return;
        }
    }
    Start(Choose(voices), channel, key, hz, gain);
}

void Polyphony::NoteOff(int channel, int key) noexcept VORTANE_NONBLOCKING {
    // One voice: out of the held keys; the sounding one returns to the key pressed last of those left.
    const auto end = std::remove_if(stack_.begin(), stack_.begin() + stack_size_,
                                    [&](const HeldKey& k) { return k.channel == channel && k.key == key; });
    const bool was_held = end != stack_.begin() + stack_size_;
    stack_size_ = static_cast<int>(end - stack_.begin());
    Slot& mono = slots_[0];
    if (was_held && stack_size_ > 0 && mono.active && mono.held && mono.channel == channel &&
        mono.key == key) {
        const HeldKey& top = stack_[static_cast<size_t>(stack_size_ - 1)];
        mono.channel = top.channel;
        mono.key = top.key;
        mono.hz = top.hz;
        mono.pending |= VoiceParams::kCentre;
        return;
    }
    for (Slot& slot : slots_) {
        if (slot.active && slot.held && slot.channel == channel && slot.key == key) {
            Release(slot);
        }
    }
}

void Polyphony::ControlChange(int channel, int controller, int value) noexcept VORTANE_NONBLOCKING {
    const auto c = static_cast<size_t>(channel);
    switch (controller) {
    case kSustainPedal: {
        const bool down = value >= 64;
        if (pedal_[c] && !down) {
            for (Slot& slot : slots_) {
                if (slot.active && slot.sustained && slot.channel == channel) {
                    slot.sustained = false;
                    slot.envelope.NoteOff();
                }
            }
        }
        pedal_[c] = down;
        return;
    }
    case kResetControllers:
        bend_[c] = 0.0f;
        ControlChange(channel, kSustainPedal, 0);
        return;
    case kAllSoundOff:
    case kAllNotesOff:
        for (Slot& slot : slots_) {
            if (slot.active && slot.channel == channel) {
                slot.held = slot.sustained = false;
                slot.released = ++clock_;
                slot.envelope.NoteOff(controller == kAllSoundOff);
            }
        }
        stack_size_ =
            static_cast<int>(std::remove_if(stack_.begin(), stack_.begin() + stack_size_,
                                            [&](const HeldKey& k) { return k.channel == channel; }) -
                             stack_.begin());
        return;
    default:
        return;
    }
}

// A voice still sounding goes on from where it is, towards the new note's range and level; a silent
// one starts afresh with a period start and the fade-in.
void Polyphony::Start(Slot& slot, int channel, int key, float hz, float gain) noexcept VORTANE_NONBLOCKING {
    slot.pending = VoiceParams::kCentre | kAllPoints | (slot.active ? 0u : uint32_t{VoiceParams::kRestart});
    if (!slot.active) {
        slot.voice_gain = gain;
    }
    slot.active = slot.held = true;
    slot.sustained = false;
    slot.channel = channel;
    slot.key = key;
    slot.hz = hz;
    slot.gain = gain;
    slot.started = ++clock_;
    slot.envelope.NoteOn();
}

void Polyphony::Release(Slot& slot) noexcept VORTANE_NONBLOCKING {
    slot.held = false;
    slot.released = ++clock_;
    if (pedal_[static_cast<size_t>(slot.channel)]) {
        slot.sustained = true;
    } else {
        slot.envelope.NoteOff();
    }
}

// A silent slot; else the one whose key went up longest ago; else the one held longest.
Polyphony::Slot& Polyphony::Choose(int voices) noexcept VORTANE_NONBLOCKING {
    Slot* released = nullptr;
    Slot* held = nullptr;
    for (int k = 0; k < voices; ++k) {
        Slot& slot = slots_[static_cast<size_t>(k)];
        if (!slot.active) {
            return slot;
        }
        if (!slot.held && (released == nullptr || slot.released < released->released)) {
            released = &slot;
        }
        if (slot.held && (held == nullptr || slot.started < held->started)) {
            held = &slot;
        }
    }
    return released != nullptr ? *released : *held;
}

// A voice's chunk, filtered, through its envelope and level, added to out: what VoiceLanes does for
// many voices at once.
void Polyphony::RenderAlone(const VoiceLane& lane, float* out, int count) noexcept VORTANE_NONBLOCKING {
    std::array<float, Voice::kChunkFrames> voice;
    lane.voice->Filter(lane.input, voice.data(), count);
    float level = *lane.level;
    for (int i = 0; i < count; ++i) {
        level += (lane.target - level) * kGainGlide;
        out[i] += voice[static_cast<size_t>(i)] * lane.envelope->Process() * level;
    }
    *lane.level = level;
}

void Polyphony::Render(const VoiceParams& shared, const ParamValues& values, uint64_t handed_over, float* out,
                       size_t size) noexcept VORTANE_NONBLOCKING {
    [[maybe_unused]] const DenormalGuard denormal_guard;
    std::fill(out, out + size, 0.0f);
    const float range = values[Index(P::BendRange)];
    const float attack = values[Index(P::Attack)], decay = values[Index(P::Decay)];
    const float sustain = values[Index(P::Sustain)] / 100.0f, release = values[Index(P::Release)];
    const std::array<float, kCoordinateCount> start_points = {
        kInitialPoints[0], SliderPoint(Coordinate::Y1, values, handed_over),
        SliderPoint(Coordinate::X2, values, handed_over), SliderPoint(Coordinate::Y2, values, handed_over)};
    // the sounding voices in slot order, each with its own parameters and chunk
    std::array<VoiceParams, kMaxVoices> params;
    std::array<VoiceLane, kMaxVoices> lanes;
    alignas(64) std::array<std::array<float, Voice::kChunkFrames>, kMaxVoices> raw;
    for (size_t done = 0; done < size; done += kChunk) {
        const size_t count = std::min(kChunk, size - done);
        int n = 0;
        for (Slot& slot : slots_) {
            if (!slot.active) {
                continue;
            }
            VoiceParams& p = params[static_cast<size_t>(n)];
            p = shared;
            // Only the curve sliders' writes, and the slot's own note events, concern a played voice.
            p.events = (done == 0 ? shared.events & kAllPoints : 0u) | slot.pending;
            if ((slot.pending & VoiceParams::kCentre) != 0) {
                p.points = start_points;
            }
            slot.pending = 0;
            p.gate = true;
            p.oscillator.period.centre_frequency =
                slot.hz * std::exp2(bend_[static_cast<size_t>(slot.channel)] * range / 12.0f);
            slot.voice.Begin(p);
            slot.envelope.Set(attack, decay, sustain, release);
            lanes[static_cast<size_t>(n)] = {&slot.voice, &slot.envelope, &slot.voice_gain, slot.gain,
                                             raw[static_cast<size_t>(n)].data()};
            ++n;
        }
        for (size_t first = 0; first < count; first += Voice::kChunkFrames) {
            const int frames = static_cast<int>(std::min<size_t>(Voice::kChunkFrames, count - first));
            for (size_t j = 0; j < static_cast<size_t>(n); ++j) {
                lanes[j].voice->Shape(params[j], raw[j].data(), frames);
            }
            if (side_by_side_) {
                lanes_.Render(lanes.data(), n, kGainGlide, out + done + first, frames);
            } else {
                for (size_t j = 0; j < static_cast<size_t>(n); ++j) {
                    RenderAlone(lanes[j], out + done + first, frames);
                }
            }
        }
        for (Slot& slot : slots_) {
            slot.active = slot.active && !slot.envelope.idle();
        }
    }
}

void Polyphony::Log(PitchLog& log, uint64_t frame) const noexcept VORTANE_NONBLOCKING {
    for (size_t k = 0; k < slots_.size(); ++k) {
        const Slot& slot = slots_[k];
        if (slot.active && slot.voice.oscillator().length() > 0) {
            log.Push({frame, static_cast<int8_t>(k), static_cast<int8_t>(slot.key),
                      kSampleRate / slot.voice.oscillator().length_in_samples()});
        }
    }
}

int Polyphony::sounding() const {
    return static_cast<int>(
        std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) { return s.active; }));
}

bool Polyphony::Sounding(int channel, int key) const {
    return std::any_of(slots_.begin(), slots_.end(),
                       [&](const Slot& s) { return s.active && s.channel == channel && s.key == key; });
}

const Voice* Polyphony::newest() const {
    const Slot* newest = nullptr;
    for (const Slot& slot : slots_) {
        if (slot.active && (newest == nullptr || slot.started > newest->started)) {
            newest = &slot;
        }
    }
    return newest != nullptr ? &newest->voice : nullptr;
}

} // namespace vortane

#include "render/offline_render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/files.h"
#include "control/synth.h"
#include "render/progress_bar.h"
#include "render/wav_writer.h"

namespace vortane {
namespace {

// Frames per Render call: the voice's output does not depend on it, only the cost of the
// progress bar and of libsndfile's calls does.
constexpr long kBlockFrames = 4096;
// The pitch log's step: each point stands for the 64 frames before it.
constexpr long kPitchLogFrames = 64;
// How long a render of a MIDI file may go on after its last message while notes still sound (a
// note whose release never comes, a pedal held to the end).
constexpr double kMostTailSeconds = 30.0;

int Fail(const std::string& message) {
    std::fprintf(stderr, "vortane-render: %s\n", message.c_str());
    return 2;
}

// The MIDI file's messages, each given to the synth at its frame.
class MidiPlayer {
public:
    explicit MidiPlayer(const std::optional<std::vector<MidiFileEvent>>& events, long most_run = kBlockFrames)
        : events_(events ? &*events : nullptr), most_run_(most_run) {}

    // Renders frames [done, done + size) with every message due in them applied at its frame, and
    // calls after(frames rendered so far) after each run.
    template <typename After> void Render(Synth& synth, long done, float* out, long size, After after) {
        while (size > 0) {
            long run = std::min(size, most_run_);
            while (events_ != nullptr && next_ < events_->size()) {
                const MidiFileEvent& e = (*events_)[next_];
                const long at = FrameOf(e);
                if (at > done) {
                    run = std::min(run, at - done);
                    break;
                }
                synth.Midi(e.bytes.data(), e.size);
                ++next_;
            }
            synth.Render(out, static_cast<size_t>(run));
            done += run;
            out += run;
            size -= run;
            after(done);
        }
    }
    void Render(Synth& synth, long done, float* out, long size) {
        Render(synth, done, out, size, [](long) {});
    }

    // The frame just past the last message (0 without a file).
    long End() const { return events_ == nullptr || events_->empty() ? 0 : FrameOf(events_->back()) + 1; }

private:
    static long FrameOf(const MidiFileEvent& e) { return std::lround(e.seconds * kRenderSampleRate); }

    const std::vector<MidiFileEvent>* events_;
    long most_run_;
    size_t next_ = 0;
};

// --pitch-log: the log's points as CSV lines, drained after every run.
class PitchLogWriter {
public:
    explicit PitchLogWriter(std::string path) : path_(std::move(path)) {
        if (!path_.empty()) {
            text_ = "seconds,voice,key,hz\n";
        }
    }
    void Drain(Synth& synth) {
        for (PitchPoint p; synth.pitch_log.Pop(p);) {
            char line[96];
            std::snprintf(line, sizeof line, "%.6f,%d,%d,%.3f\n",
                          static_cast<double>(p.frame) / kRenderSampleRate, p.voice, p.key,
                          static_cast<double>(p.hz));
            text_ += line;
        }
    }
    bool Write(std::string& error) const { return path_.empty() || WriteFileAtomically(path_, text_, error); }

private:
    std::string path_;
    std::string text_;
};

// The length of a render until silent: the same render run once without output, up to the first
// block after the last message at whose end nothing sounds any more.
long FramesUntilSilent(const RenderOptions& options, uint64_t seed) {
    auto synth = std::make_unique<Synth>();
    PrepareRender(*synth, seed, options.settings, !options.midi, options.tuning ? &*options.tuning : nullptr);
    MidiPlayer player(options.midi);
    const long end = player.End();
    const long most = std::min(std::lround(kMaxSeconds * kRenderSampleRate),
                               end + std::lround(kMostTailSeconds * kRenderSampleRate));
    std::vector<float> block(static_cast<size_t>(kBlockFrames));
    long done = 0;
    while (done < most && (done < end || !synth->Silent())) {
        const long frames = std::min(kBlockFrames / 16, most - done); // 256: a close end
        player.Render(*synth, done, block.data(), frames);
        done += frames;
    }
    return std::max(done, 1L);
}

} // namespace

void PrepareRender(Synth& synth, uint64_t seed, std::span<const ParamSetting> settings, bool play,
                   const Tuning* tuning) {
    synth.Init(seed);
    for (const ParamSetting& setting : settings) {
        synth.params.Set(setting.id, static_cast<float>(setting.value));
    }
    if (tuning != nullptr) {
        synth.SetTuning(*tuning);
    }
    if (play) {
        synth.transport.TogglePlay();
    }
}

int RunRender(const RenderOptions& options, uint64_t seed) {
    const long frame_count = options.until_silent ? FramesUntilSilent(options, seed) : options.frame_count;
    WavWriter writer;
    std::string error;
    if (!writer.Open(options.output_path, frame_count, error)) {
        return Fail(error);
    }
    auto synth = std::make_unique<Synth>();
    PrepareRender(*synth, seed, options.settings, !options.midi, options.tuning ? &*options.tuning : nullptr);
    PitchLogWriter log(options.pitch_log_path);
    MidiPlayer player(options.midi, options.pitch_log_path.empty() ? kBlockFrames : kPitchLogFrames);

    std::vector<float> block(static_cast<size_t>(kBlockFrames));
    ProgressBar progress(frame_count, isatty(STDERR_FILENO) == 1);
    for (long done = 0; done < frame_count;) {
        const long frames = std::min(kBlockFrames, frame_count - done);
        player.Render(*synth, done, block.data(), frames, [&](long) { log.Drain(*synth); });
        if (!writer.Write(std::span(block.data(), static_cast<size_t>(frames)), error)) {
            progress.Finish();
            return Fail(error);
        }
        done += frames;
        progress.Update(done);
    }
    progress.Finish();
    if (!writer.Commit(error) || !log.Write(error)) {
        return Fail(error);
    }
    return 0;
}

} // namespace vortane

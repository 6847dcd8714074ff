#pragma once

#include <cstdio>

namespace vortane {

// A one-line progress bar on stderr, redrawn in place whenever the whole percentage grows; silent
// when disabled (stderr not a terminal), so that logs and pipes get no carriage returns.
class ProgressBar {
public:
    ProgressBar(long total, bool enabled) : total_(total > 0 ? total : 1), enabled_(enabled) {}

    void Update(long done) {
        const int percent = static_cast<int>(done * 100 / total_);
        if (!enabled_ || percent == shown_) {
            return;
        }
        shown_ = percent;
        constexpr int kWidth = 40;
        char bar[kWidth + 1];
        const int filled = percent * kWidth / 100;
        for (int i = 0; i < kWidth; ++i) {
            bar[i] = i < filled ? '#' : '.';
        }
        bar[kWidth] = '\0';
        std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, percent);
        std::fflush(stderr);
    }

    // Ends the line, finished or not, so that a following message starts on a line of its own.
    void Finish() {
        if (enabled_ && shown_ >= 0) {
            std::fputc('\n', stderr);
        }
        shown_ = -1;
    }

private:
    long total_;
    bool enabled_;
    int shown_ = -1;
};

} // namespace vortane

#include "engine/polyphase_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <ostream>
#include <vector>

namespace vortane {
namespace {

constexpr double kIn = 44100.0;
constexpr size_t kFrames = 16384; // analysed output frames, after the start has settled
constexpr size_t kSettle = 2048;

// Resamples a unit sine of freq Hz; returns kFrames output frames from kSettle on.
std::vector<float> ResampleSine(PolyphaseResampler& r, double out_rate, double freq) {
    const size_t inputs = static_cast<size_t>((kFrames + kSettle) * kIn / out_rate) + r.Taps() + 64;
    std::vector<float> in(inputs), out(kFrames + kSettle);
    for (size_t n = 0; n < inputs; ++n) {
        in[n] = static_cast<float>(std::sin(2.0 * M_PI * freq * static_cast<double>(n) / kIn));
    }
    size_t written = 0, done = 0;
    while (done < out.size()) {
        done += r.Render(out.data() + done, out.size() - done);
        written += r.Write(in.data() + written, std::min<size_t>(64, inputs - written));
    }
    return {out.begin() + kSettle, out.end()};
}

// A Kaiser window (β = 18: side lobes far below -140 dB) and its sum.
double Window(size_t i, size_t n) {
    const double r = 2.0 * static_cast<double>(i) / static_cast<double>(n - 1) - 1.0;
    return std::cyl_bessel_i(0.0, 18.0 * std::sqrt(1.0 - r * r));
}

// Amplitude per bin of a windowed FFT: a unit sine shows about 1 near its bin.
std::vector<double> Spectrum(const std::vector<float>& x) {
    const size_t n = x.size();
    std::vector<std::complex<double>> a(n);
    double gain = 0.0;
    for (size_t i = 0; i < n; ++i) {
        a[i] = Window(i, n) * x[i];
        gain += Window(i, n);
    }
    for (size_t i = 1, j = 0; i < n; ++i) { // bit reversal, then radix-2 butterflies
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * M_PI / static_cast<double>(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> amplitude(n / 2);
    for (size_t i = 0; i < n / 2; ++i) {
        amplitude[i] = 2.0 * std::abs(a[i]) / gain;
    }
    return amplitude;
}

struct Case {
    double out_rate;
    std::vector<double> passed;   // tones that come out whole
    std::vector<double> rejected; // tones that must not come out at all
    bool interpolated;
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.out_rate << " Hz";
}

class Resampler : public ::testing::TestWithParam<Case> {};

// A tone in the passband comes out whole and on the input's clock: output t is the input at t·fi/fo
// within 1e-4 (so its level within 0.001 dB), the look-ahead all the delay there is. Nothing else comes out:
// every other bin (images of up-sampling, aliases of down-sampling) lies at least 100 dB down, and
// so does all of a tone above the output's Nyquist.
TEST_P(Resampler, PassesTheBandAndNothingElse) {
    const Case& c = GetParam();
    PolyphaseResampler r;
    ASSERT_TRUE(r.Init(kIn, c.out_rate, 64));
    EXPECT_EQ(r.Interpolated(), c.interpolated);
    const double bin = c.out_rate / kFrames;
    for (const double freq : c.passed) {
        const std::vector<float> y = ResampleSine(r, c.out_rate, freq);
        double error = 0.0;
        for (size_t t = 0; t < y.size(); ++t) {
            const double tau = static_cast<double>(t + kSettle) * kIn / c.out_rate;
            error = std::max(error, std::abs(y[t] - std::sin(2.0 * M_PI * freq * tau / kIn)));
        }
        EXPECT_LT(error, 1e-4) << freq << " Hz: not the input on its own clock";
        const std::vector<double> s = Spectrum(y);
        const size_t peak = static_cast<size_t>(std::lround(freq / bin));
        double rest = 0.0; // outside the tone's main lobe (±12 bins)
        for (size_t k = 0; k < s.size(); ++k) {
            rest = k + 12 >= peak && k <= peak + 12 ? rest : std::max(rest, s[k]);
        }
        EXPECT_LT(20.0 * std::log10(rest), -100.0) << freq << " Hz at " << c.out_rate;
        r.Reset();
    }
    for (const double freq : c.rejected) {
        const std::vector<double> s = Spectrum(ResampleSine(r, c.out_rate, freq));
        EXPECT_LT(20.0 * std::log10(*std::max_element(s.begin(), s.end())), -100.0)
            << freq << " Hz at " << c.out_rate;
        r.Reset();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rates, Resampler,
    ::testing::Values(Case{48000.0, {100.0, 1000.0, 12345.0, 19900.0, 20000.0}, {}, false},
                      Case{96000.0, {440.0, 7000.0, 19990.0}, {}, false},
                      Case{192000.0, {3000.0, 18000.0}, {}, false},
                      Case{32000.0, {1000.0, 14000.0}, {16500.0, 19000.0, 22000.0}, false},
                      Case{22050.0, {500.0, 9500.0}, {11500.0, 15000.0, 21000.0}, false},
                      Case{47999.5, {1000.0, 19500.0}, {}, true}),
    [](const ::testing::TestParamInfo<Case>& info) {
        return std::to_string(static_cast<int>(info.param.out_rate * 10.0));
    });

// The output depends only on the input: split into any writes and renders, and rendered again
// after Reset, it is the same to the bit; and InputNeeded foretells when a render comes up short.
TEST(ResamplerStream, IsTheSameInAnyBlocksAndRuns) {
    std::vector<float> in(40000);
    uint32_t noise = 1;
    for (float& x : in) {
        noise = noise * 1664525u + 1013904223u;
        x = static_cast<float>(noise >> 8) / 8388608.0f - 1.0f;
    }
    for (const double out_rate : {48000.0, 22050.0, 47999.5}) {
        PolyphaseResampler r;
        ASSERT_TRUE(r.Init(kIn, out_rate, 100));
        auto run = [&](size_t write_step, size_t render_step) {
            r.Reset();
            std::vector<float> out(15000);
            size_t written = 0, done = 0;
            for (size_t pass = 0; done < out.size(); ++pass) {
                const size_t want = std::min(render_step + pass % 7, out.size() - done);
                const bool enough = r.InputNeeded(want) == 0;
                const size_t got = r.Render(out.data() + done, want);
                EXPECT_EQ(enough, got == want);
                done += got;
                written += r.Write(in.data() + written, std::min(write_step + pass % 3, in.size() - written));
            }
            return out;
        };
        const std::vector<float> whole = run(100, 15000);
        EXPECT_EQ(run(1, 1), whole) << out_rate;
        EXPECT_EQ(run(37, 5), whole) << out_rate;
        EXPECT_EQ(run(100, 15000), whole) << out_rate;
    }
}

TEST(ResamplerStream, RefusesRatesItCannotConvertAndStaysSilent) {
    PolyphaseResampler r;
    for (const double out_rate : {0.0, -48000.0, 1000.0, 1e7, std::nan("")}) {
        ASSERT_TRUE(r.Init(kIn, 48000.0, 32));
        EXPECT_FALSE(r.Init(kIn, out_rate, 32)) << out_rate;
        float samples[4] = {};
        EXPECT_EQ(r.Write(samples, 4), 0u);
        EXPECT_EQ(r.Render(samples, 4), 0u);
    }
}

// Resamplers at one pair of rates share one table, freed with the last of them; another rate has
// its own.
TEST(ResamplerTable, IsSharedByRateAndFreedWithTheLastUser) {
    std::weak_ptr<const PolyphaseTable> held;
    {
        PolyphaseResampler a, b, c;
        ASSERT_TRUE(a.Init(kIn, 48000.0, 64) && b.Init(kIn, 48000.0, 256) && c.Init(kIn, 96000.0, 64));
        EXPECT_EQ(a.table().get(), b.table().get());
        EXPECT_NE(a.table().get(), c.table().get());
        held = a.table();
    }
    EXPECT_TRUE(held.expired());
}

} // namespace
} // namespace vortane

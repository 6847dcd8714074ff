#include "engine/polyphase_resampler.h"

#include <map>
#include <mutex>
#include <numeric>
#include <utility>

namespace vortane {
namespace {

bool Converts(double in_rate, double out_rate) {
    return in_rate > 0.0 && out_rate > 0.0 && std::isfinite(in_rate) && std::isfinite(out_rate) &&
           out_rate >= in_rate / 8.0 && out_rate <= in_rate * 16.0;
}

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; term > 1e-17 * sum; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// The filter's design for in_rate → out_rate (the header's equations), and its clock.
PolyphaseTable Design(double in_rate, double out_rate) {
    using T = PolyphaseTable;
    PolyphaseTable table;
    const double stop = std::min(in_rate, out_rate) / 2.0;
    const double pass = std::min(T::kPassbandEndHz, (out_rate < in_rate ? 0.9 : 0.95) * stop);
    const double width = 2.0 * M_PI * (stop - pass) / in_rate;
    const double length = (T::kAttenuationDb - 7.95) / (2.285 * width);
    const size_t taps = static_cast<size_t>(std::ceil(length / T::kLanes)) * T::kLanes;
    const double cutoff = (pass + stop) / in_rate; // 2fc/fi
    const double beta = 0.1102 * (T::kAttenuationDb - 8.7);

    // the clock: exact L/M for whole-Hz rates with few phases, else 32-bit fixed point
    const bool whole =
        in_rate == std::floor(in_rate) && out_rate == std::floor(out_rate) && in_rate < 1e9 && out_rate < 1e9;
    const uint64_t g = whole ? std::gcd(static_cast<uint64_t>(in_rate), static_cast<uint64_t>(out_rate)) : 1;
    table.exact = whole && static_cast<uint64_t>(out_rate) / g <= T::kMaxExactPhases;
    uint64_t step = 0;
    if (table.exact) {
        table.denominator = static_cast<uint64_t>(out_rate) / g; // L
        step = static_cast<uint64_t>(in_rate) / g;               // M
    } else {
        table.denominator = uint64_t{1} << 32;
        step = static_cast<uint64_t>(std::llround(in_rate / out_rate * 4294967296.0));
    }
    table.step_whole = static_cast<int64_t>(step / table.denominator);
    table.step_fraction = step % table.denominator;

    // Each phase's taps, c_φ[i] = h(φ + H − 1 − i), scaled to sum to 1.
    const size_t rows = table.exact ? table.denominator : T::kFinePhases + 1;
    const double half = static_cast<double>(taps) / 2.0;
    const double window_scale = BesselI0(beta);
    table.rows.assign(rows * taps, 0.0f);
    std::vector<double> c(taps);
    for (size_t row = 0; row < rows; ++row) {
        const double phase =
            static_cast<double>(row) / static_cast<double>(table.exact ? rows : T::kFinePhases);
        double sum = 0.0;
        for (size_t i = 0; i < taps; ++i) {
            const double s = phase + half - 1.0 - static_cast<double>(i);
            const double r = s / half;
            c[i] = 0.0;
            if (std::abs(r) >= 1.0) {
                continue;
            }
            const double x = M_PI * cutoff * s;
            const double sinc = x == 0.0 ? 1.0 : std::sin(x) / x;
            c[i] = cutoff * sinc * BesselI0(beta * std::sqrt(1.0 - r * r)) / window_scale;
            sum += c[i];
        }
        for (size_t i = 0; i < taps; ++i) {
            table.rows[row * taps + i] = static_cast<float>(c[i] / sum);
        }
    }
    table.taps = taps;
    return table;
}

} // namespace

// The process's one cache: the tables in use, by their pair of rates. It holds them weakly, so a
// table goes with the last resampler that uses it; only Init (never the audio thread) comes here.
std::shared_ptr<const PolyphaseTable> PolyphaseTable::Shared(double in_rate, double out_rate) {
    if (!Converts(in_rate, out_rate)) {
        return nullptr;
    }
    static std::mutex mutex;
    static std::map<std::pair<double, double>, std::weak_ptr<const PolyphaseTable>> tables;
    const std::lock_guard lock(mutex);
    std::erase_if(tables, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<const PolyphaseTable>& cached = tables[{in_rate, out_rate}];
    if (auto table = cached.lock()) {
        return table;
    }
    auto table = std::make_shared<const PolyphaseTable>(Design(in_rate, out_rate));
    cached = table;
    return table;
}

} // namespace vortane

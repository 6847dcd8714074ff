#!/usr/bin/python3
"""Measure vortane-render WAV files: level, pitch range and spectral centroid.

    measure_render.py FILE.wav...
    measure_render.py --render build/render/vortane-render --presets presets/factory [--seed 1] [--seconds 10]
                      [--check]

With --render every *.vpreset of the folder is rendered first (with the given seed and length). Prints one
Markdown table row per sound: RMS, peak, the pitch range (5th to 95th percentile of the period-by-period
pitch that scripts/plot_render.py draws) and the spectral centroid.

--check makes it a test: exit 1 unless every render is finite and audible (RMS at least 0.01), every two
sounds differ by more than 5 % in the low or high end of their pitch range or in their spectral centroid, and
the factory sounds are level-matched: each peaks at or below -1 dBFS and their RMS levels lie within 6 dB of
each other (the start-up sound, which no preset sets, aside).
"""

import argparse
import glob
import itertools
import os
import subprocess
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import plot_render  # noqa: E402  (same folder)

MIN_RMS = 0.01
ALIKE = 0.05
MAX_PEAK = 10 ** (-1 / 20)  # -1 dBFS
MAX_RMS_SPREAD = 10 ** (6 / 20)  # 6 dB


def spectral_centroid(x, rate, frame=4096):
    """Magnitude-weighted mean frequency of the Hann-windowed spectra of successive frames, averaged
    over the whole file (each frame's mean removed, so the centre line's offset does not count)."""
    if len(x) < frame:
        frame = max(16, len(x))
    window = np.hanning(frame)
    total = np.zeros(frame // 2 + 1)
    for start in range(0, len(x) - frame + 1, frame // 2):
        chunk = x[start:start + frame]
        total += np.abs(np.fft.rfft((chunk - chunk.mean()) * window))
    freqs = np.fft.rfftfreq(frame, 1.0 / rate)
    return float(np.sum(freqs * total) / np.sum(total)) if np.sum(total) > 0 else 0.0


def measure(samples, rate):
    """A dict of the figures of one render."""
    finite = bool(np.all(np.isfinite(samples)))
    clean = np.where(np.isfinite(samples), samples, 0.0)
    _, freqs = plot_render.pitch_by_crossings(clean, rate)
    freqs = freqs[np.isfinite(freqs)]
    low, high = (np.percentile(freqs, [5, 95]) if len(freqs) else (0.0, 0.0))
    return {
        "finite": finite,
        "rms": float(np.sqrt(np.mean(clean ** 2))) if len(clean) else 0.0,
        "peak": float(np.max(np.abs(clean))) if len(clean) else 0.0,
        "pitch_low": float(low),
        "pitch_high": float(high),
        "centroid": spectral_centroid(clean, rate),
    }


def close(a, b):
    return abs(a - b) <= ALIKE * max(abs(a), abs(b))


def alike(m, n):
    """True when two sounds match within 5 % in pitch range and spectral centroid alike."""
    return all(close(m[key], n[key]) for key in ("pitch_low", "pitch_high", "centroid"))


def problems(results):
    """The reasons a set of measured sounds fails --check."""
    found = []
    for name, m in results.items():
        if not m["finite"]:
            found.append(f"{name}: samples that are not finite")
        if m["rms"] < MIN_RMS:
            found.append(f"{name}: nearly silent (RMS {m['rms']:.4f})")
    for (a, m), (b, n) in itertools.combinations(results.items(), 2):
        if alike(m, n):
            found.append(f"{a} and {b}: the same pitch range and spectral centroid within 5 %")
    factory = {name: m for name, m in results.items() if name != "(default)"}
    for name, m in factory.items():
        if m["peak"] > MAX_PEAK:
            found.append(f"{name}: peaks at {20 * np.log10(m['peak']):+.1f} dBFS, above -1 dBFS")
    levels = [m["rms"] for m in factory.values() if m["rms"] > 0]
    if levels and max(levels) > MAX_RMS_SPREAD * min(levels):
        found.append(f"the factory sounds' RMS levels span {20 * np.log10(max(levels) / min(levels)):.1f} dB, "
                     "more than 6 dB")
    return found


def render_presets(tool, folder, seed, seconds, scratch):
    """{preset name: WAV path} for the start-up sound ("(default)") and every *.vpreset in the folder."""
    presets = [("(default)", None)] + [(os.path.splitext(os.path.basename(p))[0], p)
                                       for p in sorted(glob.glob(os.path.join(folder, "*.vpreset")))]
    wavs = {}
    for name, preset in presets:
        wav = os.path.join(scratch, name + ".wav")
        chosen = ["--preset", preset] if preset else []
        subprocess.run([tool, *chosen, "--seed", str(seed), "--seconds", str(seconds), wav],
                       check=True, stdout=subprocess.DEVNULL)
        wavs[name] = wav
    return wavs


def main(argv=None):
    parser = argparse.ArgumentParser(description="Measure vortane-render WAV files.")
    parser.add_argument("files", nargs="*", help="WAV files")
    parser.add_argument("--render", metavar="VORTANE_RENDER", help="render the presets first with this program")
    parser.add_argument("--presets", metavar="FOLDER", help="the folder of *.vpreset files for --render")
    parser.add_argument("--seed", default="1")
    parser.add_argument("--seconds", default="10")
    parser.add_argument("--check", action="store_true", help="fail on silence, non-finite samples, or alike sounds")
    args = parser.parse_args(argv)
    if bool(args.render) != bool(args.presets):
        parser.error("--render and --presets go together")

    with tempfile.TemporaryDirectory() as scratch:
        wavs = {os.path.basename(f): f for f in args.files}
        if args.render:
            wavs.update(render_presets(args.render, args.presets, args.seed, args.seconds, scratch))
        if not wavs:
            parser.error("give WAV files, or --render with --presets")
        results = {}
        for name, wav in wavs.items():
            samples, rate = plot_render.read_wav(wav)
            results[name] = measure(samples, rate)

    print("| Sound | RMS | Peak | Pitch range (Hz) | Spectral centroid (Hz) |")
    print("|---|---|---|---|---|")
    for name, m in results.items():
        print(f"| {name} | {m['rms']:.3f} | {m['peak']:.2f} | {m['pitch_low']:.0f} to {m['pitch_high']:.0f} "
              f"| {m['centroid']:.0f} |")
    if args.check:
        found = problems(results)
        for line in found:
            print("FAIL:", line, file=sys.stderr)
        return 1 if found else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Plot a vortane-render WAV file: the whole waveform, a close-up of its periods, and its pitch path.

    plot_render.py INPUT.wav [-o docs/render-plot.png] [--method crossings|autocorr]
    plot_render.py --render build/render/vortane-render [--seed 7] [--seconds 4] [--preset FILE_OR_NAME]
                   [--set NAME[=VALUE]]...
    plot_render.py ... --small      a 480 x 240 picture of a close-up and the pitch path only (for a list of sounds)

With --render the script first renders INPUT (default: a temporary file) with the given tool, seed,
length and settings, so the picture in the user guide can be made again with one command.

Pitch comes from the period lengths: every period of the voice is one Bezier curve that dips below
the centre and rises above it, so each period has one upward zero crossing. The time between two
crossings (interpolated between samples) is one period; its frequency is rate / length.
--method autocorr instead takes the strongest autocorrelation lag of each 2048-sample window.
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

import numpy as np

WAVE_FORMAT_PCM = 1
WAVE_FORMAT_IEEE_FLOAT = 3
WAVE_FORMAT_EXTENSIBLE = 0xFFFE


def read_wav(path):
    """Return (samples of the first channel as float64 in -1..1, sample rate) of a PCM or float WAV."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path}: not a RIFF/WAVE file")
    fmt = None
    frames = None
    pos = 12
    while pos + 8 <= len(data):
        chunk_id, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if chunk_id == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack("<HHIIHH", body[:16])
            if tag == WAVE_FORMAT_EXTENSIBLE and len(body) >= 26:
                tag = struct.unpack("<H", body[24:26])[0]  # first two bytes of the sub-format GUID
            fmt = (tag, channels, rate, bits)
        elif chunk_id == b"data":
            frames = body
        pos += 8 + size + (size & 1)  # chunks are padded to even sizes
    if fmt is None or frames is None:
        raise ValueError(f"{path}: no fmt or data chunk")
    tag, channels, rate, bits = fmt
    if tag == WAVE_FORMAT_IEEE_FLOAT and bits in (32, 64):
        samples = np.frombuffer(frames, dtype="<f4" if bits == 32 else "<f8").astype(np.float64)
    elif tag == WAVE_FORMAT_PCM and bits in (16, 32):
        ints = np.frombuffer(frames, dtype="<i2" if bits == 16 else "<i4")
        samples = ints.astype(np.float64) / float(2 ** (bits - 1))
    elif tag == WAVE_FORMAT_PCM and bits == 24:
        raw = np.frombuffer(frames[: len(frames) - len(frames) % 3], dtype=np.uint8).reshape(-1, 3)
        ints = (raw[:, 0].astype(np.int32) | (raw[:, 1].astype(np.int32) << 8) | (raw[:, 2].astype(np.int32) << 16))
        ints = np.where(ints >= 1 << 23, ints - (1 << 24), ints)
        samples = ints.astype(np.float64) / float(1 << 23)
    else:
        raise ValueError(f"{path}: unsupported WAV format {tag} with {bits} bits")
    usable = len(samples) - len(samples) % channels
    return samples[:usable].reshape(-1, channels)[:, 0], rate


def local_mean(x, width):
    """Mean of x over a centred window of `width` samples (shorter at the ends): the centre line, which
    moves as the curve's control points wander."""
    sums = np.concatenate(([0.0], np.cumsum(x)))
    index = np.arange(len(x))
    first, last = np.maximum(0, index - width // 2), np.minimum(len(x), index + width // 2 + 1)
    return (sums[last] - sums[first]) / (last - first)


def upward_crossings(x, hysteresis=0.3):
    """Fractional sample positions where x rises through its local mean after having been clearly below it.

    The hysteresis (a fraction of the RMS level) keeps ripples of the filter's resonance around the
    centre line from counting as extra periods."""
    centred = x - local_mean(x, 2048)
    rms = np.sqrt(np.mean(centred ** 2)) if len(centred) else 0.0
    if rms == 0.0:
        return np.array([])
    below = centred < -hysteresis * rms
    arming = np.flatnonzero(below[1:] & ~below[:-1]) + 1  # each dip below the band arms once
    if below[0]:
        arming = np.concatenate(([0], arming))
    rising = np.flatnonzero((centred[1:] >= 0.0) & (centred[:-1] < 0.0))
    crossings = []
    armed_at = -1
    next_arm = 0
    for i in rising:
        while next_arm < len(arming) and arming[next_arm] <= i:
            armed_at = arming[next_arm]
            next_arm += 1
        if armed_at >= 0:
            a, b = centred[i], centred[i + 1]
            crossings.append(i + a / (a - b))  # linear interpolation of the crossing
            armed_at = -1
    return np.array(crossings)


def pitch_by_crossings(x, rate):
    """(times in s, frequencies in Hz): one point per period, at the period's middle."""
    crossings = upward_crossings(x)
    if len(crossings) < 2:
        return np.array([]), np.array([])
    periods = np.diff(crossings)
    return (crossings[:-1] + periods / 2.0) / rate, rate / periods


def pitch_by_autocorrelation(x, rate, window=2048, hop=512, fmin=40.0, fmax=5000.0, threshold=0.3):
    """(times in s, frequencies in Hz): one point per window; NaN where no lag is clearly periodic."""
    times, freqs = [], []
    min_lag, max_lag = max(2, int(rate / fmax)), min(window - 2, int(rate / fmin))
    for start in range(0, max(0, len(x) - window) + 1, hop):
        frame = x[start:start + window] - np.mean(x[start:start + window])
        spectrum = np.fft.rfft(frame, 2 * window)
        corr = np.fft.irfft(spectrum * np.conj(spectrum))[:window]
        times.append((start + window / 2.0) / rate)
        if corr[0] <= 0.0:
            freqs.append(np.nan)
            continue
        corr = corr / corr[0]
        # the peak at lag 0 slopes down into its neighbours: search only past the first dip below zero
        negative = np.flatnonzero(corr[min_lag:max_lag] < 0.0)
        if len(negative) == 0:
            freqs.append(np.nan)
            continue
        first = min_lag + negative[0]
        lag = first + int(np.argmax(corr[first:max_lag]))
        if corr[lag] < threshold:
            freqs.append(np.nan)
            continue
        # parabolic interpolation around the peak for a fractional lag
        a, b, c = corr[lag - 1], corr[lag], corr[lag + 1]
        shift = 0.5 * (a - c) / (a - 2 * b + c) if (a - 2 * b + c) != 0 else 0.0
        freqs.append(rate / (lag + shift))
    return np.array(times), np.array(freqs)


def envelope(x, columns):
    """Min and max of x over `columns` equal slices, for drawing a long waveform."""
    edges = np.linspace(0, len(x), columns + 1).astype(int)
    lows = np.array([x[a:b].min() if b > a else 0.0 for a, b in zip(edges[:-1], edges[1:])])
    highs = np.array([x[a:b].max() if b > a else 0.0 for a, b in zip(edges[:-1], edges[1:])])
    return edges[:-1], lows, highs


NOTE_NAMES = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]


def read_pitch_log(path):
    """{voice: (times, Hz, keys)} from vortane-render --pitch-log."""
    rows = np.loadtxt(path, delimiter=",", skiprows=1, ndmin=2)
    paths = {}
    for voice in np.unique(rows[:, 1]).astype(int):
        mine = rows[rows[:, 1] == voice]
        paths[voice] = (mine[:, 0], mine[:, 3], mine[:, 2].astype(int))
    return paths


def voice_label(voice, keys):
    """The voice and its note: a key's name where it played one, else how many it played."""
    played = np.unique(keys)
    if played.size > 1:
        return f"voice {voice}: {played.size} notes"
    key = int(played[0])
    return f"voice {voice}: {NOTE_NAMES[key % 12]}{key // 12 - 1}" if key >= 0 else f"voice {voice}: gate"


def plot(samples, rate, output, method="crossings", zoom_start=1.0, zoom_ms=40.0, title=None, paths=None):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from matplotlib.ticker import LogLocator, NullFormatter, ScalarFormatter

    if method == "autocorr":
        times, freqs = pitch_by_autocorrelation(samples, rate)
    else:
        times, freqs = pitch_by_crossings(samples, rate)
    seconds = len(samples) / rate

    fig, (whole, close, pitch) = plt.subplots(3, 1, figsize=(10, 8), constrained_layout=True)
    fig.suptitle(title or f"{seconds:.1f} s at {rate} Hz")

    starts, lows, highs = envelope(samples, 1200)
    whole.fill_between(starts / rate, lows, highs, color="#3b6fb6", linewidth=0)
    whole.set(title="Waveform", xlabel="time (s)", ylabel="sample", xlim=(0, seconds))

    first = int(min(max(0.0, zoom_start), max(0.0, seconds - zoom_ms / 1000.0)) * rate)
    last = min(len(samples), first + int(zoom_ms / 1000.0 * rate))
    t = np.arange(first, last) / rate * 1000.0
    close.plot(t, samples[first:last], color="#3b6fb6", linewidth=1.0)
    close.axhline(np.mean(samples), color="gray", linewidth=0.5)
    close.set(title=f"Close-up: every period is one Bezier curve ({zoom_ms:.0f} ms)", xlabel="time (ms)",
              ylabel="sample")

    if paths:
        for voice, (when, hz, keys) in sorted(paths.items()):
            # A break wherever the voice takes another note or fell silent, so no line joins two notes.
            breaks = np.flatnonzero((np.diff(keys) != 0) | (np.diff(when) > 0.01)) + 1
            when = np.insert(when, breaks, np.nan)
            hz = np.insert(hz, breaks, np.nan)
            pitch.plot(when, hz, linewidth=0.8, label=voice_label(voice, keys))
        pitch.legend(fontsize=8, loc="upper left", bbox_to_anchor=(1.0, 1.0))
        source = "each voice's period, from --pitch-log"
    else:
        pitch.plot(times, freqs, ".", markersize=2, color="#c0392b")
        source = "upward zero crossings" if method != "autocorr" else "autocorrelation"
    pitch.set_yscale("log")
    pitch.yaxis.set_major_locator(LogLocator(subs=(1.0, 2.0, 5.0)))
    pitch.yaxis.set_major_formatter(ScalarFormatter())
    pitch.yaxis.set_minor_formatter(NullFormatter())
    pitch.set(title=f"Pitch path ({source})", xlabel="time (s)", ylabel="frequency (Hz)", xlim=(0, seconds))
    pitch.grid(True, which="both", linewidth=0.3)

    fig.savefig(output, dpi=100)
    plt.close(fig)
    return times, freqs


def plot_small(samples, rate, output, zoom_start=1.0, zoom_ms=30.0, title=None):
    """A small picture: a close-up of the waveform beside the pitch path, saved with a 64-colour palette so
    that a page of them stays light."""
    import io

    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    import matplotlib.ticker
    from PIL import Image

    times, freqs = pitch_by_crossings(samples, rate)
    seconds = len(samples) / rate
    fig, (close, pitch) = plt.subplots(1, 2, figsize=(6.0, 3.0), constrained_layout=True)
    if title:
        fig.suptitle(title, fontsize=10)
    first = int(min(max(0.0, zoom_start), max(0.0, seconds - zoom_ms / 1000.0)) * rate)
    last = min(len(samples), first + int(zoom_ms / 1000.0 * rate))
    close.plot(np.arange(first, last) / rate * 1000.0, samples[first:last], color="#3b6fb6", linewidth=0.8)
    close.set_title(f"waveform, {zoom_ms:.0f} ms", fontsize=8)
    close.set_xlabel("ms", fontsize=7)
    pitch.plot(times, freqs, ".", markersize=1, color="#c0392b")
    pitch.set_yscale("log")
    # Plain numbers on the log axis: a narrow range otherwise reads as 2.6 x 10^2.
    plain = matplotlib.ticker.FuncFormatter(lambda hz, _: f"{hz:g}")
    pitch.yaxis.set_major_formatter(plain)
    pitch.yaxis.set_minor_formatter(plain)
    pitch.set_title("pitch (Hz)", fontsize=8)
    pitch.set_xlabel("s", fontsize=7)
    pitch.set_xlim(0, seconds)
    pitch.grid(True, which="both", linewidth=0.3)
    for axes in (close, pitch):
        axes.tick_params(which="both", labelsize=7)
    buffer = io.BytesIO()
    fig.savefig(buffer, dpi=80, format="png")
    plt.close(fig)
    buffer.seek(0)
    Image.open(buffer).convert("RGB").quantize(64).save(output, optimize=True)
    return times, freqs


def main(argv=None):
    parser = argparse.ArgumentParser(description="Plot a vortane-render WAV file and its pitch path.")
    parser.add_argument("input", nargs="?", help="the WAV file (written first when --render is given)")
    parser.add_argument("-o", "--output", default="docs/render-plot.png", help="PNG to write")
    parser.add_argument("--method", choices=("crossings", "autocorr"), default="crossings")
    parser.add_argument("--zoom-start", type=float, default=1.0, help="start of the close-up, in s")
    parser.add_argument("--zoom-ms", type=float, default=40.0, help="length of the close-up, in ms")
    parser.add_argument("--title", help="title over the plot")
    parser.add_argument("--render", metavar="VORTANE_RENDER", help="render INPUT first with this program")
    parser.add_argument("--seed", default="7", help="seed for --render")
    parser.add_argument("--seconds", default="4", help="length for --render")
    parser.add_argument("--set", action="append", default=[], metavar="NAME[=VALUE]",
                        help="a control setting for --render (repeatable)")
    parser.add_argument("--preset", metavar="FILE_OR_NAME", help="a preset for --render")
    parser.add_argument("--small", action="store_true", help="a small close-up and pitch picture")
    parser.add_argument("--pitch-log", metavar="FILE.csv",
                        help="draw the voices' pitch paths from vortane-render --pitch-log instead")
    args = parser.parse_args(argv)

    with tempfile.TemporaryDirectory() as scratch:
        wav = args.input
        if args.render:
            wav = wav or os.path.join(scratch, "render.wav")
            command = [args.render, "--seconds", args.seconds, "--seed", args.seed]
            if args.preset:
                command += ["--preset", args.preset]
            for setting in args.set:
                command += ["--set", setting]
            subprocess.run(command + [wav], check=True)
        elif not wav:
            parser.error("give a WAV file, or --render with the vortane-render program")
        samples, rate = read_wav(wav)
        if len(samples) == 0:
            print(f"plot_render.py: {wav} holds no samples", file=sys.stderr)
            return 1
        title = args.title or f"{os.path.basename(wav)}: {len(samples) / rate:.1f} s at {rate} Hz"
        if args.small:
            times, freqs = plot_small(samples, rate, args.output, args.zoom_start, min(args.zoom_ms, 30.0),
                                      args.title)
        else:
            paths = read_pitch_log(args.pitch_log) if args.pitch_log else None
            times, freqs = plot(samples, rate, args.output, args.method, args.zoom_start, args.zoom_ms, title,
                                paths)
    found = freqs[np.isfinite(freqs)]
    if len(found):
        print(f"{args.output}: {len(found)} pitch points, {found.min():.1f} to {found.max():.1f} Hz, "
              f"median {np.median(found):.1f} Hz")
    else:
        print(f"{args.output}: no pitch found")
    return 0


if __name__ == "__main__":
    sys.exit(main())

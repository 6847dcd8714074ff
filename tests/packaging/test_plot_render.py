#!/usr/bin/python3
"""Tests of scripts/plot_render.py: WAV reading, the two pitch estimators, and the picture itself.

A synthetic voice with known period lengths stands in for a render; when VORTANE_RENDER names a
built vortane-render, a real render is plotted as well and its pitch must stay between the barriers
that the default settings give (periods of 51 to 413 samples)."""

import importlib.util
import os
import struct
import subprocess
import sys
import tempfile
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "plot_render.py")
spec = importlib.util.spec_from_file_location("plot_render", SCRIPT)
plot_render = importlib.util.module_from_spec(spec)
spec.loader.exec_module(plot_render)

RATE = 44100


def write_wav(path, samples, tag=3, bits=32, rate=RATE, extra_chunk=False):
    """A minimal mono WAV; float (tag 3) or PCM (tag 1), optionally with an odd-sized chunk before the data."""
    if tag == 3:
        frames = np.asarray(samples, dtype="<f4" if bits == 32 else "<f8").tobytes()
    else:
        frames = np.round(np.asarray(samples) * (2 ** (bits - 1) - 1)).astype("<i2").tobytes()
    fmt = struct.pack("<HHIIHH", tag, 1, rate, rate * bits // 8, bits // 8, bits)
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt
    if extra_chunk:
        chunks += b"LIST" + struct.pack("<I", 3) + b"abc\0"  # odd size, padded
    chunks += b"data" + struct.pack("<I", len(frames)) + frames
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks)


def bezier_like_voice(period_lengths):
    """One dip-then-hump period per length, like the synthesizer's curve: -sin over each period."""
    return np.concatenate([-0.4 * np.sin(2 * np.pi * np.arange(n) / n) for n in period_lengths])


class ReadWavTest(unittest.TestCase):
    def test_float_and_pcm_round_trip_and_other_files_are_refused(self):
        voice = bezier_like_voice([100] * 20)
        with tempfile.TemporaryDirectory() as tmp:
            for tag, bits, tolerance in ((3, 32, 1e-7), (3, 64, 0.0), (1, 16, 1.0 / 32767)):
                path = os.path.join(tmp, f"v{tag}_{bits}.wav")
                write_wav(path, voice, tag, bits, extra_chunk=True)
                samples, rate = plot_render.read_wav(path)
                self.assertEqual(rate, RATE)
                self.assertEqual(len(samples), len(voice))
                self.assertLessEqual(np.max(np.abs(samples - voice)), tolerance, (tag, bits))
            path = os.path.join(tmp, "text.wav")
            with open(path, "wb") as f:
                f.write(b"hello, this is no RIFF file")
            with self.assertRaises(ValueError):
                plot_render.read_wav(path)


class PitchTest(unittest.TestCase):
    def test_crossings_recover_every_period_length(self):
        lengths = [100] * 30 + [413] * 10 + [51] * 60 + [237] * 15
        times, freqs = plot_render.pitch_by_crossings(bezier_like_voice(lengths), RATE)
        # each period rises through the centre half-way, so two crossings span half of two neighbours
        expected = [(a + b) / 2.0 for a, b in zip(lengths[:-1], lengths[1:])]
        np.testing.assert_allclose(RATE / freqs, expected, rtol=0.01)
        self.assertTrue(np.all(np.diff(times) > 0))

    def test_crossings_ignore_ripple_around_the_centre(self):
        voice = bezier_like_voice([200] * 40)
        voice += 0.01 * np.sin(2 * np.pi * np.arange(len(voice)) / 7.0)  # resonance-like ripple
        _, freqs = plot_render.pitch_by_crossings(voice, RATE)
        self.assertEqual(len(freqs), 39)
        np.testing.assert_allclose(freqs, RATE / 200.0, rtol=0.01)

    def test_autocorrelation_finds_a_steady_pitch_and_silence_has_none(self):
        _, freqs = plot_render.pitch_by_autocorrelation(bezier_like_voice([150] * 300), RATE)
        np.testing.assert_allclose(freqs, RATE / 150.0, rtol=0.01)
        _, silent = plot_render.pitch_by_autocorrelation(np.zeros(8192), RATE)
        self.assertTrue(np.all(np.isnan(silent)))
        times, freqs = plot_render.pitch_by_crossings(np.zeros(4096), RATE)
        self.assertEqual((len(times), len(freqs)), (0, 0))


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


class PlotTest(unittest.TestCase):
    def run_script(self, *args):
        return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True, timeout=300)

    def test_writes_a_png_of_a_synthetic_voice_full_size_and_small(self):
        with tempfile.TemporaryDirectory() as tmp:
            wav, png, small = (os.path.join(tmp, name) for name in ("voice.wav", "plot.png", "small.png"))
            write_wav(wav, bezier_like_voice([200] * 200 + [100] * 400))
            result = self.run_script(wav, "-o", png)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(png_size(png), (1000, 800))
            self.assertRegex(result.stdout, r"599 pitch points, 2[12]\d\.\d to 44[0-3]\.\d Hz, median 441\.0 Hz")
            result = self.run_script(wav, "--small", "--zoom-start", "0.5", "-o", small)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(png_size(small), (480, 240))
            self.assertLess(os.path.getsize(small), 40000)

    @unittest.skipUnless(os.environ.get("VORTANE_RENDER"), "vortane-render not built")
    def test_plots_a_real_render_whose_pitch_stays_between_the_barriers(self):
        with tempfile.TemporaryDirectory() as tmp:
            wav, png = os.path.join(tmp, "render.wav"), os.path.join(tmp, "plot.png")
            result = self.run_script("--render", os.environ["VORTANE_RENDER"], "--seconds", "3", wav, "-o", png)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIsNotNone(png_size(png))
            samples, _ = plot_render.read_wav(wav)
            self.assertEqual(len(samples), 3 * RATE)
            _, freqs = plot_render.pitch_by_crossings(samples, RATE)
            self.assertGreater(len(freqs), 3 * 100)  # at least 107 Hz all the way
            inside = (freqs > RATE / 413.0 * 0.97) & (freqs < RATE / 51.0 * 1.03)
            self.assertGreater(np.mean(inside), 0.95)


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/python3
"""Tests of scripts/measure_render.py, the check that keeps the factory sounds varied and level-matched: it
must measure a known tone right and flag two sounds that match, a silent one, one that is not finite, one
that peaks above -1 dBFS and levels more than 6 dB apart."""

import importlib.util
import os
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "measure_render.py")
spec = importlib.util.spec_from_file_location("measure_render", SCRIPT)
measure_render = importlib.util.module_from_spec(spec)
spec.loader.exec_module(measure_render)

RATE = 44100


class MeasureTest(unittest.TestCase):
    def test_a_steady_tone_has_its_pitch_and_centroid(self):
        t = np.arange(2 * RATE) / RATE
        m = measure_render.measure(-0.3 * np.sin(2 * np.pi * 441.0 * t), RATE)
        self.assertAlmostEqual(m["pitch_low"], 441.0, delta=2.0)
        self.assertAlmostEqual(m["pitch_high"], 441.0, delta=2.0)
        self.assertAlmostEqual(m["centroid"], 441.0, delta=30.0)
        self.assertAlmostEqual(m["rms"], 0.3 / np.sqrt(2), places=3)

    def test_alike_needs_all_three_figures_within_five_percent_and_levels_must_match(self):
        base = {"pitch_low": 100.0, "pitch_high": 400.0, "centroid": 300.0, "finite": True, "rms": 0.1,
                "peak": 0.3}
        self.assertTrue(measure_render.alike(base, dict(base, centroid=314.0)))
        self.assertFalse(measure_render.alike(base, dict(base, centroid=320.0)))
        self.assertFalse(measure_render.alike(base, dict(base, pitch_high=440.0)))
        found = measure_render.problems({"a": base, "b": dict(base), "c": dict(base, rms=0.001, centroid=900.0),
                                         "d": dict(base, finite=False, pitch_low=10.0, peak=0.9)})
        # a and b alike, c silent, d not finite and above -1 dBFS, the levels 40 dB apart
        self.assertEqual(len(found), 5, found)


if __name__ == "__main__":
    unittest.main(verbosity=2)

#!/usr/bin/env python3
"""Writes the peer chain's score for scsynth's non-real-time mode, no sclang needed.

The chain: a dynamic stochastic oscillator (Gendy1, 12 control points) into a four-pole ladder
filter (MoogFF at 1500 Hz, gain 2) and tanh, to output bus 0, for SECONDS seconds; VOICES of them
side by side (default 1), and then also CHORD.mid, a Standard MIDI File holding a chord of VOICES
notes for SECONDS, for vortane-render --midi to play against them. The synth definition is written
in the server's binary format (version 2) and sent inside the score with /d_recv, so the score
file is all scsynth needs:

    python3 bench/peer_score.py 600 /tmp/peer.osc [16 /tmp/chord.mid]
    scsynth -o 1 -N /tmp/peer.osc _ /tmp/peer.wav 44100 WAV float
"""
import struct
import sys

SCALAR, AUDIO = 0, 2
TANH = 36  # the unary operator's index in the server


def pstring(text):
    data = text.encode("ascii")
    return struct.pack(">B", len(data)) + data


def synth_def(name):
    constants = [1.0, 440.0, 660.0, 0.5, 12.0, 1500.0, 2.0, 0.0]
    const = {value: index for index, value in enumerate(constants)}

    def c(value):
        return (-1, const[value])

    # (class, rate, inputs, outputs, special index)
    ugens = [
        ("Gendy1", AUDIO, [c(1.0), c(1.0), c(1.0), c(1.0), c(440.0), c(660.0), c(0.5), c(0.5), c(12.0), c(12.0)],
         1, 0),
        ("MoogFF", AUDIO, [(0, 0), c(1500.0), c(2.0), c(0.0)], 1, 0),
        ("UnaryOpUGen", AUDIO, [(1, 0)], 1, TANH),
        ("Out", AUDIO, [c(0.0), (2, 0)], 0, 0),
    ]
    out = pstring(name)
    out += struct.pack(">i", len(constants)) + b"".join(struct.pack(">f", v) for v in constants)
    out += struct.pack(">i", 0) + struct.pack(">i", 0)  # no parameters, no parameter names
    out += struct.pack(">i", len(ugens))
    for cls, rate, inputs, outputs, special in ugens:
        out += pstring(cls) + struct.pack(">biih", rate, len(inputs), outputs, special)
        out += b"".join(struct.pack(">ii", unit, index) for unit, index in inputs)
        out += b"".join(struct.pack(">b", rate) for _ in range(outputs))
    out += struct.pack(">h", 0)  # no variants
    return b"SCgf" + struct.pack(">ih", 2, 1) + out


def osc_pad(data):
    return data + b"\0" * (4 - len(data) % 4)


def osc_message(address, *args):
    tags, payload = ",", b""
    for arg in args:
        if isinstance(arg, bytes):
            tags += "b"
            payload += struct.pack(">i", len(arg)) + arg + b"\0" * (-len(arg) % 4)
        elif isinstance(arg, int):
            tags += "i"
            payload += struct.pack(">i", arg)
        else:
            tags += "s"
            payload += osc_pad(arg.encode("ascii"))
    return osc_pad(address.encode("ascii")) + osc_pad(tags.encode("ascii")) + payload


def bundle(seconds, *messages):
    data = b"#bundle\0" + struct.pack(">Q", int(seconds * (1 << 32)))
    for message in messages:
        data += struct.pack(">i", len(message)) + message
    return struct.pack(">i", len(data)) + data


def chord(seconds, notes):
    """A format-0 file at 480 ticks a beat and 120 beats a minute: notes 36, 39, 42, ... held."""
    ticks = int(seconds * 960)
    events = b"".join(b"\0" + bytes([0x90, 36 + 3 * k, 100]) for k in range(notes))
    delta = bytes([ticks & 0x7F])  # a variable-length quantity, seven bits a byte, the last without 0x80
    while ticks > 0x7F:
        ticks >>= 7
        delta = bytes([0x80 | ticks & 0x7F]) + delta
    events += b"".join((delta if k == 0 else b"\0") + bytes([0x80, 36 + 3 * k, 0]) for k in range(notes))
    events += b"\0\xff\x2f\0"
    return b"MThd" + struct.pack(">ihhh", 6, 0, 1, 480) + b"MTrk" + struct.pack(">i", len(events)) + events


def main():
    if len(sys.argv) not in (3, 5):
        sys.exit("usage: peer_score.py SECONDS SCORE.osc [VOICES CHORD.mid]")
    seconds = float(sys.argv[1])
    voices = int(sys.argv[3]) if len(sys.argv) == 5 else 1
    score = bundle(0.0, osc_message("/d_recv", synth_def("gendy_moog_tanh")),
                   *(osc_message("/s_new", "gendy_moog_tanh", 1000 + k, 0, 0) for k in range(voices)))
    score += bundle(seconds, osc_message("/c_set", 0, 0))  # the render ends at the last bundle
    with open(sys.argv[2], "wb") as f:
        f.write(score)
    if len(sys.argv) == 5:
        with open(sys.argv[4], "wb") as f:
            f.write(chord(seconds, voices))


if __name__ == "__main__":
    main()

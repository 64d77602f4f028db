#!/usr/bin/env python3
"""Makes the demo's sound effects (synthesised WAVs) and its music (a MIDI file written byte by
byte). Standard library only; the same script always writes the same bytes.

Run from anywhere:  python3 examples/demo/art/make_sound.py
"""
import math
import os
import random
import struct
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(os.path.dirname(HERE), 'sounds')
RATE = 22050


def tone(freqs, seconds, shape='square', volume=0.35, noise=0.0, seed=1):
    """A sweep through freqs (one per equal slice of the time) with a quick attack and decay."""
    rng = random.Random(seed)
    n = int(RATE * seconds)
    out, phase = [], 0.0
    for i in range(n):
        t = i / n
        f = freqs[min(int(t * len(freqs)), len(freqs) - 1)]
        phase += f / RATE
        if shape == 'square':
            v = 1.0 if (phase % 1.0) < 0.5 else -1.0
        elif shape == 'triangle':
            v = 4 * abs((phase % 1.0) - 0.5) - 1
        else:
            v = math.sin(2 * math.pi * phase)
        v = v * (1 - noise) + (rng.random() * 2 - 1) * noise
        env = min(1.0, i / 200) * (1 - t) ** 1.5
        out.append(v * env * volume)
    return out


def write_wav(name, samples):
    with wave.open(os.path.join(OUT, name), 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b''.join(struct.pack('<h', int(max(-1, min(1, s)) * 32767)) for s in samples))


def vlq(n):
    b = [n & 0x7F]
    n >>= 7
    while n:
        b.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(b)


def track(events):
    """events: (tick, bytes) in any order; returns an MTrk chunk ending with end-of-track."""
    data, now = b'', 0
    for tick, msg in sorted(events, key=lambda e: e[0]):
        data += vlq(tick - now) + msg
        now = tick
    data += vlq(0) + b'\xff\x2f\x00'
    return b'MTrk' + struct.pack('>I', len(data)) + data


def notes(channel, seq, beat, start=0, velocity=90):
    """seq: (MIDI note or None for a rest, length in beats)."""
    ev, t = [], start
    for note, length in seq:
        if note is not None:
            ev.append((t, bytes([0x90 | channel, note, velocity])))
            ev.append((t + int(length * beat) - 10, bytes([0x80 | channel, note, 0])))
        t += int(length * beat)
    return ev


def theme():
    beat = 240  # ticks per quarter note
    tempo = [(0, b'\xff\x51\x03' + struct.pack('>I', 500000)[1:])]  # 120 bpm
    # A gentle tune in C major over a walking bass, four bars looping.
    melody = [(72, 1), (76, 0.5), (79, 0.5), (77, 1), (76, 1),
              (74, 1), (77, 0.5), (81, 0.5), (79, 2),
              (76, 1), (79, 0.5), (84, 0.5), (83, 1), (81, 1),
              (79, 1), (77, 0.5), (74, 0.5), (72, 2)]
    bass = [(48, 1), (52, 1), (55, 1), (52, 1), (50, 1), (53, 1), (55, 1), (53, 1),
            (45, 1), (48, 1), (52, 1), (48, 1), (43, 1), (47, 1), (48, 2)]
    lead = [(0, b'\xc0\x0b')] + notes(0, melody, beat)        # vibraphone
    low = [(0, b'\xc1\x20')] + notes(1, bass, beat, velocity=70)  # acoustic bass
    header = b'MThd' + struct.pack('>IHHH', 6, 1, 3, beat)
    return header + track(tempo) + track(lead) + track(low)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_wav('snd_gem.wav', tone([988, 1319, 1976], 0.18, 'square', 0.25))
    write_wav('snd_hurt.wav', tone([330, 262, 196, 147], 0.35, 'triangle', 0.5, noise=0.3))
    write_wav('snd_door.wav', tone([523, 659, 784, 1047], 0.5, 'sine', 0.45))
    with open(os.path.join(OUT, 'mus_theme.mid'), 'wb') as f:
        f.write(theme())


if __name__ == '__main__':
    main()

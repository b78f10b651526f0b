#!/usr/bin/python3
"""Synthesises the demo's background tune (lead, pad, bass, drums; about 44 s) into a 16-bit stereo WAV file.

Usage: generators/make_music.py out.wav   (make_music.sh encodes the result as media/22.mp3)

Everything is computed from the score below with additive synthesis and seeded noise, so a remake
gives the same samples. The mix is normalised to a peak of -3 dBFS and fades out at the end.
"""
import sys
import wave

import numpy as np

RATE = 44100
BPM = 124
EIGHTH = 60.0 / BPM / 2
BAR = 8 * EIGHTH
PEAK = 10 ** (-3 / 20)
FADE_SECONDS = 6.0
TAIL_SECONDS = 1.5

# Chords by name: bass root and the pad's three notes (MIDI numbers).
CHORDS = {
    "Am": (45, (57, 60, 64)),
    "F": (41, (53, 57, 60)),
    "C": (48, (55, 60, 64)),
    "G": (43, (55, 59, 62)),
}

# The lead's phrases: one list of (note or None for a rest, length in eighths) per bar.
VERSE = [
    [(76, 2), (74, 1), (72, 1), (69, 2), (72, 2)],
    [(72, 3), (74, 1), (72, 2), (69, 2)],
    [(67, 2), (72, 2), (76, 3), (74, 1)],
    [(74, 4), (None, 2), (71, 1), (74, 1)],
    [(76, 2), (74, 1), (72, 1), (69, 2), (72, 2)],
    [(77, 3), (76, 1), (74, 2), (72, 2)],
    [(76, 2), (72, 2), (67, 2), (72, 2)],
    [(71, 4), (74, 2), (None, 2)],
]
CHORUS = [
    [(81, 3), (79, 1), (76, 4)],
    [(77, 2), (76, 2), (74, 2), (72, 2)],
    [(76, 3), (79, 1), (84, 4)],
    [(83, 2), (79, 2), (74, 4)],
    [(81, 3), (79, 1), (76, 2), (79, 2)],
    [(81, 2), (79, 2), (77, 2), (76, 2)],
    [(76, 2), (74, 2), (72, 2), (76, 2)],
    [(74, 6), (None, 2)],
]
OUTRO = [
    [(76, 2), (74, 1), (72, 1), (69, 4)],
    [(72, 8)],
    [(67, 4), (72, 4)],
    [(69, 8)],
]
REST = [(None, 8)]

# The song, bar by bar: (chord, lead bar, drum pattern).
LOOP = ["Am", "F", "C", "G"]
SONG = ([("Am", REST, "intro"), ("F", REST, "intro")]
        + [(LOOP[i % 4], VERSE[i], "verse") for i in range(8)]
        + [(LOOP[i % 4], CHORUS[i], "chorus") for i in range(8)]
        + [(chord, OUTRO[i], "verse" if i < 3 else "end") for i, chord in enumerate(["Am", "F", "C", "Am"])])


def frequency(note):
    return 440.0 * 2 ** ((note - 69) / 12)


def envelope(count, attack, release, sustain_level=1.0, decay=None):
    """Attack to 1, optional exponential decay towards sustain_level, release to 0 at the end."""
    t = np.arange(count) / RATE
    env = np.minimum(t / attack, 1.0) if attack > 0 else np.ones(count)
    if decay:
        env *= sustain_level + (1 - sustain_level) * np.exp(-t / decay)
    tail = int(min(release * RATE, count))
    if tail:
        env[-tail:] *= np.linspace(1.0, 0.0, tail)
    return env


def additive(freq, count, harmonics, detune=0.0, vibrato=0.0):
    """Band-limited tone: harmonic k with amplitude weight(k), only below 16 kHz."""
    t = np.arange(count) / RATE
    phase = 2 * np.pi * freq * (1 + detune) * t
    if vibrato:
        phase += vibrato * np.sin(2 * np.pi * 5.5 * t) * np.minimum(t / 0.3, 1.0)
    tone = np.zeros(count)
    for k, weight in harmonics:
        if k * freq < 16000:
            tone += weight * np.sin(k * phase)
    return tone


SQUARE = [(k, 1.0 / k) for k in range(1, 16, 2)]
SAW = [(k, 1.0 / k) for k in range(1, 13)]
SOFT_SAW = [(k, 1.0 / k ** 1.6) for k in range(1, 9)]


def add(track, start, sound):
    begin = int(round(start * RATE))
    end = min(begin + len(sound), len(track))
    if end > begin:
        track[begin:end] += sound[:end - begin]


def lead_note(note, seconds):
    count = int(seconds * RATE)
    tone = additive(frequency(note), count, SQUARE, vibrato=0.02) * 0.7
    tone += additive(frequency(note), count, SAW, detune=0.004) * 0.3
    return tone * envelope(count, 0.01, 0.06, sustain_level=0.6, decay=0.35)


def pad_chord(notes, seconds):
    count = int(seconds * RATE)
    chord = np.zeros(count)
    for note in notes:
        for detune in (-0.003, 0.003):
            chord += additive(frequency(note), count, SOFT_SAW, detune=detune)
    return chord * envelope(count, 0.35, 0.4)


def bass_note(note, seconds):
    count = int(seconds * RATE)
    tone = additive(frequency(note), count, SAW[:8])
    return tone * envelope(count, 0.005, 0.03, sustain_level=0.4, decay=0.12)


def kick(rng):
    count = int(0.35 * RATE)
    t = np.arange(count) / RATE
    sweep = 45 + 90 * np.exp(-t / 0.03)
    phase = 2 * np.pi * np.cumsum(sweep) / RATE
    return np.sin(phase) * np.exp(-t / 0.12)


def snare(rng):
    count = int(0.25 * RATE)
    t = np.arange(count) / RATE
    noise = rng.uniform(-1, 1, count)
    noise = noise - 0.6 * np.concatenate(([0.0], noise[:-1]))      # tilt towards the highs
    tone = np.sin(2 * np.pi * 185 * t) * np.exp(-t / 0.05)
    return 0.55 * noise * np.exp(-t / 0.07) + 0.45 * tone


def hat(rng, open_hat=False):
    count = int((0.25 if open_hat else 0.06) * RATE)
    t = np.arange(count) / RATE
    noise = np.diff(rng.uniform(-1, 1, count + 1))
    return noise * np.exp(-t / (0.08 if open_hat else 0.015)) * 0.5


DRUMS = {
    # pattern: list of (eighth, instrument)
    "intro": [(i, "hat") for i in range(8)],
    "verse": [(0, "kick"), (4, "kick"), (5, "kick"), (2, "snare"), (6, "snare")] + [(i, "hat") for i in range(8)],
    "chorus": [(0, "kick"), (2, "kick"), (4, "kick"), (6, "kick"), (2, "snare"), (6, "snare")]
              + [(i, "hat") for i in range(0, 8, 2)] + [(i, "open") for i in range(1, 8, 2)],
    "end": [(0, "kick")],
}


def echo(track, seconds, feedback, repeats):
    out = track.copy()
    shift = int(seconds * RATE)
    for k in range(1, repeats + 1):
        out[shift * k:] += (feedback ** k) * track[:len(track) - shift * k]
    return out


def render():
    rng = np.random.default_rng(2207)
    total = int((len(SONG) * BAR + TAIL_SECONDS) * RATE)
    lead = np.zeros(total)
    pad = np.zeros(total)
    bass = np.zeros(total)
    drums = np.zeros(total)
    hats = np.zeros(total)
    sounds = {"kick": kick(rng), "snare": snare(rng)}
    for bar, (chord, melody, pattern) in enumerate(SONG):
        start = bar * BAR
        root, triad = CHORDS[chord]
        add(pad, start, pad_chord(triad, BAR + 0.3))
        if pattern != "intro":
            for step in range(8):
                note = root + (12 if step in (2, 6) else 0)
                add(bass, start + step * EIGHTH, bass_note(note, EIGHTH * 0.9))
        position = start
        for note, length in melody:
            if note is not None:
                add(lead, position, lead_note(note, length * EIGHTH * 0.95))
            position += length * EIGHTH
        for step, instrument in DRUMS[pattern]:
            when = start + step * EIGHTH
            if instrument in ("hat", "open"):
                add(hats, when, hat(rng, instrument == "open") * (1.0 if step % 2 == 0 else 0.7))
            else:
                add(drums, when, sounds[instrument])
    lead_left = echo(lead, 3 * EIGHTH, 0.35, 3)
    lead_right = echo(lead, 2 * EIGHTH, 0.3, 3)
    left = 0.30 * lead_left + 0.12 * pad + 0.30 * bass + 0.55 * drums + 0.12 * hats
    right = 0.30 * lead_right + 0.12 * pad + 0.30 * bass + 0.55 * drums + 0.20 * hats
    mix = np.stack([left, right], axis=1)
    fade = int(FADE_SECONDS * RATE)
    mix[-fade:] *= (0.5 + 0.5 * np.cos(np.linspace(0, np.pi, fade)))[:, None]
    return mix * (PEAK / np.max(np.abs(mix)))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_music.py out.wav")
    samples = np.round(render() * 32767).astype("<i2")
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(samples.tobytes())
    print(f"tune: {len(samples) / RATE:.1f} s")


if __name__ == "__main__":
    main()

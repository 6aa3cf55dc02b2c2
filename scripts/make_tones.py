#!/usr/bin/env python3
"""Writes the recorder's two tones as WAV files: the start and interval tone (100 ms of
2,000 Hz at peak 8,212) and the stop tone (250 ms of 400 Hz at peak 4,855), both mono
16-bit PCM at 8,000 Hz. Usage: make_tones.py OUTPUT_FOLDER"""
import math
import os
import struct
import sys
import wave

RATE = 8000
TONES = {
    "tone_start.wav": (2000, 0.100, 8212),
    "tone_stop.wav": (400, 0.250, 4855),
}


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, (hz, seconds, peak) in TONES.items():
        frames = round(RATE * seconds)
        samples = [round(peak * math.sin(2 * math.pi * hz * n / RATE)) for n in range(frames)]
        with wave.open(os.path.join(folder, name), "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(struct.pack("<%dh" % frames, *samples))


if __name__ == "__main__":
    main()

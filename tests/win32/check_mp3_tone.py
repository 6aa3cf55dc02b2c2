#!/usr/bin/env python3
"""Decodes the MP3 files that mp3_sink_test wrote with Debian's mpg123 and
checks that each holds the 1 kHz tone at half full scale that was fed to the
encoder: duration, level and pitch."""
import math
import os
import subprocess
import sys
import tempfile
import wave

# name: (seconds, channels, rate of the MP3); the encoder chooses the rate of
# low-bit-rate files itself (None: any)
EXPECTED = {
    "tone-default.mp3": (2.0, 2, 44100),
    "tone-192-crc.mp3": (1.0, 2, 44100),
    "tone-vbr.mp3": (1.0, 2, 44100),
    "tone-16k-mono.mp3": (2.0, 1, None),
}
TONE_HZ = 1000.0
TONE_DBFS = 20 * math.log10((32767 / 2) / math.sqrt(2) / 32768)  # about -9.03


def decode(path, folder):
    wav = os.path.join(folder, os.path.basename(path) + ".wav")
    subprocess.run(["mpg123", "-q", "-w", wav, path], check=True, timeout=30)
    with wave.open(wav, "rb") as w:
        channels, rate, width = w.getnchannels(), w.getframerate(), w.getsampwidth()
        data = w.readframes(w.getnframes())
    assert width == 2
    samples = memoryview(data).cast("h")
    return channels, rate, [samples[c::channels] for c in range(channels)]


def measure(channel, rate):
    # The middle of the signal, away from the encoder's start and end padding.
    edge = int(0.2 * rate)
    part = channel[edge:len(channel) - edge]
    rms = math.sqrt(sum(x * x for x in part) / len(part))
    crossings = sum(1 for a, b in zip(part, part[1:]) if (a < 0) != (b < 0))
    return 20 * math.log10(max(rms, 1e-9) / 32768), crossings / 2 / (len(part) / rate)


def main(folder):
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        for name, (seconds, channels, rate) in EXPECTED.items():
            path = os.path.join(folder, name)
            if not os.path.exists(path):
                failures.append(f"{name}: missing")
                continue
            got_channels, got_rate, data = decode(path, scratch)
            duration = len(data[0]) / got_rate
            print(f"{name}: {got_channels} ch, {got_rate} Hz, {duration:.3f} s")
            if got_channels != channels or (rate and got_rate != rate):
                failures.append(f"{name}: {got_channels} channels at {got_rate} Hz")
            if abs(duration - seconds) > 0.2:
                failures.append(f"{name}: lasts {duration:.3f} s instead of {seconds} s")
            for c, channel in enumerate(data):
                level, pitch = measure(channel, got_rate)
                print(f"  channel {c}: {level:.2f} dBFS, {pitch:.1f} Hz")
                if abs(level - TONE_DBFS) > 1.0:
                    failures.append(f"{name} channel {c}: level {level:.2f} dBFS, fed {TONE_DBFS:.2f}")
                if abs(pitch - TONE_HZ) > TONE_HZ * 0.02:
                    failures.append(f"{name} channel {c}: pitch {pitch:.1f} Hz")
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

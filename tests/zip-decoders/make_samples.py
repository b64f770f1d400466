#!/usr/bin/env python3
"""Makes the decoder tests' tool-made samples into the folder given.

Archives: the same payload packed by Info-ZIP zip (Deflated, BZIP2), 7-Zip
(Deflate64, BZIP2, LZMA, PPMd) and Python's zipfile (LZMA, BZIP2); large
enough that every decoder crosses its buffers many times.
WavPack: WAVE files of several sample layouts, one with a chunk after the
audio, each packed by the wavpack tool; the test rebuilds the WAVE file from
the .wv stream byte for byte.
Usage: make_samples.py OUTDIR
"""
import math
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile

OUT = sys.argv[1]
SRC = os.path.join(OUT, "src")


def payload():
    shutil.rmtree(SRC, ignore_errors=True)
    os.makedirs(SRC)
    rnd = random.Random(1210)
    words = ["bestelling", "artikel", "prijs", "levering", "klant", "voorraad", "factuur"]
    text = "".join(f"{i:06d} {rnd.choice(words)} {rnd.choice(words)} {rnd.randint(0, 99999)}\r\n"
                   for i in range(40000)).encode()
    files = {
        "orders.txt": text,                                          # ~1.2 MB, compresses well
        "noise.bin": bytes(rnd.getrandbits(8) for _ in range(300000)),  # barely compresses
        "runs.bin": b"".join(bytes([rnd.getrandbits(8)]) * rnd.randint(1, 400) for _ in range(3000)),
    }
    for name, data in files.items():
        with open(os.path.join(SRC, name), "wb") as f:
            f.write(data)
    return sorted(files)


def archives(names):
    def run(*cmd):
        subprocess.run(cmd, cwd=SRC, check=True, stdout=subprocess.DEVNULL)

    def fresh(name):
        path = os.path.join(OUT, name)
        if os.path.exists(path):
            os.remove(path)
        return path

    run("zip", "-q", "-9", fresh("infozip-deflated.zip"), *names)
    run("zip", "-q", "-Z", "bzip2", fresh("infozip-bzip2.zip"), *names)
    for method in ("Deflate64", "BZip2", "LZMA", "PPMd"):
        run("7zz", "a", "-bd", "-tzip", f"-mm={method}", fresh(f"7zip-{method.lower()}.zip"), *names)
    for label, method in (("lzma", zipfile.ZIP_LZMA), ("bzip2", zipfile.ZIP_BZIP2)):
        with zipfile.ZipFile(fresh(f"python-{label}.zip"), "w", method) as z:
            for name in names:
                z.write(os.path.join(SRC, name), name)


def wave(path, channels, bits, frames, fmt_tag=1, trailer=b""):
    """A WAVE file: fmt, data, then an optional chunk after the audio."""
    rnd = random.Random(bits * 10 + channels)
    width = bits // 8
    samples = bytearray()
    for i in range(frames):
        for c in range(channels):
            x = math.sin(i * (0.01 + 0.007 * c)) * 0.8 + rnd.uniform(-0.1, 0.1)
            if fmt_tag == 3:
                samples += struct.pack("<f", x)
            elif bits == 8:
                samples.append(int(128 + x * 120))
            else:
                samples += int(x * (2 ** (bits - 1) - 2)).to_bytes(width, "little", signed=True)
    fmt = struct.pack("<HHIIHH", fmt_tag, channels, 44100, 44100 * channels * width, channels * width, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(samples)) + samples + (b"\0" if len(samples) % 2 else b"")
    body += trailer
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def wavpacks():
    note = b"INFOICMT" + struct.pack("<I", 12) + b"made for it\0"
    cases = {
        "u8-mono-odd-trailer": dict(channels=1, bits=8, frames=30001,
                                    trailer=b"LIST" + struct.pack("<I", len(note)) + note),
        "s16-stereo-trailer": dict(channels=2, bits=16, frames=25000,
                                   trailer=b"LIST" + struct.pack("<I", len(note)) + note),
        "s24-stereo": dict(channels=2, bits=24, frames=20000),
        "s32-mono": dict(channels=1, bits=32, frames=20000),
        "f32-stereo": dict(channels=2, bits=32, frames=20000, fmt_tag=3),
    }
    for name, args in cases.items():
        wav = os.path.join(OUT, f"wavpack-{name}.wav")
        wave(wav, **args)
        subprocess.run(["wavpack", "-q", "-y", wav, "-o", wav[:-4] + ".wv"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


os.makedirs(OUT, exist_ok=True)
archives(payload())
wavpacks()
shutil.rmtree(SRC)

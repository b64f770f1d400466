#!/usr/bin/env python3
"""Makes the signed archives the signed-installation tests serve, into OUTDIR.

The real `minisign` tool makes the maker's key pair and a stranger's and
signs copies of two test archives; the faulty inputs are made here from its
output, one fault each:
    main.zip, upgrade.zip            the archives, with .minisig by the maker
    upgrade.tampered.zip             one byte of upgrade.zip changed
    upgrade.zip.stranger.minisig     signed by another key
    upgrade.zip.legacy.minisig       minisign's legacy (not prehashed) algorithm
    upgrade.zip.truncated.minisig    cut off inside its last line
    upgrade.zip.oversized.minisig    the genuine one padded past 64 KiB
    upgrade.zip.old.minisig          made for an old release (timestamp 1000000000)
    upgrade.zip.timeless.minisig     a trusted comment without a timestamp
Usage: make_signed.py OUTDIR MINISIGN ARCHIVES   (ARCHIVES: py-main.zip, py-upgrade.zip)
"""
import os
import shutil
import subprocess
import sys

OUT, MINISIGN, ARCHIVES = sys.argv[1:4]


def path(name):
    return os.path.join(OUT, name)


def minisign(*args):
    subprocess.run([MINISIGN, *args], check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)


def sign(key, name, signature, *extra):
    minisign("-S", "-s", path(key + ".key"), "-m", path(name), "-x", path(signature), *extra)


def read(name):
    with open(path(name), "rb") as f:
        return f.read()


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data)


shutil.rmtree(OUT, ignore_errors=True)
os.makedirs(OUT)
for key in ("maker", "stranger"):
    minisign("-G", "-W", "-p", path(key + ".pub"), "-s", path(key + ".key"))
shutil.copy(os.path.join(ARCHIVES, "py-main.zip"), path("main.zip"))
shutil.copy(os.path.join(ARCHIVES, "py-upgrade.zip"), path("upgrade.zip"))
sign("maker", "main.zip", "main.zip.minisig")
sign("maker", "upgrade.zip", "upgrade.zip.minisig")
sign("stranger", "upgrade.zip", "upgrade.zip.stranger.minisig")
sign("maker", "upgrade.zip", "upgrade.zip.legacy.minisig", "-l")
sign("maker", "upgrade.zip", "upgrade.zip.old.minisig", "-t", "timestamp:1000000000\tfile:upgrade.zip\thashed")
sign("maker", "upgrade.zip", "upgrade.zip.timeless.minisig", "-t", "file:upgrade.zip\thashed")

tampered = bytearray(read("upgrade.zip"))
tampered[len(tampered) // 2] ^= 0x01
write("upgrade.tampered.zip", bytes(tampered))
genuine = read("upgrade.zip.minisig")
write("upgrade.zip.truncated.minisig", genuine[:-20])
write("upgrade.zip.oversized.minisig", genuine + b"#" * (64 * 1024 + 1 - len(genuine)))
# The key as a build would take it: the second line of minisign.pub.
write("maker.pub.line", read("maker.pub").splitlines()[1])

#!/usr/bin/env python3
"""Makes the keys, files and signatures the signature tests read, into OUTDIR.

The real `minisign` tool makes two key pairs and signs the files; the damaged
signatures are made here from its output, one fault each. Every case is then
checked by `minisign -V -H` (prehashed signatures only), and its verdict is
written to OUTDIR/cases.txt beside the case, so the tests compare our answer
with the tool's:
    <case> <data file> <signature file> <accepted by minisign: 1 or 0>
Usage: make_signatures.py OUTDIR [MINISIGN]
"""
import base64
import os
import random
import shutil
import subprocess
import sys

OUT = sys.argv[1]
MINISIGN = sys.argv[2] if len(sys.argv) > 2 else "minisign"
CASES = os.path.join(OUT, "cases")
MAX_SIGNATURE_FILE = 64 * 1024


def path(name):
    return os.path.join(OUT, name)


def minisign(*args):
    subprocess.run([MINISIGN, *args], check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data)


def read(name):
    with open(path(name), "rb") as f:
        return f.read()


def make_keys_and_signatures():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(CASES)
    for key in ("maker", "stranger"):
        minisign("-G", "-W", "-p", path(key + ".pub"), "-s", path(key + ".key"))
    rnd = random.Random(20261210)
    # Over 1 MiB and no multiple of any block size the tests use.
    write("archive.bin", bytes(rnd.getrandbits(8) for _ in range(1024 * 1024 + 4099)))
    write("other.bin", b"upgrade.zip is another file\n")
    write("empty.bin", b"")
    sign = lambda key, data, sig, *extra: minisign("-S", "-s", path(key + ".key"), "-m", path(data), "-x", path(sig), *extra)
    sign("maker", "archive.bin", "archive.minisig", "-t", "release 1.0 main.zip")
    sign("maker", "archive.bin", "archive.legacy.minisig", "-l")
    sign("stranger", "archive.bin", "archive.stranger.minisig")
    sign("maker", "other.bin", "other.minisig")
    sign("maker", "empty.bin", "empty.minisig")


def b64(data):
    return base64.b64encode(data)


def lines_of(sig):
    return sig.split(b"\n")[:4]


def join(lines, end=b"\n"):
    return end.join(lines) + end


def with_signature_bytes(sig, change):
    """The signature line decoded, changed by change(bytes) -> bytes, encoded again."""
    u, s, t, g = lines_of(sig)
    return join([u, b64(change(base64.b64decode(s))), t, g])


def cases():
    genuine = read("archive.minisig")
    u, s, t, g = lines_of(genuine)
    stranger = read("archive.stranger.minisig")
    maker_key_id = base64.b64decode(s)[2:10]
    data = read("archive.bin")
    tampered = bytearray(data)
    tampered[len(data) // 2] ^= 0x01
    write("archive.tampered.bin", bytes(tampered))
    write("archive.longer.bin", data + b"\0")
    write("archive.shorter.bin", data[:-1])
    padding = lambda total: b"#" * (total - len(genuine) - 1) + b"\n"

    archive = "archive.bin"
    yield "genuine", archive, genuine
    yield "genuine_crlf", archive, join([u, s, t, g], b"\r\n")
    yield "genuine_without_final_line_end", archive, join([u, s, t, g])[:-1]
    yield "untrusted_comment_changed", archive, join([b"untrusted comment: anything at all", s, t, g])
    yield "lines_after_the_signature", archive, genuine + b"more\nlines\n"
    yield "largest_signature_file", archive, genuine + padding(MAX_SIGNATURE_FILE)
    yield "empty_file", "empty.bin", read("empty.minisig")

    yield "tampered_file", "archive.tampered.bin", genuine
    yield "file_one_byte_longer", "archive.longer.bin", genuine
    yield "file_one_byte_shorter", "archive.shorter.bin", genuine
    yield "signature_of_another_file", archive, read("other.minisig")
    yield "signed_by_another_key", archive, stranger
    yield "another_key_claiming_our_key_id", archive, with_signature_bytes(stranger, lambda b: b[:2] + maker_key_id + b[10:])
    yield "key_id_changed", archive, with_signature_bytes(genuine, lambda b: b[:2] + bytes([b[2] ^ 1]) + b[3:])
    yield "legacy_algorithm", archive, read("archive.legacy.minisig")
    yield "prehashed_signature_labelled_legacy", archive, with_signature_bytes(genuine, lambda b: b"Ed" + b[2:])
    yield "unknown_algorithm", archive, with_signature_bytes(genuine, lambda b: b"EE" + b[2:])
    yield "file_signature_changed", archive, with_signature_bytes(genuine, lambda b: b[:-1] + bytes([b[-1] ^ 0x80]))
    yield "trusted_comment_changed", archive, join([u, s, t.replace(b"1.0", b"1.1"), g])
    yield "trusted_comment_with_trailing_space", archive, join([u, s, t + b" ", g])
    yield "global_signature_changed", archive, join([u, s, t, b64(bytes([base64.b64decode(g)[0] ^ 1]) + base64.b64decode(g)[1:])])

    yield "empty_signature_file", archive, b""
    yield "truncated_after_trusted_comment", archive, join([u, s, t])
    yield "truncated_inside_global_signature", archive, join([u, s, t, g[:40]])
    yield "truncated_inside_signature_line", archive, genuine[: len(u) + 1 + 50]
    yield "oversized_signature_file", archive, genuine + padding(MAX_SIGNATURE_FILE + 1)
    yield "signature_line_bad_base64", archive, join([u, s[:10] + b"!" + s[11:], t, g])
    yield "global_signature_bad_base64", archive, join([u, s, t, g[:10] + b"*" + g[11:]])
    yield "signature_line_without_padding", archive, join([u, s.rstrip(b"="), t, g])
    yield "signature_line_with_space", archive, join([u, s + b" ", t, g])
    yield "signature_line_one_byte_short", archive, with_signature_bytes(genuine, lambda b: b[:-1])
    yield "signature_line_one_byte_long", archive, with_signature_bytes(genuine, lambda b: b + b"\0")
    yield "global_signature_one_byte_short", archive, join([u, s, t, b64(base64.b64decode(g)[:-1])])
    yield "untrusted_comment_prefix_missing", archive, join([b"signature from the maker", s, t, g])
    yield "trusted_comment_prefix_misspelt", archive, join([u, s, b"Trusted comment: " + t[len(b"trusted comment: "):], g])
    yield "lines_separated_by_cr_only", archive, join([u, s, t, g], b"\r")
    yield "blank_line_before_the_signature", archive, join([u, b"", s, t, g])
    yield "nul_in_trusted_comment", archive, join([u, s, t + b"\0", g])
    # Set bits after the last byte: minisign ignores them, libsodium refuses.
    yield "signature_line_noncanonical_base64", archive, join([u, s[:-2] + bytes([s[-2] + 1]) + b"=", t, g])


def main():
    make_keys_and_signatures()
    verdicts = []
    for name, data, sig in cases():
        sig_file = os.path.join("cases", name + ".minisig")
        write(sig_file, sig)
        result = subprocess.run([MINISIGN, "-V", "-H", "-q", "-p", path("maker.pub"), "-m", path(data),
                                 "-x", path(sig_file)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        verdicts.append(f"{name} {data} {sig_file} {1 if result.returncode == 0 else 0}\n")
    with open(path("cases.txt"), "w") as f:
        f.writelines(verdicts)


main()

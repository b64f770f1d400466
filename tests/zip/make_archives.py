#!/usr/bin/env python3
"""Makes the archives the ZIP tests read, into the folder given.

Real tools write the ordinary ones (Info-ZIP zip, 7-Zip, Python's zipfile);
a small writer below spells out the damaged and unusual ones field by field,
so each fault is visible here rather than hidden in stored bytes.
Usage: make_archives.py OUTDIR
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

OUT = sys.argv[1]
SRC = os.path.join(OUT, "src")


def payload():
    """Files for the real tools: text, incompressible bytes, an empty file."""
    shutil.rmtree(SRC, ignore_errors=True)
    os.makedirs(os.path.join(SRC, "bin"))
    os.makedirs(os.path.join(SRC, "data"))
    rnd = random.Random(20261210)
    text = "".join(f"regel {i}: bestelprogramma {rnd.randint(0, 999)}\r\n" for i in range(6000)).encode()
    files = {
        "readme.txt": text,
        "noise.bin": bytes(rnd.getrandbits(8) for _ in range(70000)),
        "empty.txt": b"",
        "bin/app.exe": b"MZ first copy " * 500,
        "data/app.exe": b"MZ second copy " * 700,
    }
    for name, data in files.items():
        with open(os.path.join(SRC, name), "wb") as f:
            f.write(data)
    return files


def run(*args):
    subprocess.run(args, cwd=SRC, check=True, stdout=subprocess.DEVNULL)


def real_tool_archives():
    for name in ("infozip-deflate.zip", "infozip-stored.zip"):
        path = os.path.join(OUT, name)
        if os.path.exists(path):
            os.remove(path)
    # -X: no extra fields; -r with folders gives folder entries bin/ and data/.
    run("zip", "-X", "-q", "-r", os.path.join(OUT, "infozip-deflate.zip"),
        "readme.txt", "noise.bin", "empty.txt", "bin", "data")
    run("zip", "-X", "-q", "-0", os.path.join(OUT, "infozip-stored.zip"), "readme.txt", "noise.bin")
    for method in ("Deflate64", "BZip2", "LZMA", "PPMd"):
        path = os.path.join(OUT, f"7z-{method.lower()}.zip")
        if os.path.exists(path):
            os.remove(path)
        run("7zz", "a", "-tzip", f"-mm={method}", path, "readme.txt", "noise.bin")


def python_archives():
    def info(name, attr=0, system=0, when=(2021, 6, 15, 13, 45, 31)):
        zi = zipfile.ZipInfo(name, when)
        zi.create_system = system
        zi.external_attr = attr
        zi.compress_type = zipfile.ZIP_DEFLATED
        return zi

    with zipfile.ZipFile(os.path.join(OUT, "py-attributes.zip"), "w") as z:
        z.writestr(info("dos-readonly.txt", 0x21), b"read only, archive")
        z.writestr(info("dos-hidden.txt", 0x22), b"hidden, archive")
        z.writestr(info("dos-plain.txt", 0x00), b"no attributes")
        z.writestr(info("unix-readonly.txt", 0o100444 << 16, 3), b"mode 444")
        z.writestr(info("unix-writable.txt", 0o100644 << 16, 3), b"mode 644")
        # A DOS host with attributes beyond 0x1FFFF: read as a Unix mode.
        z.writestr(info("big-attrs.txt", (0o100444 << 16) | 0x20, 0), b"mode in the upper half")
        z.writestr(info("odd-seconds.txt"), b"written at 13:45:31")
    with zipfile.ZipFile(os.path.join(OUT, "py-names.zip"), "w") as z:
        z.writestr("sub/", b"")
        z.writestr("sub/readme.txt", b"in a folder")
        z.writestr("../up.dll", b"dot dot")
        z.writestr("C:/Windows/win.dll", b"drive")
        z.writestr("/etc/etc.dll", b"root")
        z.writestr("\\\\server\\share\\unc.dll", b"unc")
        z.writestr("a\\b\\back.dll", b"backslashes")
        z.writestr("stream:", b"empty bare name")
        z.writestr("zero.txt", b"")
        z.writestr("Grüße €.txt", b"utf-8 flag")
    with zipfile.ZipFile(os.path.join(OUT, "py-pipe.zip"), "w") as z:
        z.writestr("first.txt", b"before")
        z.writestr("dir/bad|name.txt", b"pipe")
        z.writestr("after.txt", b"after")
    with zipfile.ZipFile(os.path.join(OUT, "py-empty.zip"), "w"):
        pass
    # main.zip and upgrade.zip for the replace rules.
    with zipfile.ZipFile(os.path.join(OUT, "py-main.zip"), "w") as z:
        z.writestr("VENKOR.EXE", b"main version")
        z.writestr("only-main.txt", b"main")
        z.writestr(info("locked.txt", 0x21), b"main read-only")
    with zipfile.ZipFile(os.path.join(OUT, "py-upgrade.zip"), "w") as z:
        z.writestr("bin/VENKOR.EXE", b"upgrade version")
        z.writestr("locked.txt", b"upgrade")


# --- the field-by-field writer -------------------------------------------

def dos_time(h=12, m=30, s=10):
    return (h << 11) | (m << 5) | (s // 2)


DOS_DATE = ((2020 - 1980) << 9) | (5 << 5) | 17


class Entry:
    def __init__(self, name, data=b"", **kw):
        self.name = name.encode("utf-8") if isinstance(name, str) else name
        self.data = data
        self.method = kw.get("method", 0)
        self.packed = kw.get("packed", zlib.compress(data)[2:-4] if self.method == 8 else data)
        self.flags = kw.get("flags", 0x800 if isinstance(name, str) and not name.isascii() else 0)
        self.crc = kw.get("crc", zlib.crc32(data))
        self.need = kw.get("need", 20)
        self.made_by = kw.get("made_by", 20)
        self.ext = kw.get("ext", 0x20)
        self.local_sig = kw.get("local_sig", b"PK\x03\x04")
        self.central_sig = kw.get("central_sig", b"PK\x01\x02")
        self.central_extra = kw.get("central_extra", b"")
        self.extra_len = kw.get("extra_len")  # a length that lies about the extra field
        self.zip64 = kw.get("zip64", False)
        self.csize = kw.get("csize")  # a compressed size that lies, in both headers
        self.same_as = kw.get("same_as")  # no data of its own: points at that earlier entry's local header


def build(entries, path, zip64_end=False, tail_cut=0):
    out = bytearray()
    central = bytearray()
    offsets = []
    for e in entries:
        offset = len(out) if e.same_as is None else offsets[e.same_as]
        offsets.append(offset)
        csize, usize = len(e.packed) if e.csize is None else e.csize, len(e.data)
        if e.zip64:
            local_extra = struct.pack("<HHQQ", 1, 16, usize, csize)
            l_c, l_u = 0xFFFFFFFF, 0xFFFFFFFF
        else:
            local_extra, l_c, l_u = b"", csize, usize
        if e.same_as is None:
            out += e.local_sig + struct.pack("<HHHHHIIIHH", e.need, e.flags, e.method, dos_time(), DOS_DATE,
                                             e.crc, l_c, l_u, len(e.name), len(local_extra))
            out += e.name + local_extra + e.packed
        extra = e.central_extra
        c_c, c_u, c_o = csize, usize, offset
        if e.zip64:
            extra = struct.pack("<HHQQQ", 1, 24, usize, csize, offset) + extra
            c_c = c_u = c_o = 0xFFFFFFFF
        xlen = len(extra) if e.extra_len is None else e.extra_len
        central += e.central_sig + struct.pack("<HHHHHHIIIHHHHHII", e.made_by, e.need, e.flags, e.method, dos_time(),
                                               DOS_DATE, e.crc, c_c, c_u, len(e.name), xlen, 0, 0, 0, e.ext, c_o)
        central += e.name + extra
    cd_offset = len(out)
    out += central
    n = len(entries)
    if zip64_end:
        end64 = len(out)
        out += b"PK\x06\x06" + struct.pack("<QHHIIQQQQ", 44, 45, 45, 0, 0, n, n, len(central), cd_offset)
        out += b"PK\x06\x07" + struct.pack("<IQI", 0, end64, 1)
        out += b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    else:
        out += b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, n, n, len(central), cd_offset, 0)
    with open(os.path.join(OUT, path), "wb") as f:
        f.write(out[: len(out) - tail_cut] if tail_cut else out)


def crafted_archives():
    good = Entry("good.txt", b"good entry\r\n")
    later = Entry("later.txt", b"after the bad one\r\n", method=8)
    # Failures of the archive as a whole.
    with open(os.path.join(OUT, "bad-empty.zip"), "wb"):
        pass
    with open(os.path.join(OUT, "bad-html.zip"), "wb") as f:
        f.write(b"<!DOCTYPE html>\n<html><body><h1>404 Not Found</h1></body></html>\n")
    build([good, Entry("second.txt", b"x", central_sig=b"PK\x01\x03")], "bad-central-signature.zip")
    # The last header says its extra field is 40000 bytes long; the file ends first.
    build([good, Entry("long-extra.txt", b"x", extra_len=40000)], "bad-extra-past-end.zip")
    # ZIP64: sizes and offsets only in the extra fields and the ZIP64 end record.
    build([Entry("zip64-a.txt", b"first ZIP64 entry\n", zip64=True),
           Entry("zip64-b.txt", b"second " * 100, method=8, zip64=True)], "crafted-zip64.zip", zip64_end=True)

    # One faulty entry between two good ones, per fault.
    faulty = {
        "crc": Entry("crc.txt", b"these bytes do not match", crc=0x12345678),
        "damaged": Entry("damaged.txt", b"a" * 1000, method=8, packed=b"\xff" * 40),
        "method": Entry("method7.txt", b"tokenized", method=7),
        "encrypted": Entry("secret.txt", b"0123456789ab" + b"cipher", flags=1),
        "version": Entry("future.txt", b"needs 6.4", need=64),
        "local": Entry("badlocal.txt", b"no local signature", local_sig=b"PK\x03\x05"),
        "device-con": Entry("dir/CON", b"console"),
        "device-nul": Entry("nul.txt", b"null device"),
        "device-com": Entry("Com1.log", b"serial"),
        "device-lpt": Entry("lpt9.dat.txt", b"printer"),
        "refused": Entry("what?.txt", b"wildcard"),
        "self": Entry("folder/self.zip", b"would overwrite the archive"),
    }
    for key, bad in faulty.items():
        build([good, bad, later], f"mend-{key}.zip")
    # Several faults: the first one in directory order is named, also when it
    # is found last: a large entry whose CRC-32 fails only once the writer
    # has it all, before an encrypted one refused at once.
    big_crc = Entry("big-crc.bin", b"\x5a" * (4 << 20), crc=0x12345678)
    build([good, big_crc, faulty["encrypted"], faulty["crc"], later], "mend-several.zip")

    # Entries whose data overlap: refused as a whole, nothing written.
    # Two entries on one local header (minizip checks only the length of the
    # local name); the first entry's data, as its headers size it, running
    # over the next local header; data running into the directory.
    bomb = Entry("bomb1.bin", b"\0" * 100000, method=8)
    build([good, bomb, Entry("bomb2.bin", b"\0" * 100000, method=8, same_as=1), later], "overlap-shared.zip")
    build([Entry("first.txt", b"first", csize=40), good, later], "overlap-next.zip")
    build([good, Entry("into.txt", b"runs into the directory", csize=60)], "overlap-directory.zip")

    # One large entry: several blocks to write.
    rnd = random.Random(11)
    build([Entry("large.bin", bytes(rnd.getrandbits(8) for _ in range(1500000)))], "large-stored.zip")
    # Far more than a small drive holds, between two small entries.
    build([good, Entry("big.bin", b"\0" * (4 << 20), method=8), later], "full-drive.zip")
    hostile_count()
    odd_locator()


# A ZIP64 locator before the end record that names a record 2^64 - 256 bytes
# into the file; the end record's directory size takes the locator in, so the
# archive reads as a plain one.
def odd_locator():
    good = Entry("good.txt", b"good entry\r\n")
    build([good], "odd-locator.zip")
    path = os.path.join(OUT, "odd-locator.zip")
    data = bytearray(open(path, "rb").read())
    end = len(data) - 22
    size, offset = struct.unpack_from("<II", data, end + 12)
    struct.pack_into("<I", data, end + 12, size + 20)
    data[end:end] = b"PK\x06\x07" + struct.pack("<IQI", 0, (1 << 64) - 256, 1)
    with open(path, "wb") as f:
        f.write(data)


# A ZIP64 directory that claims 2^40 entries and holds one, placed 1 GiB into
# a file (the test writes it there, leaving the rest sparse): the count must
# size nothing, and the file's size must not either.
HOSTILE_AT = 1 << 30


def hostile_count():
    name, data = b"a.txt", b"one entry\n"
    crc = zlib.crc32(data)
    local = b"PK\x03\x04" + struct.pack("<HHHHHIIIHH", 20, 0, 0, dos_time(), DOS_DATE, crc, len(data), len(data),
                                         len(name), 0) + name + data
    cd_at = HOSTILE_AT + len(local)
    central = b"PK\x01\x02" + struct.pack("<HHHHHHIIIHHHHHII", 20, 20, 0, 0, dos_time(), DOS_DATE, crc, len(data),
                                          len(data), len(name), 0, 0, 0, 0, 0x20, HOSTILE_AT) + name
    end64_at = cd_at + len(central)
    count = 1 << 40
    tail = local + central
    tail += b"PK\x06\x06" + struct.pack("<QHHIIQQQQ", 44, 45, 45, 0, 0, count, count, len(central), cd_at)
    tail += b"PK\x06\x07" + struct.pack("<IQI", 0, end64_at, 1)
    tail += b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    with open(os.path.join(OUT, "hostile-count-at-1g.tail"), "wb") as f:
        f.write(tail)


def main():
    os.makedirs(OUT, exist_ok=True)
    payload()
    real_tool_archives()
    python_archives()
    crafted_archives()


main()

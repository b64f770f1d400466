#!/usr/bin/env python3
"""Lists the programs (.exe and .dll entries) inside ZIP archives that carry
no valid Authenticode signature, as `osslsigncode verify` judges them: one
line "ARCHIVE: ENTRY" each. Windows may block such a program (Smart App
Control) or warn before it runs, after a perfect installation. An entry that
cannot be extracted here (encrypted, or a compression method Python's
zipfile lacks) is listed too: nothing shows it to be signed.

Usage: unsigned-programs.py [--ca PEM] ARCHIVE...
  --ca  the certificates the signatures must chain to, instead of
        osslsigncode's default (the system's trusted roots)
Exit status 0 (the list may be empty); 2 when an archive is no ZIP archive.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

PROGRAMS = (".exe", ".dll")


def printable(name):
    """One line whatever the entry's name holds."""
    return "".join(c if c.isprintable() else repr(c)[1:-1] for c in name)


def signed(path, ca):
    command = ["osslsigncode", "verify", *(["-CAfile", ca] if ca else []), "-in", path]
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def unsigned_programs(archive, folder, ca):
    try:
        entries = zipfile.ZipFile(archive)
    except (zipfile.BadZipFile, OSError) as e:
        print(f"{archive}: no ZIP archive ({e})", file=sys.stderr)
        sys.exit(2)
    with entries:
        for number, entry in enumerate(entries.infolist()):
            if entry.is_dir() or not entry.filename.lower().endswith(PROGRAMS):
                continue
            # Named by number: the entry's own name may be anything.
            path = os.path.join(folder, str(number))
            try:
                with entries.open(entry) as source, open(path, "wb") as target:
                    shutil.copyfileobj(source, target)
            except (NotImplementedError, RuntimeError, zipfile.BadZipFile) as e:
                yield f"{entry.filename} (not checked: {e})"
                continue
            if not signed(path, ca):
                yield entry.filename
            os.remove(path)


def main():
    args = sys.argv[1:]
    ca = None
    if args[:1] == ["--ca"]:
        ca, args = args[1], args[2:]
    with tempfile.TemporaryDirectory() as folder:
        for archive in args:
            for entry in unsigned_programs(archive, folder, ca):
                print(f"{archive}: {printable(entry)}")


main()

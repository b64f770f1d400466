#!/usr/bin/env python3
"""Writes the sample archives the wizard downloads: main.zip with the program
(VENKOR.EXE), a text file and a subfolder, and upgrade.zip, which replaces
the text file. --filler-mb adds a file of random bytes to each archive so
that it weighs about that many megabytes (for the benchmark)."""
import argparse
import os
import zipfile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output", help="folder for main.zip and upgrade.zip")
    parser.add_argument("program", help="the executable stored as VENKOR.EXE")
    parser.add_argument("--filler-mb", type=int, default=0)
    args = parser.parse_args()
    os.makedirs(args.output, exist_ok=True)

    def write(name, files):
        path = os.path.join(args.output, name)
        with zipfile.ZipFile(path + ".part", "w", zipfile.ZIP_DEFLATED) as archive:
            for entry, data in files:
                archive.writestr(entry, data)
            if args.filler_mb:
                filler = zipfile.ZipInfo(name.replace(".zip", "-filler.bin"), date_time=(2020, 1, 1, 0, 0, 0))
                archive.writestr(filler, os.urandom(args.filler_mb << 20), zipfile.ZIP_STORED)
        os.replace(path + ".part", path)

    with open(args.program, "rb") as program:
        executable = program.read()
    write("main.zip", [("VENKOR.EXE", executable), ("readme.txt", b"main\r\n"), ("data/base.txt", b"base\r\n")])
    write("upgrade.zip", [("readme.txt", b"upgrade\r\n")])


if __name__ == "__main__":
    main()

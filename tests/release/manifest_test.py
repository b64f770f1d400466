#!/usr/bin/env python3
"""The manifest a program carries, as Windows reads it: asInvoker, Common
Controls 6, and DPI awareness exactly where it is declared. A release build
(signed) is per-monitor aware: dpiAwareness "PerMonitorV2, PerMonitor"
(Windows 10 1607 and later, the first its Windows knows) and dpiAware
"true/pm" (Windows 8.1 and the first Windows 10); the default build declares
none, and Windows scales it as a bitmap.
Usage: manifest_test.py PROGRAM.EXE aware|unaware"""
import sys
import xml.etree.ElementTree as ET

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


def manifest(path):
    # The manifest resource holds the file's bytes as written; nothing else
    # in the program is an XML document.
    data = open(path, "rb").read()
    start = data.find(b"<?xml")
    end = data.find(b"</assembly>", start)
    if start < 0 or end < 0:
        sys.exit(f"FAIL: {path} carries no manifest")
    return ET.fromstring(data[start:end + len(b"</assembly>")])


def main():
    path, expected = sys.argv[1], sys.argv[2]
    root = manifest(path)
    failures = []
    level = root.find(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/{ASM_V3}requestedExecutionLevel")
    if level is None or level.get("level") != "asInvoker":
        failures.append("no asInvoker")
    controls = [a.get("name") for a in root.iter(f"{ASM_V1}assemblyIdentity")]
    if "Microsoft.Windows.Common-Controls" not in controls:
        failures.append("no Common Controls 6")

    settings = root.findall(f"{ASM_V3}application/{ASM_V3}windowsSettings")
    aware = [(e.tag, (e.text or "").strip()) for s in settings for e in s]
    if expected == "aware":
        wanted = [(f"{SETTINGS_2005}dpiAware", "true/pm"), (f"{SETTINGS_2016}dpiAwareness", "PerMonitorV2, PerMonitor")]
        if sorted(aware) != sorted(wanted):
            failures.append(f"DPI awareness {aware}, expected {wanted}")
    elif aware or b"dpiAware" in ET.tostring(root):
        failures.append(f"declares DPI awareness: {aware}")

    if failures:
        sys.exit(f"FAIL: {path}: " + "; ".join(failures))
    print(f"{path}: {'per-monitor DPI aware' if expected == 'aware' else 'no DPI awareness'}, asInvoker, "
          "Common Controls 6")


main()

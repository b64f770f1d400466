#!/usr/bin/env bash
# Setup.exe imports only Windows' KnownDLLs (and comctl32, which its manifest
# binds to the side-by-side copy), so no DLL is looked for beside it before
# the entry point restricts the search to System32. Everything else must be
# delay-loaded. (Under Wine static imports bind to Wine's own DLLs whatever
# lies beside the program, so only this check covers them.)
# It is also the program as shipped: built for ARCH (i686 or x86_64) and
# stripped, its debug information in Setup.exe.debug beside it.
# Usage: import_table_test.sh OBJDUMP SETUP.EXE ARCH
set -euo pipefail
objdump=$1 exe=$2 arch=$3
format=pei-i386; [ "$arch" = x86_64 ] && format=pei-x86-64
if ! "$objdump" -f "$exe" | grep -q "file format $format\$"; then
  echo "FAIL: $exe is not $format: $("$objdump" -f "$exe" | grep 'file format')"; exit 1
fi
if "$objdump" -h "$exe" | grep -q ' \.debug_'; then echo "FAIL: $exe is not stripped"; exit 1; fi
[ -s "$exe.debug" ] || { echo "FAIL: no $exe.debug beside it"; exit 1; }
# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs (Windows 10/11).
known="advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt
normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32"
status=0
while read -r dll; do
  name=$(echo "$dll" | tr A-Z a-z); name=${name%.dll}
  [ "$name" = comctl32 ] && continue
  if ! grep -qw "$name" <<<"$known"; then
    echo "FAIL: $exe imports $dll, which Windows looks for beside the program first"
    status=1
  fi
done < <("$objdump" -p "$exe" | sed -n 's/^\tDLL Name: //p')
[ $status -eq 0 ] && echo "$format, stripped ($(stat -c %s "$exe") bytes); import table: KnownDLLs only"
exit $status

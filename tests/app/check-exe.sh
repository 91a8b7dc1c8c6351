#!/usr/bin/env bash
# The product is a 32-bit, large-address-aware Windows GUI program that needs no
# DLL but the system's.
set -euo pipefail
export LC_ALL=C  # objdump prints translated labels otherwise
exe=$1
headers=$(i686-w64-mingw32-objdump -p "$exe")
fail=0
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a PE32 file for Intel 386"; fail=1; }
grep -qE '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || { echo "not a Windows GUI program"; fail=1; }
# Big pictures need the address space beyond 2 GiB that the system can give.
grep -q 'large address aware' <<<"$headers" || { echo "not large-address-aware"; fail=1; }
allowed='^(kernel32|user32|gdi32|shell32|advapi32|msvcrt|comctl32|ole32|oleaut32|shlwapi|windowscodecs|mscms)\.dll$'
while read -r dll; do
  if ! grep -qiE "$allowed" <<<"$dll"; then
    echo "imports a DLL that is not the system's: $dll"
    fail=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
# The buttons of the common controls the manifest asks for are registered by that
# library, which the program loads itself.
grep -qiE '^[[:space:]]*DLL Name: comctl32\.dll$' <<<"$headers" || { echo "does not load the common controls"; fail=1; }
[ "$fail" -eq 0 ] && echo "$exe: PE32 GUI program, imports: $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
exit "$fail"

#!/usr/bin/env bash
# Checks the shipped 32-bit DLL itself, from its PE headers: the export directory
# (library name, ordinal base, the 24 ordinal/name pairs, no decoration) and the
# import list (system DLLs only, so it loads on a bare Windows machine).
# Usage: tools/check_dll_binary.sh build/win32/tevpng.dll
set -euo pipefail

dll=${1:?usage: $0 path/to/tevpng.dll}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

expected_exports="1 setalphacolor
2 shide
3 loadalpha
4 setcurframe
5 spriteanim
6 makesprite
7 savescaled
8 restorepng
9 resizepng
10 loadpng
11 test
12 Draw
13 SetParentWindow
14 CreateObject
15 Interface
16 HasIntDlg
17 GetInfo
18 GetShortInfo
19 Copyright
20 SetPath
21 GetData
22 SetData
23 GetFile
24 SetFile"

# Imports that exist on every Windows installation.
allowed_imports="KERNEL32.DLL USER32.DLL GDI32.DLL WINMM.DLL MSVCRT.DLL ADVAPI32.DLL"

passed=0
failed=0
check() {  # check <description> <command...>: ok when the command succeeds
    local description=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "  ok   $description"
    else
        failed=$((failed + 1))
        echo "  FAIL $description"
    fi
}

headers=$("$objdump" -p "$dll")

format=$("$objdump" -f "$dll" | sed -n 's/.*file format //p')
check "32-bit x86 PE image (format $format)" [ "$format" = "pei-i386" ]

name=$(awk '/^Name[ \t]/ {print $NF; exit}' <<<"$headers")
check "export directory names the library tevpng.dll (got '$name')" [ "$name" = "tevpng.dll" ]

base=$(awk '/^Ordinal Base/ {print $NF; exit}' <<<"$headers")
check "ordinal base 1 (got '$base')" [ "$base" = "1" ]

# "[Ordinal/Name Pointer] Table" lists "[index] name"; the ordinal is index + base.
actual_exports=$(awk -v base="${base:-1}" '
    /^\[Ordinal\/Name Pointer\] Table/ {in_table = 1; next}
    in_table && /^[ \t]*\[/ {gsub(/[\[\]]/, " "); print $1 + base, $2; next}
    in_table && NF == 0 {exit}' <<<"$headers" | sort -n)
count=$(grep -c . <<<"$actual_exports" || true)
check "exactly 24 exported names (got $count)" [ "$count" = "24" ]
check "ordinal/name pairs match the export table" [ "$actual_exports" = "$expected_exports" ]
if [ "$actual_exports" != "$expected_exports" ]; then
    diff <(echo "$expected_exports") <(echo "$actual_exports") || true
fi
undecorated() { ! grep -qE '[@?]|^[0-9]+ _' <<<"$actual_exports"; }
check "names carry no decoration" undecorated

sections=$("$objdump" -h "$dll")
has_resources() { grep -qE '^ *[0-9]+ \.rsrc ' <<<"$sections"; }
check "carries a resource section (version information)" has_resources

imports=$(awk '/DLL Name:/ {print toupper($3)}' <<<"$headers" | sort -u)
bad_imports=""
for dll_name in $imports; do
    case " $allowed_imports " in
        *" $dll_name "*) ;;
        *) bad_imports="$bad_imports $dll_name" ;;
    esac
done
check "imports only system DLLs ($(echo $imports | tr '\n' ' '))${bad_imports:+; not allowed:$bad_imports}" [ -z "$bad_imports" ]

echo "win32 binary check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

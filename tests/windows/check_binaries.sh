#!/usr/bin/env bash
# Checks that the Windows programs run on a stock Windows with nothing
# installed: the program is a GUI program and the checker a console program,
# both importing only system DLLs, and the modules import only system DLLs and
# export load, unload and request under exactly those names.
#
# usage: check_binaries.sh OBJDUMP PROGRAM.exe CHECKER.exe MODULE.dll...
set -u
objdump=$1
program=$2
checker=$3
shift 3
modules=("$@")
failed=0

fail() {
  echo "FAIL: $*"
  failed=1
}

imports() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

exports() {
  "$objdump" -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p'
}

system_dlls='^(kernel32|user32|gdi32|msvcrt|advapi32|shell32|ole32|comctl32|ntdll)\.dll$'

check_imports() {
  local file=$1
  local list
  list=$(imports "$file")
  [ -n "$list" ] || fail "$file: no import table found"
  while IFS= read -r dll; do
    [ -z "$dll" ] && continue
    if ! printf '%s\n' "$dll" | grep -qiE "$system_dlls"; then
      fail "$file imports $dll, which a stock Windows does not have"
    fi
  done <<<"$list"
  echo "$file imports: $(echo $list)"
}

for f in "$program" "$checker" "${modules[@]}"; do
  [ -f "$f" ] || { fail "$f was not built"; continue; }
  check_imports "$f"
done

if [ -f "$program" ]; then
  "$objdump" -p "$program" | grep -qE '^Subsystem[[:space:]]+00000002' ||
    fail "$program is not a GUI-subsystem program"
  for dll in KERNEL32.dll USER32.dll GDI32.dll; do
    imports "$program" | grep -qix "$dll" || fail "$program does not import $dll"
  done
fi

if [ -f "$checker" ]; then
  "$objdump" -p "$checker" | grep -qE '^Subsystem[[:space:]]+00000003' ||
    fail "$checker is not a console program"
fi

for module in "${modules[@]}"; do
  [ -f "$module" ] || continue
  names=$(exports "$module" | sort | tr '\n' ' ')
  [ "$names" = "load request unload " ] ||
    fail "$module exports '$names' instead of exactly 'load request unload'"
done

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "Windows binaries: ok"

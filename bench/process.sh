#!/usr/bin/env bash
# Whole runs of the programs, side by side with C references built with them
# (bench/empty.c, bench/durable_write.c): the start-up (`--version`) beside an empty C
# program, and each target made from the largest inputs beside the least durable
# replace of a file of the target's size (write a temporary, flush it, rename it, flush
# the folder); the assembler listing beside xxd -i of the same source. The commands
# compared run in turn, with hyperfine where it is installed, else in a loop; the
# figures are their medians, and the fastest runs of the start-up. RUNS runs of each
# (default 40; ten times as many for the start-up).
# The files are written in TMPDIR (default /tmp), which should be on a disk: on a
# file system in memory a flush costs nothing.
# Usage: bench/process.sh [BIN_DIR]   (default: build-bench/bin)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build-bench/bin}" && pwd)"
runs="${RUNS:-40}"
for program in codefit datafit picfit fitinfo empty durable_write; do
    [ -x "$bin/$program" ] || { echo "$bin/$program is missing: cmake --workflow --preset bench" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Seconds each command's run takes, side by side: a line "median fastest" for each.
# The commands run in rounds of five runs each (hyperfine where it is installed, else a
# loop), the order turned every round, so that a load that changes over the runs weighs
# on all of them alike.
measure() {  # runs "command"...
    local n=$1 round c i t0 t1 order
    shift
    : > samples
    for ((round = 0; round * 5 < n; round++)); do
        order=()
        for ((c = 1; c <= $#; c++)); do
            if ((round % 2)); then order=("$c" "${order[@]}"); else order+=("$c"); fi
        done
        if command -v hyperfine >/dev/null; then
            local commands=()
            for c in "${order[@]}"; do commands+=("${!c}"); done
            hyperfine -N --warmup 1 --runs 5 --export-json round.json "${commands[@]}" >/dev/null 2>&1
            # Each command's times, told by its place in the round.
            awk -v order="${order[*]}" 'BEGIN { split(order, index_of, " ") }
                /"command":/ { k++ } /"times":/ { on = 1; next } on && /\]/ { on = 0 }
                on { gsub(/[ ,]/, ""); print index_of[k], $0 }' round.json >> samples
        else
            for ((i = 0; i < 5; i++)); do
                for c in "${order[@]}"; do
                    t0=$(date +%s%N); ${!c} >/dev/null 2>&1 || true
                    t1=$(date +%s%N)
                    echo "$c $(((t1 - t0)))e-9" >> samples
                done
            done
        fi
    done
    for ((c = 1; c <= $#; c++)); do
        awk -v c="$c" '$1 == c { print $2 + 0 }' samples | sort -g |
            awk '{ t[NR] = $1 } END { print (t[int((NR + 1) / 2)] + t[int(NR / 2) + 1]) / 2, t[1] }'
    done
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

startup_runs=$((runs * 10))
printf '| start-up | median | fastest | median / C | fastest / C |\n'
printf '|---|---:|---:|---:|---:|\n'
{
    read -r c_median c_fastest
    median=$c_median fastest=$c_fastest
    for name in "empty C program" "codefit --version" "datafit --version" "picfit --version" "fitinfo --version"; do
        awk -v n="$name" -v m="$median" -v f="$fastest" -v cm="$c_median" -v cf="$c_fastest" \
            'BEGIN { printf "| %s | %.2f ms | %.2f ms | %.2f | %.2f |\n", n, m * 1e3, f * 1e3, m / cm, f / cf }'
        read -r median fastest || true
    done
} < <(measure "$startup_runs" "$bin/empty" "$bin/codefit --version" "$bin/datafit --version" \
                "$bin/picfit --version" "$bin/fitinfo --version")

printf '\n| target | input | output | program | C durable write | program / C | fastest / C |\n'
printf '|---|---:|---:|---:|---:|---:|---:|\n'
row() {  # name input output command...
    local name=$1 input=$2 output=$3 size program reference fastest c_fastest
    shift 3
    "$@" >/dev/null 2>&1
    size=$(stat -c %s "$output")
    "$bin/durable_write" "$size" reference.out
    { read -r program fastest; read -r reference c_fastest; } < <(measure "$runs" "$*" "$bin/durable_write $size reference.out")
    awk -v n="$name" -v i="$(stat -c %s "$input")" -v o="$size" -v p="$program" -v r="$reference" \
        -v f="$fastest" -v cf="$c_fastest" \
        'BEGIN { printf "| %s | %d | %d | %.2f ms | %.2f ms | %.2f | %.2f |\n", n, i, o, p * 1e3, r * 1e3, p / r, f / cf }'
}
row "codefit EXE" exe.bin exe.out "$bin/codefit" exe.bin exe.out -r:200
row "codefit DOS" dos.bin dos.out "$bin/codefit" dos.bin dos.out -t:DOS
row "codefit ROM" rom.bin rom.out "$bin/codefit" rom.bin rom.out -t:ROM -r:200
row "codefit K7 -l:2" k7.bin k7.out "$bin/codefit" k7.bin k7.out -t:K7 -r:8000 -l:2
row "codefit BAS" bas.bin bas.out "$bin/codefit" bas.bin bas.out -t:BAS
row "datafit DOS -r:FFFF" records.dat records.out "$bin/datafit" records.dat records.out -r:FFFF
row "datafit K7 -r:10000" tape.dat tape.out "$bin/datafit" tape.dat tape.out -t:K7 -r:10000
row "datafit TASM" list.dat list.out "$bin/datafit" list.dat list.out -t:TASM
# picfit writes its dump truc.raw (the picture's pixels) besides the TAV by default.
row "picfit 320x250 noisy" colour-noisy.pcx cn.out "$bin/picfit" colour-noisy.pcx cn.out
row "picfit 320x250 flat" colour-flat.pcx cf.out "$bin/picfit" colour-flat.pcx cf.out
row "picfit -b 640x250 noisy" two-noisy.pcx tn.out "$bin/picfit" two-noisy.pcx tn.out -b
row "picfit -b 640x250 flat" two-flat.pcx tf.out "$bin/picfit" two-flat.pcx tf.out -b
row "picfit 320x250 noisy --no-dump" colour-noisy.pcx cn.out "$bin/picfit" colour-noisy.pcx cn.out --no-dump

if command -v xxd >/dev/null; then
    { read -r tasm _; read -r xxd _; } < <(measure "$runs" "$bin/datafit list.dat list.out -t:TASM" "xxd -i list.dat xxd.out")
    awk -v t="$tasm" -v x="$xxd" 'BEGIN {
        printf "\nTASM listing of 640000 bytes: %.2f ms; xxd -i of the same file: %.2f ms (%.1f x faster)\n",
               t * 1e3, x * 1e3, x / t }'
fi

#!/usr/bin/env bash
# Times vantrel-cli against other command-line image tools (libvips' `vips`, GraphicsMagick's
# `gm`, ImageMagick) on the same generated files, on this machine, in one run, and prints per
# pipeline a table of medians with the ratio Vantrel ÷ fastest peer and the memory target.
#
#   bench/compare-peers.sh [--cli PATH] [--size N] [--runs R] [--ops "invert greyscale ..."]
#
# Exit status: 0 when the comparison ran (a missed target is reported, not a failure),
# 1 when vantrel-cli is missing, 2 on a usage error.
#
# Every command is a whole process: decode, one operation, encode, exit. That is what a user
# of each tool's batch front end waits for, so it is what we compare. Peers that are not
# installed are skipped with a note. Run it on a quiet machine if the numbers matter; under
# load they are noisy, though still comparable within one run because the tools take turns.
set -euo pipefail

script_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo_root="$(dirname "$script_dir")"

cli="$repo_root/build/bin/vantrel-cli"
size=4096
runs=5
ops="invert greyscale blur=3 blur=9 sharpen emboss rotate-right flip-vertical rotate=10 resize-half"

usage() {
    cat <<EOF
Usage: ${0##*/} [--cli PATH] [--size N] [--runs R] [--ops "OP ..."]
  --cli PATH   vantrel-cli to time (default: build/bin/vantrel-cli under the repository root)
  --size N     side of the square test image in pixels (default: 4096)
  --runs R     timed runs per tool, pipeline and operation; the median is shown (default: 5)
  --ops LIST   space-separated operations (default: "$ops");
               known: invert greyscale blur=3|5|7|9 sharpen emboss rotate-left rotate-right
               flip-vertical flip-horizontal rotate=10 (by 10 degrees) resize-half (to half
               the side, high quality)
EOF
}

usage_error() {
    echo "${0##*/}: $*" >&2
    usage >&2
    exit 2
}

while (($# > 0)); do
    case "$1" in
    --cli) (($# >= 2)) || usage_error "--cli needs a value"; cli=$2; shift 2 ;;
    --cli=*) cli=${1#*=}; shift ;;
    --size) (($# >= 2)) || usage_error "--size needs a value"; size=$2; shift 2 ;;
    --size=*) size=${1#*=}; shift ;;
    --runs) (($# >= 2)) || usage_error "--runs needs a value"; runs=$2; shift 2 ;;
    --runs=*) runs=${1#*=}; shift ;;
    --ops) (($# >= 2)) || usage_error "--ops needs a value"; ops=$2; shift 2 ;;
    --ops=*) ops=${1#*=}; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage_error "unknown argument: $1" ;;
    esac
done

if ! [[ $size =~ ^[0-9]+$ ]] || ((size < 8 || size > 32768)); then
    usage_error "--size must be an integer from 8 to 32768"
fi
if ! [[ $runs =~ ^[0-9]+$ ]] || ((runs < 1 || runs > 100)); then
    usage_error "--runs must be an integer from 1 to 100"
fi
read -r -a op_list <<<"$ops"
((${#op_list[@]} > 0)) || usage_error "--ops is empty"
for op in "${op_list[@]}"; do
    case "$op" in
    invert | greyscale | sharpen | emboss | rotate-left | rotate-right | flip-vertical | flip-horizontal) ;;
    blur=3 | blur=5 | blur=7 | blur=9 | rotate=10 | resize-half) ;;
    *) usage_error "unknown operation: $op" ;;
    esac
done

if [[ ! -x $cli ]]; then
    echo "${0##*/}: vantrel-cli not found or not executable: $cli" >&2
    exit 1
fi

# ---------------------------------------------------------------------------------------------
# Peers. Each is optional.

have() { command -v "$1" >/dev/null 2>&1; }

notes=()
peers=()
if have vips; then peers+=(vips); else notes+=("vips (libvips-tools) not installed: skipped"); fi
if have gm; then peers+=(gm); else notes+=("gm (graphicsmagick) not installed: skipped"); fi
# ImageMagick: 7 names itself `magick`; Debian's 6 installs convert-im6.q16 behind `convert`,
# which on some systems is GraphicsMagick's instead, hence the version check.
im=""
if have magick; then
    im=magick
elif have convert-im6.q16; then
    im=convert-im6.q16
elif have convert && convert -version 2>/dev/null | grep -q ImageMagick; then
    im=convert
fi
if [[ -n $im ]]; then peers+=(im); else notes+=("ImageMagick not installed: skipped"); fi

tool_label() {
    case "$1" in
    vantrel) echo "Vantrel" ;;
    vips) echo "vips" ;;
    gm) echo "gm" ;;
    im) echo "ImageMagick" ;;
    esac
}

# ---------------------------------------------------------------------------------------------
# Working folder and test images.

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-peers.XXXXXX")
# shellcheck disable=SC2317  # called by the EXIT trap
cleanup() { rm -rf -- "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM

# A photo-like test picture: smooth colour gradients and a slow wave with Gaussian noise on top,
# so that neither the codecs nor the filters see flat areas they could take shortcuts on.
make_image_vips() {
    local n=$1 k
    k=$(awk -v n="$n" 'BEGIN { printf "%.6f", 255 / n }')
    vips xyz "$work/xy.v" "$n" "$n"
    vips linear "$work/xy.v" "$work/rg.v" "$k $k" "0 0" --uchar
    vips sines "$work/s.v" "$n" "$n" --hfreq 3 --vfreq 2
    vips linear "$work/s.v" "$work/b.v" 100 128 --uchar
    vips bandjoin "$work/rg.v $work/b.v" "$work/rgb.v"
    vips gaussnoise "$work/n.v" "$n" "$n" --sigma 18 --mean 0
    vips add "$work/rgb.v" "$work/n.v" "$work/sum.v"
    vips cast "$work/sum.v" "$work/u8.v" uchar
    vips copy "$work/u8.v" "$work/src.v" --interpretation srgb
    vips copy "$work/src.v" "$work/in.png"
    vips copy "$work/src.v" "$work/in.jpg[Q=90,strip]"
    rm -f -- "$work"/{xy,rg,s,b,rgb,n,sum,u8,src}.v
}

# $1 is gm or the ImageMagick command; both understand this command line.
make_image_magick() {
    local n=$1 tool=$2
    local -a cmd
    if [[ $tool == gm ]]; then cmd=(gm convert); else cmd=("$im"); fi
    "${cmd[@]}" -size "${n}x${n}" "gradient:#183060-#f0c070" -swirl 90 \
        +noise Gaussian -depth 8 -type TrueColor "$work/in.png"
    "${cmd[@]}" "$work/in.png" -quality 90 "$work/in.jpg"
}

# Without any image tool: Python writes the PNG itself, vantrel-cli turns it into the JPEG.
make_image_python() {
    python3 - "$1" "$work/in.png" <<'PY'
import math, random, struct, sys, zlib
n, path = int(sys.argv[1]), sys.argv[2]
rnd = random.Random(4096)
noise = bytes(rnd.randrange(-18, 19) & 0xFF for _ in range(3 * n + 997))
raw = bytearray()
for y in range(n):
    row = bytearray(3 * n)
    gy = 255 * y // n
    for x in range(n):
        row[3 * x] = 255 * x // n
        row[3 * x + 1] = gy
        row[3 * x + 2] = int(128 + 100 * math.sin(6.2832 * (3 * x + 2 * y) / n))
    off = (y * 7919) % 997
    for i in range(3 * n):
        d = noise[off + i]
        row[i] = max(0, min(255, row[i] + (d - 256 if d > 127 else d)))
    raw += b"\0" + row
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
with open(path, "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + chunk(b"IEND", b""))
PY
    "$cli" "$work/in.png" -o "$work/in.jpg" >/dev/null
    notes+=("no image tool found: test image written by Python, JPEG input encoded by vantrel-cli")
}

echo "Generating a ${size}x${size} test image (JPEG quality 90 and PNG)..." >&2
if have vips; then
    make_image_vips "$size"
elif have gm; then
    make_image_magick "$size" gm
elif [[ -n $im ]]; then
    make_image_magick "$size" "$im"
else
    make_image_python "$size"
fi

# ---------------------------------------------------------------------------------------------
# Operation mappings: the nearest equivalent each peer offers, doing the same class of work.
#
#   invert          vips invert                  gm/IM -negate
#   greyscale       vips colourspace b-w         gm/IM -colorspace Gray
#                   (the peers write a one-channel image; Vantrel keeps 24-bit RGB)
#   blur=N          vips conv with an N×N box mask (the same window average Vantrel computes)
#                   gm/IM -blur RxS, R = (N-1)/2, S = N/2: a Gaussian over the same N×N window
#   sharpen         vips sharpen (defaults)      gm/IM -sharpen 0x1
#                   (Vantrel's is a 3×3 Laplacian-style kernel; the peers' are unsharp masks)
#   emboss          vips conv with a 3×3 emboss mask, offset 128
#                   gm/IM -emboss 1
#   rotate-right    vips rot d90                 gm/IM -rotate 90
#   rotate-left     vips rot d270                gm/IM -rotate -90
#   flip-vertical   vips flip vertical           gm/IM -flip
#   flip-horizontal vips flip horizontal         gm/IM -flop
#   rotate=10       vips rotate 10               gm/IM -rotate -10 (bilinear or better, the canvas
#                   grown to hold the turned picture; the peers count clockwise)
#   resize-half     vips resize 0.5              gm/IM -resize 50% (each tool's default filter;
#                   Vantrel's resize=N/2,N/2 averages areas)
#
# JPEG output is quality 90 for the peers (Q=90 / -quality 90); vantrel-cli has no quality
# option and uses its own encoder setting. vips has no BMP writer of its own: for .bmp it
# hands the image to its ImageMagick-based saver (magicksave), noted under the table.

write_masks() {
    local n r row
    for n in 3 5 7 9; do
        {
            echo "$n $n $((n * n)) 0"
            row=$(printf '1 %.0s' $(seq "$n"))
            for ((r = 0; r < n; ++r)); do echo "${row% }"; done
        } >"$work/box$n.mat"
    done
    printf '3 3 1 128\n-1 -1 0\n-1 0 1\n0 1 1\n' >"$work/emboss.mat"
}
write_masks

# Prints, one argument a line, the command for tool $1 doing operation $2 from $3 to $4.
command_for() {
    local tool=$1 op=$2 in=$3 out=$4 n
    local -a magick_opts=()
    if [[ $tool == vantrel ]]; then
        [[ $op == resize-half ]] && op="resize=$((size / 2)),$((size / 2))"
        printf '%s\n' "$cli" "$in" -o "$out" --op "$op"
        return
    fi
    if [[ $tool == vips ]]; then
        # The JPEG saver takes its options in the file name.
        [[ $out == *.jpg ]] && out="${out}[Q=90]"
        case "$op" in
        invert) printf '%s\n' vips invert "$in" "$out" ;;
        greyscale) printf '%s\n' vips colourspace "$in" "$out" b-w ;;
        blur=*) printf '%s\n' vips conv "$in" "$out" "$work/box${op#blur=}.mat" --precision integer ;;
        sharpen) printf '%s\n' vips sharpen "$in" "$out" ;;
        emboss) printf '%s\n' vips conv "$in" "$out" "$work/emboss.mat" --precision integer ;;
        rotate-right) printf '%s\n' vips rot "$in" "$out" d90 ;;
        rotate-left) printf '%s\n' vips rot "$in" "$out" d270 ;;
        flip-vertical) printf '%s\n' vips flip "$in" "$out" vertical ;;
        flip-horizontal) printf '%s\n' vips flip "$in" "$out" horizontal ;;
        rotate=10) printf '%s\n' vips rotate "$in" "$out" 10 ;;
        resize-half) printf '%s\n' vips resize "$in" "$out" 0.5 ;;
        esac
        return
    fi
    case "$op" in
    invert) magick_opts=(-negate) ;;
    greyscale) magick_opts=(-colorspace Gray) ;;
    blur=*)
        n=${op#blur=}
        magick_opts=(-blur "$(((n - 1) / 2))x$(awk -v n="$n" 'BEGIN { print n / 2 }')")
        ;;
    sharpen) magick_opts=(-sharpen 0x1) ;;
    emboss) magick_opts=(-emboss 1) ;;
    rotate-right) magick_opts=(-rotate 90) ;;
    rotate-left) magick_opts=(-rotate -90) ;;
    flip-vertical) magick_opts=(-flip) ;;
    flip-horizontal) magick_opts=(-flop) ;;
    rotate=10) magick_opts=(-rotate -10) ;;
    resize-half) magick_opts=(-resize 50%) ;;
    esac
    [[ $out == *.jpg ]] && magick_opts+=(-quality 90)
    if [[ $tool == gm ]]; then
        printf '%s\n' gm convert "$in" "${magick_opts[@]}" "$out"
    else
        printf '%s\n' "$im" "$in" "${magick_opts[@]}" "$out"
    fi
}

# ---------------------------------------------------------------------------------------------
# Measuring. /usr/bin/time gives elapsed seconds and peak resident set size; without it the
# clock is read around the command and the memory column stays empty.

if [[ -x /usr/bin/time ]]; then
    have_time=1
else
    have_time=0
    notes+=("/usr/bin/time not installed: elapsed time from the shell clock, no memory figures")
fi

# Runs the command given as arguments once; prints "SECONDS KIB" ("SECONDS -" without
# /usr/bin/time), or "fail" when the command failed.
measure() {
    local tf="$work/time.out" t0 t1
    if ((have_time)); then
        if /usr/bin/time -f "%e %M" -o "$tf" -- "$@" >/dev/null 2>"$work/stderr.out"; then
            tail -n 1 "$tf"
        else
            echo fail
        fi
    else
        t0=$(date +%s.%N)
        if "$@" >/dev/null 2>"$work/stderr.out"; then
            t1=$(date +%s.%N)
            awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f -\n", b - a }'
        else
            echo fail
        fi
    fi
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit; if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
maximum() { sort -g | tail -n 1; }

# results[tool|pipeline|op] = "SECONDS MIB" (medians of time, highest peak memory) or "fail".
declare -A results=()
tools=(vantrel "${peers[@]}")
pipelines=("jpg jpg" "png bmp")
pipeline_title() { [[ $1 == "jpg jpg" ]] && echo "JPEG in, JPEG out" || echo "PNG in, BMP out"; }

run_cell_set() {
    local pipe=$1 op=$2 src=$3 ext=$4 tool r t m key
    local -A times=() mems=() failed=()
    local -a cmd
    for ((r = 0; r < runs; ++r)); do
        # The tools take turns within each run, so a change in background load hits all alike.
        # Each run starts with the next tool: a process can slow the one after it (on some
        # virtual machines, memory it freed is slow to hand out again), so no tool always
        # follows the same one.
        for ((t = 0; t < ${#tools[@]}; ++t)); do
            tool=${tools[(r + t) % ${#tools[@]}]}
            [[ -n ${failed[$tool]:-} ]] && continue
            mapfile -t cmd < <(command_for "$tool" "$op" "$work/in.$src" "$work/out-$tool.$ext")
            m=$(measure "${cmd[@]}")
            if [[ $m == fail ]]; then
                failed[$tool]=1
                notes+=("$(tool_label "$tool") failed on $op ($(pipeline_title "$pipe")): $(head -c 200 "$work/stderr.out" | tr '\n' ' ')")
                continue
            fi
            times[$tool]+="${m% *}"$'\n'
            mems[$tool]+="${m#* }"$'\n'
        done
    done
    for tool in "${tools[@]}"; do
        key="$tool|$pipe|$op"
        if [[ -n ${failed[$tool]:-} ]]; then
            results[$key]=fail
            continue
        fi
        local t kib
        t=$(printf '%s' "${times[$tool]}" | median)
        if [[ ${mems[$tool]} == *-* ]]; then
            kib=-
        else
            kib=$(printf '%s' "${mems[$tool]}" | maximum)
        fi
        results[$key]="$t $kib"
    done
    rm -f -- "$work"/out-*
}

# One untimed pass so that every tool's libraries are in the page cache before timing starts.
for tool in "${tools[@]}"; do
    mapfile -t cmd < <(command_for "$tool" invert "$work/in.png" "$work/warm.bmp")
    "${cmd[@]}" >/dev/null 2>&1 || true
done
rm -f -- "$work/warm.bmp"

total=$((${#pipelines[@]} * ${#op_list[@]}))
done_count=0
for pipe in "${pipelines[@]}"; do
    read -r src ext <<<"$pipe"
    for op in "${op_list[@]}"; do
        done_count=$((done_count + 1))
        printf '[%d/%d] %s: %s\n' "$done_count" "$total" "$(pipeline_title "$pipe")" "$op" >&2
        run_cell_set "$pipe" "$op" "$src" "$ext"
    done
done

# ---------------------------------------------------------------------------------------------
# Report.

# Decoded size assumed as 24-bit RGB, N×N×3 bytes; the target is twice that plus 30 MiB.
decoded_mib=$(awk -v n="$size" 'BEGIN { printf "%.1f", n * n * 3 / 1048576 }')
limit_mib=$(awk -v d="$decoded_mib" 'BEGIN { printf "%.1f", 2 * d + 30 }')

mib() {
    if [[ $1 == - ]]; then echo "-"; else awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; fi
}
fmt_s() { awk -v s="$1" 'BEGIN { printf "%.2f", s }'; }

file_size() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }

echo
echo "Vantrel against peer tools: ${size}x${size} image, median of $runs run(s) per cell"
echo "Host: $(uname -srm), $(nproc) CPU(s); $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "Inputs: in.jpg $(file_size "$work/in.jpg"), in.png $(file_size "$work/in.png")"
printf 'Peers:'
if ((${#peers[@]} == 0)); then printf ' none'; fi
for tool in "${peers[@]}"; do
    case "$tool" in
    vips) printf ' vips %s;' "$(vips --version 2>/dev/null | head -n 1)" ;;
    gm) printf ' %s;' "$(gm version 2>/dev/null | head -n 1 | awk '{ print $1, $2 }')" ;;
    im) printf ' %s;' "$("$im" -version 2>/dev/null | head -n 1 | awk '{ print $2, $3 }')" ;;
    esac
done
echo
echo "Memory target: peak RSS <= 2 x decoded image + 30 MiB = 2 x $decoded_mib + 30 = $limit_mib MiB"
echo "  (decoded image taken as ${size}x${size}x3 bytes, 24-bit RGB)"

for pipe in "${pipelines[@]}"; do
    echo
    echo "## $(pipeline_title "$pipe")"
    echo
    printf '| %-15s | %9s | %11s | %-12s | %7s | %8s | %6s | %-7s | %-11s |\n' \
        Operation "Vantrel s" "Vantrel MiB" "Fastest peer" "Peer s" "Peer MiB" Ratio "Speed" "Memory"
    printf '|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n' \
        "-----------------" "----------:" "------------:" "--------------" "--------:" "---------:" "-------:" "---------" "-------------"
    for op in "${op_list[@]}"; do
        v=${results["vantrel|$pipe|$op"]}
        best="" best_t=""
        for tool in "${peers[@]}"; do
            p=${results["$tool|$pipe|$op"]}
            [[ $p == fail ]] && continue
            if [[ -z $best ]] || awk -v a="${p% *}" -v b="$best_t" 'BEGIN { exit !(a < b) }'; then
                best=$tool best_t=${p% *}
            fi
        done
        if [[ $v == fail ]]; then
            v_s=fail v_m=- mem_ok=-
        else
            v_s=$(fmt_s "${v% *}") v_m=$(mib "${v#* }")
            if [[ $v_m == - ]]; then
                mem_ok=-
            elif awk -v m="$v_m" -v l="$limit_mib" 'BEGIN { exit !(m <= l) }'; then
                mem_ok=met
            else
                mem_ok="not met"
            fi
        fi
        if [[ -z $best ]]; then
            p_name=- p_s=- p_m=- ratio=- speed=-
        else
            p=${results["$best|$pipe|$op"]}
            p_name=$(tool_label "$best") p_s=$(fmt_s "${p% *}") p_m=$(mib "${p#* }")
            if [[ $v == fail ]] || awk -v t="${p% *}" 'BEGIN { exit !(t <= 0) }'; then
                ratio=- speed=-
            else
                ratio=$(awk -v a="${v% *}" -v b="${p% *}" 'BEGIN { printf "%.2f", a / b }')
                if awk -v r="$ratio" 'BEGIN { exit !(r <= 1.00) }'; then speed=met; else speed="not met"; fi
            fi
        fi
        printf '| %-15s | %9s | %11s | %-12s | %7s | %8s | %6s | %-7s | %-11s |\n' \
            "$op" "$v_s" "$v_m" "$p_name" "$p_s" "$p_m" "$ratio" "$speed" "$mem_ok"
    done

    echo
    echo "All tools, seconds / peak MiB:"
    echo
    printf '| %-15s |' Operation
    for tool in "${tools[@]}"; do printf ' %-16s |' "$(tool_label "$tool")"; done
    echo
    printf '|-----------------|'
    for _ in "${tools[@]}"; do printf '%s|' "------------------"; done
    echo
    for op in "${op_list[@]}"; do
        printf '| %-15s |' "$op"
        for tool in "${tools[@]}"; do
            c=${results["$tool|$pipe|$op"]}
            if [[ $c == fail ]]; then
                printf ' %-16s |' fail
            else
                printf ' %-16s |' "$(fmt_s "${c% *}") / $(mib "${c#* }")"
            fi
        done
        echo
    done
done

echo
echo "Notes:"
echo "- Ratio = Vantrel seconds / fastest peer seconds; Speed is \"met\" when the ratio is <= 1.00."
echo "- Memory compares Vantrel's peak RSS (highest of the runs) with the target above."
if ((have_time)); then
    echo "- Times are whole-process wall clock (decode + operation + encode), to 0.01 s as /usr/bin/time reports them."
else
    echo "- Times are whole-process wall clock (decode + operation + encode)."
fi
echo "- Peers may use several threads; all tools ran on the same $(nproc) CPU(s), taking turns."
echo "- greyscale: the peers write a one-channel image; Vantrel writes 24-bit colour."
echo "- blur=N: vips convolves with an NxN box mask; gm/ImageMagick use -blur with an NxN Gaussian window."
echo "- sharpen: vips sharpen and -sharpen 0x1 are unsharp masks, heavier than Vantrel's 3x3 kernel."
if [[ " ${peers[*]} " == *" vips "* ]]; then
    echo "- vips has no BMP writer of its own; in \"PNG in, BMP out\" it writes BMP through its ImageMagick saver."
fi
echo "- JPEG output: quality 90 for the peers; vantrel-cli uses its built-in encoder setting."
for note in "${notes[@]+"${notes[@]}"}"; do
    echo "- $note"
done
exit 0

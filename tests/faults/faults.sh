#!/usr/bin/env bash
# The programs under real faults: full and tiny file systems, concurrent
# writers, signals, hostile inputs. Each case runs the programs as a person
# would and checks the exit status, the message, that an earlier file is whole
# or the new one complete, and that no temporary file stays behind.
#
#   faults.sh BIN_DIR CASE
#
# A case that needs what this machine does not allow (mounting a file system,
# an unprivileged user) is skipped with its reason (exit 77).
set -uo pipefail

bin=$1
case_name=$2
plot="$bin/vorna-plot"
config="$bin/vorna-config"
prn="$bin/vorna-prn"

work=$(mktemp -d /tmp/vorna-faults-XXXXXX)
mounts=()
cleanup() {
    for m in "${mounts[@]}"; do umount "$m" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIP: $*"
    exit 77
}
# A small file system of its own (tmpfs), mounted at $1 with size $2.
tiny_fs() {
    mkdir -p "$1"
    mount -t tmpfs -o "size=$2" tmpfs "$1" 2>/dev/null ||
        skip "cannot mount a tmpfs here (needs root and mount rights)"
    mounts+=("$1")
}
# Files other than the expected ones in a folder: left-over temporary files.
no_strays() {
    local folder=$1
    shift
    local extra
    extra=$(ls -A "$folder" | grep -vxF -f <(printf '%s\n' "$@") || true)
    [ -z "$extra" ] || fail "left behind in $folder: $extra"
}
# A PNG of random pixels, W x H, true colour.
noise_png() {
    /usr/bin/python3 - "$1" "$2" "$3" <<'EOF'
import os, struct, sys, zlib
w, h = int(sys.argv[2]), int(sys.argv[3])
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
raw = b''.join(b'\0' + os.urandom(w * 3) for _ in range(h))
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
                              chunk(b'IDAT', zlib.compress(raw, 1)) + chunk(b'IEND', b''))
EOF
}
# A 1-bit PNG of W x H pixels: a few KB on disk, 4 bytes a pixel decoded.
bitonal_png() {
    /usr/bin/python3 - "$1" "$2" <<'EOF'
import struct, sys, zlib
n = int(sys.argv[2])
def chunk(t, d):
    return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
row = b'\0' + b'\x55' * (n // 8)
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', n, n, 1, 0, 0, 0, 0)) +
                              chunk(b'IDAT', zlib.compress(row * n, 9)) + chunk(b'IEND', b''))
EOF
}
# A drawing in millimetres: a square and a picture over the page.
picture_drawing() {
    cat >"$1" <<EOF
{"format":"vorna-drawing","version":1,"units":"mm","pages":[{"primitives":[
 {"type":"polygon","points":[[2,2],[20,2],[20,20],[2,20]],"color":"#102030"},
 {"type":"image","file":"$2","corners":[[0,${3:-39}],[${4:-49},0]]}]}]}
EOF
}
square_drawing() {
    cat >"$1" <<'EOF'
{"format":"vorna-drawing","version":1,"units":"mm","pages":[{"primitives":[
 {"type":"polygon","points":[[2,2],[60,2],[60,60],[2,60]],"color":"#804020"}]}]}
EOF
}
# Index of the first resolution-colour-memory entry in true colour at DPI.
true_colour_entry() {
    "$config" info --json | /usr/bin/python3 -c '
import json, sys
d = json.load(sys.stdin)
for i, e in enumerate(d["res_color_mem"]):
    if e["color_system"] == 1 and e["resolution"][0] == int(sys.argv[1]):
        print(e["index"]); break' "$1"
}
user_page() { # FILE DPI X_MM Y_MM
    "$config" init -o "$1" >/dev/null || fail "init"
    "$config" set "$1" media-size=UserDefined "media-bounds=0,$3,0,$4" \
        "res-color-mem=$(true_colour_entry "$2")" >/dev/null || fail "set up $1"
}
old_output() {
    head -c 50000 /dev/urandom >"$1"
    sha256sum "$1" >"$1.sum"
}
old_intact() {
    sha256sum -c --quiet "$1.sum" 2>/dev/null || fail "$1 was changed"
}

case $case_name in

full_temp_folder)
    # The job's folder fills up while the printer data is gathered: exit 1
    # with the system's reason, the earlier output as it was, nothing left.
    tiny_fs tmp 1800k
    noise_png noise.png 400 300
    picture_drawing d.json noise.png
    user_page c.json 360 48 38
    old_output out.prn
    TMPDIR=$work/tmp "$plot" --quiet --config c.json -o out.prn d.json 2>err.txt
    status=$?
    [ $status -eq 1 ] || fail "exit $status, expected 1: $(cat err.txt)"
    grep -q "No space left on device" err.txt || fail "no reason given: $(cat err.txt)"
    old_intact out.prn
    no_strays tmp
    no_strays . c.json d.json noise.png out.prn out.prn.sum err.txt tmp
    # With room, the same job makes a whole file that decodes.
    TMPDIR=$work "$plot" --quiet --config c.json -o out.prn d.json || fail "plot with room"
    "$prn" info out.prn >/dev/null || fail "the output does not decode"
    ;;

full_output_disk)
    # The output's own file system is full: the old output stays whole and no
    # partial file or temporary file is left beside it.
    tiny_fs outdir 96k
    noise_png noise.png 400 300
    picture_drawing d.json noise.png
    user_page c.json 360 48 38
    old_output outdir/out.prn
    mv outdir/out.prn.sum .
    "$plot" --quiet --config c.json -o outdir/out.prn d.json 2>err.txt
    status=$?
    [ $status -eq 1 ] || fail "exit $status, expected 1: $(cat err.txt)"
    grep -q "outdir/out.prn: cannot write.*No space left on device" err.txt ||
        fail "message: $(cat err.txt)"
    sha256sum -c --quiet out.prn.sum || fail "the old output was changed"
    no_strays outdir out.prn
    ;;

unwritable_output)
    # Found before the render, not after it; /dev/null takes the data.
    square_drawing d.json
    mkdir ro && chmod 0555 ro
    if [ "$(id -u)" = 0 ]; then
        command -v setpriv >/dev/null || skip "no setpriv to drop privileges"
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
        chmod 0777 "$work"
    else
        as_user=()
    fi
    start=$(date +%s%N)
    "${as_user[@]}" "$plot" --quiet -o ro/out.prn d.json 2>err.txt
    status=$?
    [ $status -eq 1 ] || fail "exit $status, expected 1: $(cat err.txt)"
    grep -q "ro/out.prn: cannot create in .*ro: Permission denied" err.txt || fail "message: $(cat err.txt)"
    "$plot" --quiet -o /dev/null d.json 2>err.txt || fail "-o /dev/null: $(cat err.txt)"
    [ -c /dev/null ] || fail "/dev/null was replaced"
    ;;

concurrent_set)
    # Two set commands at once on one file: both changes land, the file is
    # always whole.
    rounds=${VORNA_FAULT_ROUNDS:-40}
    for ((i = 0; i < rounds; i++)); do
        "$config" init -o c.json >/dev/null || fail "init"
        "$config" set c.json copies=7 &
        a=$!
        "$config" set c.json plot-to-file=x$i.prn &
        b=$!
        wait $a || fail "round $i: the first set failed"
        wait $b || fail "round $i: the second set failed"
        got=$("$config" get c.json copies plot-to-file) || fail "round $i: unreadable file"
        [ "$got" = "$(printf 'copies=7\nplot-to-file=x%d.prn' $i)" ] ||
            fail "round $i: a change was lost: $got"
    done
    no_strays . c.json
    ;;

config_link_and_mode)
    # set through a symbolic link writes its target and keeps the mode.
    mkdir real
    "$config" init -o real/c.json >/dev/null || fail "init"
    chmod 0600 real/c.json
    ln -s real/c.json link.json
    "$config" set link.json copies=4 || fail "set"
    [ -L link.json ] || fail "the link was replaced by a file"
    [ "$("$config" get real/c.json copies)" = "copies=4" ] || fail "the target is stale"
    [ "$(stat -c %a real/c.json)" = 600 ] || fail "mode is now $(stat -c %a real/c.json)"
    no_strays . real link.json
    no_strays real c.json
    ;;

page_end_memory)
    # A page whose image fits once in the job's folder plots; the check
    # before reading it back must not count it twice.
    user_page c.json 720 139 139 # about 3970 x 3970 dots, 60 MiB true colour
    tiny_fs tmp 100m
    square_drawing d.json
    TMPDIR=$work/tmp "$plot" --quiet --config c.json -o out.prn d.json 2>err.txt ||
        fail "exit $?: $(cat err.txt)"
    no_strays tmp
    ;;

page_too_large)
    # A page that cannot be held is refused at once, with the sizes.
    user_page c.json 720 139 139
    tiny_fs tmp 40m
    square_drawing d.json
    old_output out.prn
    start=$(date +%s)
    TMPDIR=$work/tmp "$plot" --quiet --config c.json -o out.prn d.json 2>err.txt
    status=$?
    [ $status -eq 1 ] || fail "exit $status, expected 1: $(cat err.txt)"
    grep -q "needs .* MiB .* which has .* MiB free" err.txt || fail "message: $(cat err.txt)"
    old_intact out.prn
    no_strays tmp
    ;;

signals)
    # SIGTERM and SIGHUP cancel like Ctrl-C; a second signal stops at once.
    # Either way the job's folder goes, and the earlier output stays whole.
    # Large enough that the render outlasts the signal's delay on a fast machine.
    user_page c.json 720 450 450
    square_drawing d.json
    mkdir tmp
    for sig in TERM HUP INT; do
        old_output out.prn
        TMPDIR=$work/tmp "$plot" --quiet --config c.json -o out.prn d.json 2>err.txt &
        pid=$!
        sleep 0.$((RANDOM % 5 + 3))
        kill -$sig $pid
        wait $pid
        status=$?
        [ $status -eq 130 ] || [ $status -eq 0 ] || fail "SIG$sig: exit $status: $(cat err.txt)"
        # A plot that finished before the signal put its whole output in place.
        [ $status -eq 0 ] || old_intact out.prn
        no_strays tmp
    done
    old_output out.prn
    TMPDIR=$work/tmp "$plot" --quiet --config c.json -o out.prn d.json 2>err.txt &
    pid=$!
    sleep 0.5
    # A plot that finished before the first signal is checked like one above.
    if kill -TERM $pid 2>/dev/null; then
        sleep 0.05
        kill -TERM $pid 2>/dev/null
        wait $pid
        old_intact out.prn
    else
        wait $pid || fail "a plot that was not signalled failed: $(cat err.txt)"
    fi
    no_strays tmp
    # A killed plot cannot clean up; the next plot of its user does.
    old_output out.prn
    TMPDIR=$work/tmp "$plot" --quiet --config c.json -o out.prn d.json 2>err.txt &
    pid=$!
    sleep 0.5
    if kill -KILL $pid 2>/dev/null; then
        wait $pid
        old_intact out.prn
        [ -n "$(ls -A tmp)" ] || fail "nothing to clean up after SIGKILL"
    else
        wait $pid || fail "a plot that was not killed failed: $(cat err.txt)"
    fi
    square_drawing small.json
    TMPDIR=$work/tmp "$plot" --quiet -o small.prn small.json || fail "the next plot failed"
    no_strays tmp
    ;;

cancel_fill)
    # Ctrl-C in the middle of a large fill (A2 at 720 dpi, page-sized
    # polygons): the plot stops soon, whatever is left to fill, and takes no
    # more memory than it had when asked; the earlier output stays whole.
    [ -x /usr/bin/time ] || skip "no /usr/bin/time to read the peak memory"
    "$config" init -o c.json >/dev/null || fail "init"
    "$config" set c.json media-size=A2_Roll_Paper_Portrait res-color-mem=4 >/dev/null || fail "set"
    {
        echo '{"format":"vorna-drawing","version":1,"units":"mm","pages":[{"primitives":['
        for i in $(seq 0 11); do
            echo "{\"type\":\"polygon\",\"points\":[[$i,0],[420,$i],[420,594],[0,594]],\"color\":\"#$((i * 2 + 10))4080\"},"
        done
        echo '{"type":"dot","points":[[1,1]]}]}]}'
    } >fill.json
    old_output out.prn
    mkdir tmp
    for delay in 0.5 2; do
        TMPDIR=$work/tmp /usr/bin/time -f %M -o peak.txt "$plot" --quiet --config c.json \
            -o out.prn fill.json 2>err.txt &
        timer=$!
        pid=""
        for ((t = 0; t < 50; t++)); do
            sleep 0.1
            pid=$(pgrep -P $timer) && break
        done
        [ -n "$pid" ] || fail "the plot did not start: $(cat err.txt)"
        # Into the fill: the page image (about 190 MiB) is in place.
        for ((t = 0; t < 600; t++)); do
            rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
            [ -n "$rss" ] || fail "the plot ended before the signal: $(cat err.txt)"
            ((rss > 180000)) && break
            sleep 0.1
        done
        sleep "$delay"
        held=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status")
        kill -INT "$pid"
        # Generous for a loaded machine: it stops within a second when idle.
        for ((t = 0; t < 50; t++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then
            kill -KILL "$pid"
            fail "still running 5 s after Ctrl-C (at ${delay}s)"
        fi
        wait $timer
        status=$?
        [ $status -eq 130 ] || fail "exit $status after Ctrl-C at ${delay}s: $(cat err.txt)"
        grep -q "plot cancelled; out.prn was left as it was" err.txt || fail "message: $(cat err.txt)"
        peak=$(tail -n 1 peak.txt)
        ((peak <= held + 32768)) ||
            fail "memory grew after Ctrl-C at ${delay}s: ${held} KiB when asked, ${peak} KiB at the end"
        old_intact out.prn
        no_strays tmp
    done
    ;;

hostile_pictures)
    # A FIFO as picture or drawing is refused, not read forever.
    mkfifo pipe.png pipe.json
    picture_drawing d.json pipe.png
    timeout 20 "$plot" --quiet -o out.prn d.json 2>err.txt
    status=$?
    [ $status -eq 2 ] || fail "FIFO picture: exit $status: $(cat err.txt)"
    grep -q "pipe.png: not a regular file" err.txt || fail "message: $(cat err.txt)"
    timeout 20 "$plot" --quiet -o out.prn pipe.json 2>err.txt
    status=$?
    [ $status -eq 2 ] || fail "FIFO drawing: exit $status: $(cat err.txt)"
    # Pictures that decode beyond the allowed memory are refused up front.
    for n in 1 2 3; do bitonal_png big$n.png 8192; done
    cat >many.json <<'EOF'
{"format":"vorna-drawing","version":1,"units":"mm","pages":[{"primitives":[
 {"type":"image","file":"big1.png","corners":[[0,10],[10,0]]},
 {"type":"image","file":"big2.png","corners":[[0,10],[10,0]]},
 {"type":"image","file":"big3.png","corners":[[0,10],[10,0]]}]}]}
EOF
    "$plot" --quiet -o out.prn many.json 2>err.txt
    status=$?
    [ $status -eq 2 ] || fail "three large pictures: exit $status: $(cat err.txt)"
    grep -q "big3.png: the drawing's pictures take 768.0 MiB decoded, more than the 512.0 MiB allowed" err.txt ||
        fail "message: $(cat err.txt)"
    # One file under several names is one picture.
    ln -s big1.png alias.png
    cat >same.json <<'EOF'
{"format":"vorna-drawing","version":1,"units":"mm","pages":[{"primitives":[
 {"type":"image","file":"big1.png","corners":[[0,10],[10,0]]},
 {"type":"image","file":"./big1.png","corners":[[0,10],[10,0]]},
 {"type":"image","file":"alias.png","corners":[[0,10],[10,0]]}]}]}
EOF
    "$plot" --quiet -o out.prn same.json 2>err.txt || fail "one picture, three names: $(cat err.txt)"
    ;;

bad_numbers)
    # A number too large for the reader is a bad drawing (exit 2), named.
    echo '{"format":"vorna-drawing","version":1,"pages":[{"primitives":[{"type":"dot","points":[[1e400,0]]}]}]}' >big.json
    "$plot" --quiet -o out.prn big.json 2>err.txt
    status=$?
    [ $status -eq 2 ] || fail "exit $status: $(cat err.txt)"
    grep -q "^vorna-plot: big.json: not valid JSON" err.txt || fail "message: $(cat err.txt)"
    grep -q "json.exception" err.txt && fail "library prefix: $(cat err.txt)"
    echo '{"format":' >cut.json
    "$plot" --quiet -o out.prn cut.json 2>err.txt
    grep -q "json.exception" err.txt && fail "library prefix: $(cat err.txt)"
    true
    ;;

*)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
echo "ok: $case_name"

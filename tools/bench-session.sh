#!/bin/sh
# The inside of a benchmark run: boot the prefix, run each benchmark in a
# process of its own, measure the idle window from outside, stop Wine.
. "$(dirname "$0")/wine-env.sh"
# The programs run as they are installed, stripped of their debugging
# information: Wine reads an executable's whole image, debugging sections
# too, so unstripped the working sets would move by megabytes with the size
# of the debugging information alone.
bench="$1/bench-stripped"
rm -rf "$bench"
cp -r "$1/bench" "$bench"
for program in "$bench"/*.exe; do
    x86_64-w64-mingw32-strip "$program"
done
# A skin image from a stranger: 389 KB of PNG that declares 20000 x 20000
# grey pixels (400 MB once decoded).
python3 - "$bench/huge-skin.png" <<'EOF'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
packer = zlib.compressobj(9)
rows = b''.join(packer.compress(bytes(20001)) for _ in range(20000)) + packer.flush()
with open(sys.argv[1], 'wb') as png:
    png.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 20000, 20000, 8, 0, 0, 0, 0)) +
              chunk(b'IDAT', rows) + chunk(b'IEND', b''))
EOF
runs=${BENCH_RUNS:-20}
idle=${BENCH_IDLE_SECONDS:-60}
boot_wine_prefix
wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "Machine: $(nproc) cores, $cpu, $(wine --version 2>/dev/null), Xvfb 240x320"
echo "Figures: median (first-third quartile) of the runs; ratio = program / reference."
echo
echo "| Measure | Zembrik | Reference | Ratio | Runs |"
echo "|---|---|---|---|---|"
modes=${BENCH_MODES:-startup exit paint keys dials tones first-tone memory idle}
for mode in $modes; do
    [ $mode = idle ] || [ $mode = memory ] && continue
    if [ $mode = tones ] || [ $mode = first-tone ]; then
        # Through a private sound server, when the machine has PulseAudio.
        # A first tone takes two fresh processes a run: half as many runs.
        command -v pulseaudio >/dev/null 2>&1 || continue
        count=$runs
        [ $mode = first-tone ] && count=$(((runs + 1) / 2))
        (
            folder=$(mktemp -d)
            . "$(dirname "$0")/private-pulse.sh"
            if start_private_pulse "$folder"; then
                wine "$bench/zembrik_bench.exe" $mode "$count" </dev/null 2>/dev/null
            fi
            kill "$pulse_pid" 2>/dev/null
            wait 2>/dev/null
            rm -rf "$folder"
        )
        continue
    fi
    count=$runs
    [ $mode = paint ] && count=$((runs * 5))
    wine "$bench/zembrik_bench.exe" $mode $count </dev/null 2>/dev/null
done

# Resident memory of a process by what is mapped there, in KB, from the
# kernel's own account: fonts, image codec, the program's executable,
# Wine's DLLs and libraries, other libraries, anonymous (heaps, stacks).
resident_by_kind() {
    awk '
        /^[0-9a-f]+-[0-9a-f]+ / {
            path = $6
            if (path == "" || path ~ /^\[/) kind = 6
            else if (path ~ /\.(ttf|ttc|otf|fon)$/ || path ~ /fontconfig/) kind = 1
            else if (path ~ /windowscodecs|libpng|libjpeg|libtiff|libgif/) kind = 2
            else if (path ~ /\.exe$/) kind = 3
            else if (path ~ /\/wine\// || path ~ /wine64/) kind = 4
            else kind = 5
            next
        }
        /^Rss:/ { kb[kind] += $2; total += $2 }
        END { printf "%d %d %d %d %d %d %d\n", kb[1], kb[2], kb[3], kb[4], kb[5], kb[6], total }' "/proc/$1/smaps"
}

# The dialer and the window that shows the skin, side by side,
# three seconds after their start: the dialer has shown its first frame
# and done the work that waits for it, readying the key tones' output
# among it. Then the dialer once more with that output silent, so that the
# sound libraries' share shows.
resident_after_start() {
    wine "$bench/$1" $2 </dev/null >/dev/null 2>&1 &
    started=$!
    sleep 3
    resident_by_kind $started
    kill $started 2>/dev/null
    wait $started 2>/dev/null
}
case " $modes " in *" memory "*)
    d=$(resident_after_start zembrik.exe)
    s=$(resident_after_start bare_window_skin.exe idle)
    wine reg add 'HKLM\Software\DeviceEmulation' /v SilentWaveOut /t REG_DWORD /d 1 /f >/dev/null 2>&1
    q=$(resident_after_start zembrik.exe)
    wine reg delete 'HKLM\Software\DeviceEmulation' /v SilentWaveOut /f >/dev/null 2>&1
    i=1
    for kind in "fonts" "image codec" "the program's executable" "Wine's DLLs and libraries" \
        "other libraries" "heaps, stacks, anonymous" "all"; do
        echo "$d" "$s" | awk -v i=$i -v k="$kind" '{
            z = $i; r = $(i + 7); ratio = r > 0 ? sprintf("%.2f", z / r) : "-";
            printf "| resident 3 s after start: %s | %d KB | bare window with skin: %d KB | %s | 1 |\n", k, z, r, ratio }'
        i=$((i + 1))
    done
    for kind in "other libraries" "heaps, stacks, anonymous" "all"; do
        case $kind in "other libraries") i=5 ;; "heaps, stacks, anonymous") i=6 ;; *) i=7 ;; esac
        echo "$q" "$s" | awk -v i=$i -v k="$kind" '{
            z = $i; r = $(i + 7); ratio = r > 0 ? sprintf("%.2f", z / r) : "-";
            printf "|   the same, key tones silent: %s | %d KB | bare window with skin: %d KB | %s | 1 |\n", k, z, r, ratio }'
    done
    ;;
esac

# Wake-ups (voluntary context switches of all the process's threads) and CPU
# time of a process, as the kernel counts them.
switches() {
    cat /proc/$1/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches:/ { n += $2 } END { print n + 0 }'
}
cpu_ticks() {
    # Fields 14 and 15 of stat, after the name in parentheses.
    sed 's/^.*) //' /proc/$1/stat 2>/dev/null | awk '{ print $12 + $13 }'
}

# The dialer and the bare window idle side by side, both shown, for the
# same minute.
case " $modes " in *" idle "*) ;; *) wineserver -k >/dev/null 2>&1; exit 0 ;; esac
wine "$bench/zembrik.exe" </dev/null >/dev/null 2>&1 &
dialer=$!
wine "$bench/bare_window.exe" idle </dev/null >/dev/null 2>&1 &
bare=$!
sleep 5
d0=$(switches $dialer); b0=$(switches $bare); dc0=$(cpu_ticks $dialer); bc0=$(cpu_ticks $bare)
# Under Wine every call that waits for the server is a switch of its own, so
# one wake-up of a thread makes many. The switches are also sampled every
# 200 ms: the samples in which they rose count the separate wake-ups.
dw=0; bw=0; dl=$d0; bl=$b0
end=$(($(date +%s) + idle))
while [ "$(date +%s)" -lt $end ]; do
    sleep 0.2
    dn=$(switches $dialer); bn=$(switches $bare)
    [ "$dn" -gt "$dl" ] && dw=$((dw + 1))
    [ "$bn" -gt "$bl" ] && bw=$((bw + 1))
    dl=$dn; bl=$bn
done
d1=$(switches $dialer); b1=$(switches $bare); dc1=$(cpu_ticks $dialer); bc1=$(cpu_ticks $bare)
# A process that ended meanwhile (another run's wineserver -k, a crash)
# has no counts left to read: say so rather than print a difference.
if ! kill -0 $dialer 2>/dev/null || ! kill -0 $bare 2>/dev/null; then
    echo "| idle, window shown | not measured: a process ended during the $idle s | | | |"
    wineserver -k >/dev/null 2>&1
    exit 0
fi
hz=$(getconf CLK_TCK)
awk -v d=$((d1 - d0)) -v b=$((b1 - b0)) -v s="$idle" 'BEGIN {
    r = b > 0 ? sprintf("%.2f", d / b) : "-";
    printf "| idle, window shown, switches in %d s | %d | bare window: %d | %s | 1 |\n", s, d, b, r }'
awk -v d=$dw -v b=$bw -v s="$idle" 'BEGIN {
    r = b > 0 ? sprintf("%.2f", d / b) : "-";
    printf "| idle, window shown, 200 ms spans with a wake-up in %d s | %d | bare window: %d | %s | 1 |\n", s, d, b, r }'
awk -v d=$((dc1 - dc0)) -v b=$((bc1 - bc0)) -v hz="$hz" -v s="$idle" 'BEGIN {
    r = b > 0 ? sprintf("%.2f", d / b) : "-";
    printf "| idle, window shown, CPU time in %d s | %.3f s | bare window: %.3f s | %s | 1 |\n", s, d / hz, b / hz, r }'
kill $dialer $bare 2>/dev/null || true
wineserver -k >/dev/null 2>&1
exit 0

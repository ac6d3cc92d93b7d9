#!/bin/sh
# Builds the fuzz targets natively with clang, libFuzzer and the address and
# undefined-behaviour sanitizers, from the same sources as the Windows build,
# and runs each one: for FUZZ_SECONDS (default 60), or for FUZZ_RUNS runs
# (0: each seed once). Prints a line per target: runs, seconds, coverage.
# FUZZ_CHAR=unsigned builds them in BUILD_DIR/fuzz-unsigned-char with plain
# char unsigned and warnings as errors; FUZZ_BUILD_ONLY=1 only builds.
# Usage: run-fuzz.sh BUILD_DIR
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)/fuzz
seconds="${FUZZ_SECONDS:-60}"
runs="${FUZZ_RUNS:-}"
options=""
case "${FUZZ_CHAR:-}" in
    "") ;;
    unsigned) build="$build-unsigned-char" options="-DZEMBRIK_FUZZ_UNSIGNED_CHAR=ON" ;;
    *) echo "FUZZ_CHAR is unsigned or unset" >&2; exit 2 ;;
esac

missing=""
for package in clang libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q " installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing:$missing"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# The fuzz targets come from the same CMake description as the program: a
# native configuration of it, with clang and the sanitizers.
CXX=clang++ CC=clang cmake -S "$root" -B "$build" -DZEMBRIK_FUZZ=ON $options >/dev/null
cmake --build "$build" -j2 --target fuzz_targets >/dev/null
[ -n "${FUZZ_BUILD_ONLY:-}" ] && exit 0
targets=$(cd "$build" && ls fuzz/fuzz_* | sed 's#.*/fuzz_##')
printf '%-18s %12s %8s %8s\n' target runs seconds coverage
for name in $targets; do
    exe="$build/fuzz/fuzz_$name"
    corpus="$build/corpus_$name"
    mkdir -p "$corpus"
    seeds="$root/fuzz/corpus/$name"
    # The tests' address books are the vCard reader's seeds too.
    [ "$name" = vcard ] && seeds="$seeds $root/tests/vcards"
    limit="-max_total_time=$seconds"
    [ -n "$runs" ] && limit="-runs=$runs"
    start=$(date +%s%N)
    if ! "$exe" $limit -print_final_stats=1 -artifact_prefix="$build/" "$corpus" $(for d in $seeds; do [ -d "$d" ] && echo "$d"; done) >"$build/$name.log" 2>&1; then
        echo "fuzz_$name found a failing input:"
        tail -n 40 "$build/$name.log"
        exit 1
    fi
    end=$(date +%s%N)
    done_runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$name.log" | grep -o '[0-9]*$')
    coverage=$(grep -o 'cov: [0-9]*' "$build/$name.log" | tail -n 1 | grep -o '[0-9]*')
    printf '%-18s %12s %8.1f %8s\n' "$name" "$done_runs" "$(awk "BEGIN { print ($end - $start) / 1e9 }")" "$coverage"
done
# Reached only when every target ran clean (set -e ends the script at the
# first finding).
echo "fuzz: $(echo $targets | wc -w) passed, 0 failed"

#!/bin/sh
# Builds the fuzz targets natively with clang, libFuzzer and the address and
# undefined-behaviour sanitizers, from the same sources as the Windows build,
# and runs each one: for FUZZ_SECONDS (default 60), or for FUZZ_RUNS runs.
# Prints a line per target: runs, seconds, coverage.
# Usage: run-fuzz.sh BUILD_DIR
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)/fuzz
seconds="${FUZZ_SECONDS:-60}"
runs="${FUZZ_RUNS:-}"

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

mkdir -p "$build"
flags="-std=c++20 -g -O1 -fshort-wchar -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Wall -Wextra -I$root"
# Each target and the program's own sources it exercises.
targets="
text: app/text.cpp
dial_plan: app/text.cpp dialing/dial_plan.cpp
numbers: app/text.cpp dialing/numbers.cpp
command_line: app/text.cpp app/command_line.cpp dialing/numbers.cpp dialing/phone_link.cpp
phone_link: app/text.cpp dialing/phone_link.cpp
service_replies: app/text.cpp dialing/service_text.cpp
service_requests: app/text.cpp dialing/service_text.cpp
code_page: app/text.cpp dialing/service_text.cpp
layout: display/layout_math.cpp display/status_values.cpp app/keys.cpp
vcard: platform/vcard_reader.cpp dialing/phone_link.cpp
vcard_round_trip: app/text.cpp platform/vcard_reader.cpp platform/vcard_writer.cpp dialing/phone_link.cpp
"
printf '%-18s %12s %8s %8s\n' target runs seconds coverage
echo "$targets" | while IFS=: read -r name sources; do
    [ -n "$name" ] || continue
    exe="$build/fuzz_$name"
    (cd "$root" && clang++ $flags -o "$exe" "fuzz/fuzz_$name.cpp" $sources)
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
echo "fuzz: $(echo "$targets" | grep -c ':') passed, 0 failed"

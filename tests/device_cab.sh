#!/bin/bash
# Checks the Windows Mobile install CAB made by tools/make_cab.py.
# Usage: tests/device_cab.sh ZEMBRIK.cab [EXE SKIN SETTINGS_EXE]
# With EXE, SKIN and SETTINGS_EXE, the payload must match them byte for byte.
set -u
export LC_ALL=C  # sort order of the expected lists below
cab=${1:?usage: $0 CAB [EXE SKIN SETTINGS_EXE]}
exe=${2:-}
skin=${3:-}
settings=${4:-}
reader="$(cd "$(dirname "$0")/.." && pwd)/tools/read_cab_setup.py"
command -v gcab >/dev/null || { echo "FAIL: gcab not found (Debian package gcab)"; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() {  # check COMMAND...: describes itself by $desc; returns its status
    if "$@"; then echo "ok   - $desc"; passed=$((passed + 1))
    else echo "FAIL - $desc"; failed=$((failed + 1)); return 1; fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]; exit
}

desc="gcab extracts $cab"
check timeout 30 gcab -x -C "$tmp/x" "$cab"
[ "$failed" -eq 0 ] || finish
mapfile -t setup < <(cd "$tmp/x" && find . -type f -iname '*.000' | sed 's|^\./||')
desc="the CAB holds exactly one .000 setup file (${setup[*]:-none})"
check test "${#setup[@]}" -eq 1
[ "$failed" -eq 0 ] || finish
setup=$tmp/x/${setup[0]}

desc="the reader accepts the setup file"
check eval 'timeout 30 python3 "$reader" "$setup" >"$tmp/out"'
sed 's/^/       /' "$tmp/out"
field() { grep -P "^$1\t" "$tmp/out" | cut -f2-; }

desc="app Zembrik, provider Orvendel, ARM (2577), from CE 5.0"
check test "$(field app)|$(field provider)|$(field arch)|$(field version | cut -f1)" \
    = "Zembrik|Orvendel|2577|5.0"
desc="exactly three files, all in %CE1%\\Zembrik: Zembrik.exe, ZembrikSettings.exe and default.png"
check test "$(field file | cut -f2,3 | sort | tr '\t\n' '|;')" \
    = '%CE1%\Zembrik|Zembrik.exe;%CE1%\Zembrik|ZembrikSettings.exe;%CE1%\Zembrik|default.png;'
desc="exactly two links in %CE11%: Zembrik.lnk and Zembrik Settings.lnk, to their programs"
check test "$(field link | tr '\t\n' '|;')" \
    = '%CE11%|Zembrik.lnk|%CE1%\Zembrik\Zembrik.exe;%CE11%|Zembrik Settings.lnk|%CE1%\Zembrik\ZembrikSettings.exe;'
desc="no registry values"
check test -z "$(field hive)$(field regvalue)"
desc="each FILES entry's second field holds its id, as it usually does"
check test -z "$(field file | awk -F'\t' '$1 != $5')"

# The cabinet's own order and names, as the CE CAB format description has
# them: the setup file first, then the others from the highest extension
# down, each name eight characters before the period, padded with "0".
desc="the CAB holds 0ZEMBRIK.000, ZEMBRIKS.003, 0DEFAULT.002, 0ZEMBRIK.001 in this order"
check test "$(timeout 30 gcab -t "$cab" | tr '\n' ' ')" = "0ZEMBRIK.000 ZEMBRIKS.003 0DEFAULT.002 0ZEMBRIK.001 "

# Each file id N is the payload named *.00N in the CAB.
expected=("${setup#"$tmp/x/"}")
while IFS=$'\t' read -r id folder name _; do
    mapfile -t found < <(cd "$tmp/x" && find . -type f -name "*.$(printf %03d "$id")" | sed 's|^\./||')
    desc="file $id ($name) is in the CAB once (${found[*]:-missing})"
    check test "${#found[@]}" -eq 1 || continue
    expected+=("${found[0]}")
    source=
    case $name in Zembrik.exe) source=$exe ;; default.png) source=$skin ;; ZembrikSettings.exe) source=$settings ;; esac
    if [ -n "$source" ]; then
        desc="${found[0]} has the bytes of $source"
        check cmp -s "$tmp/x/${found[0]}" "$source"
    fi
done < <(field file)
desc="the CAB holds nothing but the setup file and its payload"
check test "$(cd "$tmp/x" && find . -mindepth 1 | sed 's|^\./||' | sort)" \
    = "$(printf '%s\n' "${expected[@]}" | sort)"

# The reader must refuse damaged setup files, or the checks above prove little.
size=$(stat -c %s "$setup")
head -c $((size - 1)) "$setup" >"$tmp/short.000"
head -c 60 "$setup" >"$tmp/header.000"
{ printf 'MSCF'; tail -c +5 "$setup"; } >"$tmp/sig.000"
{ cat "$setup"; printf '\0'; } >"$tmp/long.000"
le32() { printf '\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
# Cut short with the declared length made to match: records must still fit.
cut=$((size - 16))
{ head -c 8 "$setup"; printf "$(le32 $cut)"; tail -c +13 "$setup" | head -c $((cut - 12)); } >"$tmp/cut.000"
# First file moved into folder 0xFFFF, which is not declared.
files_at=$(od -An -tu4 -j $((0x44)) -N4 "$setup" | tr -d ' ')
{ head -c $((files_at + 2)) "$setup"; printf '\xff\xff'; tail -c +$((files_at + 5)) "$setup"; } >"$tmp/nodir.000"
for bad in short:"truncated by one byte" header:"cut inside the header" \
           sig:"with signature MSCF" long:"one byte longer than declared" \
           cut:"cut by 16 bytes with its declared length adjusted" \
           nodir:"whose first file is in a folder that does not exist"; do
    desc="the reader rejects the setup file ${bad#*:}"
    check eval '! timeout 30 python3 "$reader" "$tmp/${bad%%:*}.000" >/dev/null 2>"$tmp/err"'
    sed 's/^/       /' "$tmp/err"
done
finish

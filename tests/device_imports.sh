#!/bin/sh
# The phone's executables (the dialer and its settings program): ARM,
# Windows CE GUI, and every import one that a Windows Mobile 5 phone
# resolves, as wince/lib/phone_exports.txt records it: from the DLL that
# exports the function, by name only where the DLL publishes the name, else
# by its ordinal. Windows CE's loader refuses to start a program with one
# import it cannot resolve. Every row of the table is imported by one of
# them at least.
#   device_imports.sh OBJDUMP EXE...
# OBJDUMP's folder holds the rest of the toolchain, for the check's own test.
objdump=${1:?usage: device_imports.sh OBJDUMP EXE...}
shift
[ $# -gt 0 ] || { echo "usage: device_imports.sh OBJDUMP EXE..."; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
table=$root/wince/lib/phone_exports.txt
sources=${CEGCC_SOURCES:-$root/../shared/cegcc/sources-cegcc.tar.xz}

for exe in "$@"; do
    [ -f "$exe" ] || { echo "FAIL: no $exe (make device builds it)"; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
check() {
    if [ "$2" = "$3" ]; then echo "ok: $1 is $3"; else echo "FAIL: $1 is '$2', not '$3'"; failed=1; fi
}
# The PE header's own fields: the machine two bytes after the "PE\0\0"
# signature, the subsystem 92 bytes after it.
word() { od -An -t u$2 -j "$1" -N "$2" "$exe" | tr -d ' '; }
for exe in "$@"; do
    name=$(basename "$exe")
    headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
    check "$name's format" "$(echo "$headers" | sed -n 's/.*file format //p')" "pei-arm-wince-little"
    pe=$(word 60 4)
    check "$name's machine" "$(word $((pe + 4)) 2)" "448"       # IMAGE_FILE_MACHINE_ARM, 0x1C0
    check "$name's subsystem" "$(word $((pe + 92)) 2)" "9"      # IMAGE_SUBSYSTEM_WINDOWS_CE_GUI
done

# An executable's imports, a line each: the DLL in lower case, a tab, and
# the function's name or "@" and its ordinal. objdump lists an import by
# name as "vma hint name" and one by ordinal as "vma ordinal <none>".
imports() {
    "$objdump" -p "$1" | awk '
        /^The Import Tables/ { inside = 1; next }
        inside && /^[^ \t]/ { inside = 0 }
        inside && /DLL Name:/ { dll = tolower($3); next }
        inside && dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ {
            print dll "\t" ($3 == "<none>" ? "@" $2 : $3)
        }' | sort -u
}
# The table's rows in the same form.
vouched() {
    awk '!/^#/ && NF { print tolower($1) "\t" ($3 == "name" ? $2 : $3) }' "$table" | sort -u
}

# Prints a line per import of the executables and fails on any the table
# does not vouch for, and on any row of the table that none of them imports.
check_imports() {
    vouched >"$tmp/vouched"
    : >"$tmp/imported"
    status=0
    for program in "$@"; do
        imports "$program" >"$tmp/these"
        [ -s "$tmp/these" ] || { echo "FAIL: $program imports nothing"; status=1; }
        cat "$tmp/these" >>"$tmp/imported"
        while IFS='	' read -r dll function; do
            how="by name"
            case $function in @*) how="by ordinal ${function#@}" ;; esac
            if grep -qxF "$dll	$function" "$tmp/vouched"; then
                echo "ok: $dll $function"
                continue
            fi
            status=1
            rows=$(awk -v f="${function#@}" '!/^#/ && $2 == f {
                print "from " $1 ($3 == "name" ? " by name" : " by ordinal " substr($3, 2)) }' "$table" | paste -sd,)
            echo "FAIL: $(basename "$program") imports $function from $dll $how;" \
                "the table has it ${rows:-no such function}"
        done <"$tmp/these"
    done
    sort -u "$tmp/imported" -o "$tmp/imported"
    for row in $(comm -23 "$tmp/vouched" "$tmp/imported" | tr '\t' '/'); do
        echo "FAIL: the table vouches for $row, which nothing imports"
        status=1
    done
    return $status
}
check_imports "$@" || failed=1

# The rows the toolchain's import libraries give must be listed by name in
# the CeGCC .def file their source names.
if [ -f "$sources" ]; then
    tar -xJf "$sources" -C "$tmp" --wildcards 'cegcc-src/w32api/libce/*.def'
    awk '!/^#/ && $4 == "cegcc" { print $2, $6 }' "$table" | while read -r function def; do
        file=$tmp/cegcc-src/$def
        if [ -f "$file" ] && grep -qE "^$function([[:space:]@]|\$)" "$file"; then :; else
            echo "FAIL: $def does not list $function by name"
            exit 1
        fi
    done && echo "ok: every row the toolchain gives is listed by name in the CeGCC .def file it cites" || failed=1
else
    echo "skip: no CeGCC sources at $sources to read the cited .def files from"
fi

# The check itself must refuse an executable with the imports that kept
# Zembrik from starting: the contact chooser from the shell by name, and the
# image loader by a name the shell does not publish.
bin=$(dirname "$objdump")
printf 'LIBRARY AYGSHELL.dll\nEXPORTS\nChooseContact\nSHLoadImageFile\n' >"$tmp/wrong.def"
printf 'long ChooseContact(void *);\nvoid *SHLoadImageFile(const void *);\n%s\n' \
    'int Start(void) { return ChooseContact(0) + (SHLoadImageFile(0) != 0); }' >"$tmp/wrong.c"
if "$bin/arm-mingw32ce-dlltool" --input-def "$tmp/wrong.def" --output-lib "$tmp/libwrong.a" &&
    "$bin/arm-mingw32ce-gcc" -nostdlib -e Start -o "$tmp/wrong.exe" "$tmp/wrong.c" "$tmp/libwrong.a"; then
    check_imports "$tmp/wrong.exe" >"$tmp/wrong.out"
    refused=$?
    expected="FAIL: wrong.exe imports ChooseContact from aygshell.dll by name; the table has it from PIMSTORE.dll by name
FAIL: wrong.exe imports SHLoadImageFile from aygshell.dll by name; the table has it from AYGSHELL.dll by ordinal 75"
    if [ $refused -ne 0 ] && [ "$(grep '^FAIL: wrong.exe imports' "$tmp/wrong.out")" = "$expected" ]; then
        echo "ok: the check refuses the imports that kept the phone from starting Zembrik"
    else
        echo "FAIL: the check let through a program importing ChooseContact and SHLoadImageFile by name from aygshell:"
        sed 's/^/    /' "$tmp/wrong.out"
        failed=1
    fi
else
    echo "FAIL: cannot build the check's own test program with $bin"
    failed=1
fi
exit $failed

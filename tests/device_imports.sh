#!/bin/sh
# The phone's executable: ARM, Windows CE GUI, and importing only from the
# DLLs that every Windows Mobile 5 phone has.
#   device_imports.sh EXE OBJDUMP
exe=${1:?usage: device_imports.sh EXE OBJDUMP}
objdump=${2:?usage: device_imports.sh EXE OBJDUMP}
# The phone's own DLLs the program may use (the README names them too).
allowed="coredll.dll aygshell.dll cellcore.dll ws2.dll ole32.dll oleaut32.dll commctrl.dll"

[ -f "$exe" ] || { echo "FAIL: no $exe (make device builds it)"; exit 1; }
headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
failed=0
check() {
    if [ "$2" = "$3" ]; then echo "ok: $1 is $3"; else echo "FAIL: $1 is '$2', not '$3'"; failed=1; fi
}
check "format" "$(echo "$headers" | sed -n 's/.*file format //p')" "pei-arm-wince-little"
# The PE header's own fields: the machine two bytes after the "PE\0\0"
# signature, the subsystem 92 bytes after it.
word() { od -An -t u$2 -j "$1" -N "$2" "$exe" | tr -d ' '; }
pe=$(word 60 4)
check "machine" "$(word $((pe + 4)) 2)" "448"       # IMAGE_FILE_MACHINE_ARM, 0x1C0
check "subsystem" "$(word $((pe + 92)) 2)" "9"      # IMAGE_SUBSYSTEM_WINDOWS_CE_GUI
dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "FAIL: no imports found"; failed=1; }
for dll in $dlls; do
    case " $allowed " in
        *" $dll "*) echo "ok: imports $dll" ;;
        *) echo "FAIL: imports $dll, which is not one of the phone's DLLs"; failed=1 ;;
    esac
done
exit $failed

#!/usr/bin/env python3
"""Build the Windows Mobile install CAB for Zembrik.

Usage: tools/make_cab.py OUTPUT.cab EXE SKIN SETTINGS_EXE

The device's installer (wceload) takes a Microsoft Cabinet whose files are
the payload, each named with its numeric file id as extension, plus one
setup file whose extension is 000.  The setup file tells what to install
where.  This script writes the setup file and the payload into a
temporary folder and packs them with gcab (Debian package `gcab`).

The cabinet follows the Windows CE CAB format description that
cabextract's authors publish (doc/wince_cab_format.html in the libmspack
sources):
  - every name is eight characters before the period, a shorter one
    padded on the left with "0": 0ZEMBRIK.000, 0ZEMBRIK.001, 0DEFAULT.002,
    ZEMBRIKS.003;
  - the setup file comes first, then every other file in descending order
    of its numeric extension: 0ZEMBRIK.000, ZEMBRIKS.003, 0DEFAULT.002,
    0ZEMBRIK.001;
  - a FILES entry's field after its folder, of unknown meaning, holds the
    file's id, as the description says it usually does.
The description is its authors' reading of the cabinets they examined,
not Microsoft's own, and the SDK's packager (CabWiz) cannot be run here to
compare.  Its cabinets may differ where the description says "usually"
(the FILES field) and in what it leaves open: how a longer name is cut to
eight characters (here, its first eight letters and digits), the letter
case (upper here) and the compression (MSZIP here).  wceload finds each
file by its numeric extension.

What the CAB installs:
  application "Zembrik" by "Orvendel", ARM (processor type 2577), CE 5.0+;
  %CE1%\\Zembrik\\Zembrik.exe   (\\Program Files\\Zembrik)
  %CE1%\\Zembrik\\default.png
  %CE1%\\Zembrik\\ZembrikSettings.exe   (the settings program)
  %CE11%\\Zembrik.lnk -> %CE1%\\Zembrik\\Zembrik.exe   (Start > Programs)
  %CE11%\\Zembrik Settings.lnk -> %CE1%\\Zembrik\\ZembrikSettings.exe
No registry values: the program writes its own settings.

Layout of the 000 file as written here
======================================
All integers are little-endian, unsigned.  Strings are 8-bit (ASCII
only, enforced below) and NUL-terminated; every "length" of a string
counts its NUL.  IDs start at 1; an ID list ends with a 0 ID.

Header, 0x64 bytes:
  off   size  field
  0x00  4     signature "MSCE"
  0x04  4     0 (unknown)
  0x08  4     total length of the 000 file in bytes
  0x0C  4     0 (unknown)
  0x10  4     1 (unknown; seen as 1)
  0x14  4     processor type (2577 = 0xA11, ARM/StrongARM; 0 = any)
  0x18  4     minimum CE version, major        (5)
  0x1C  4     minimum CE version, minor        (0)
  0x20  4     maximum CE version, major        (1000)
  0x24  4     maximum CE version, minor        (0)
  0x28  4     minimum CE build number          (0)
  0x2C  4     maximum CE build number          (0xE0000000)
  0x30  2     number of STRINGS records
  0x32  2     number of DIRS records
  0x34  2     number of FILES records
  0x36  2     number of REGHIVES records       (0 here)
  0x38  2     number of REGKEYS records        (0 here)
  0x3A  2     number of LINKS records
  0x3C  4     file offset of STRINGS
  0x40  4     file offset of DIRS
  0x44  4     file offset of FILES
  0x48  4     file offset of REGHIVES
  0x4C  4     file offset of REGKEYS
  0x50  4     file offset of LINKS
  0x54  2     file offset of the application name
  0x56  2     length of the application name
  0x58  2     file offset of the provider name
  0x5A  2     length of the provider name
  0x5C  2     file offset of the "unsupported platforms" string (0: none)
  0x5E  2     its length (0: none)
  0x60  2     0 (unknown)
  0x62  2     0 (unknown)

Then the application name and the provider name, NUL-terminated, one
after the other.  Each section that follows starts on a 4-byte boundary
(NUL padding between sections, none inside them), in this order:
STRINGS, DIRS, FILES, REGHIVES, REGKEYS, LINKS.  An empty section's
offset points where it would start.  Records follow each other with no
gap, so a reader walks each section from its offset.

STRINGS record:   2 id | 2 length n | n bytes string with NUL, and a
                  second NUL when n would be odd ("Zembrik Settings.lnk")
DIRS record:      2 id | 2 length n | n bytes: n/2 string IDs, last 0.
                  The folder is the strings joined with "\\", e.g.
                  ["%CE1%", "Zembrik"] -> %CE1%\\Zembrik; the device
                  expands %CEn% itself.
FILES record:     2 id (= numeric extension of the payload in the CAB)
                  | 2 DIRS id | 2 unknown (the id again) | 4 flags
                  (0: defaults) | 2 length n | n bytes file name on the
                  device with NUL, made even as a STRINGS record's
REGHIVES record:  2 id | 2 root (1 HKCR, 2 HKCU, 3 HKLM, 4 HKU)
                  | 2 unknown (0) | 2 length n | n bytes string IDs, last 0
REGKEYS record:   2 id | 2 REGHIVES id | 2 substitute %CEn% (0/1)
                  | 4 type flags | 2 length n | n bytes name NUL value
LINKS record:     2 id | 2 unknown (0) | 2 base folder: n for %CEn%,
                  or 0 when the folder is spelled out in the string list
                  | 2 target id | 2 type (0: target is a DIRS id,
                  1: target is a FILES id) | 2 length n
                  | n bytes string IDs, last 0: the link's path below the
                  base folder, its last element the link's file name.

Less sure of (check against a CAB made by Microsoft's tools, or on a
device, before trusting):
  - the meaning of the "unknown" fields; 0x10 = 1 is from memory of real
    files, the others are written as 0;
  - whether wceload wants the records themselves padded to 2 or 4 bytes.
    Sections are 4-aligned here; every record has an even length (a
    string that would leave it odd gets a second NUL, counted in its
    length), so every 2-byte field is 2-aligned, but the 4-byte flags
    inside FILES records are not 4-aligned;
  - whether the maximum CE version is "no limit" when 0; 1000.0 avoids
    depending on it;
  - the top bits of the maximum build number: 0xE0000000 is the value
    that declares the program aware of square screens (0x80000000 |
    0x20000000) and of screen rotation (0x40000000), which Windows
    Mobile 5 otherwise warns about; Zembrik lays out for portrait,
    landscape and square screens;
  - whether the link's file name should carry ".lnk" (written with it,
    "Zembrik.lnk", "Zembrik Settings.lnk") or the device appends it;
  - the LINKS base-folder field: written as 11 for %CE11% with only the
    name in the string list, rather than 0 with "%CE11%" in the list;
  - FILES flags 0 meaning "default copy behaviour".
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

APP_NAME = "Zembrik"
PROVIDER = "Orvendel"
PROCESSOR_ARM = 2577            # 0xA11
CE_VERSION_MIN = (5, 0)         # Windows Mobile 5 is CE 5.1
CE_VERSION_MAX = (1000, 0)      # no upper bound in practice
CE_BUILD_MIN = 0
CE_BUILD_MAX = 0xE0000000       # square-screen and rotation aware
INSTALL_DIR = ("%CE1%", APP_NAME)    # \Program Files\Zembrik
START_MENU_PROGRAMS = 11             # %CE11%
LINK_TO_FILE = 1

HEADER_SIZE = 0x64


def _cstr(text):
    """Encode a setup-file string: ASCII only, because the device reads
    these bytes in its own code page and non-ASCII would not survive."""
    try:
        data = text.encode("ascii")
    except UnicodeEncodeError:
        raise ValueError("non-ASCII string in setup file: %r" % text)
    if b"\0" in data:
        raise ValueError("NUL inside setup string: %r" % text)
    return data + b"\0"


def _even_cstr(text):
    """A string of a record: NUL-terminated, with a second NUL when its
    length would be odd, so that every record's length stays even."""
    data = _cstr(text)
    return data + b"\0" * (len(data) % 2)


def _id_list(ids):
    return b"".join(struct.pack("<H", i) for i in ids) + b"\0\0"


def _pad4(buf):
    buf.extend(b"\0" * (-len(buf) % 4))


class SetupFile:
    """Collects folders, files and links, and encodes them as a 000 file."""

    def __init__(self, app_name, provider, processor,
                 version_min, version_max, build_min, build_max):
        self.app_name = app_name
        self.provider = provider
        self.processor = processor
        self.version_min = version_min
        self.version_max = version_max
        self.build_min = build_min
        self.build_max = build_max
        self.strings = []   # index + 1 is the string id
        self.dirs = []      # (string ids)
        self.files = []     # (dir id, name, flags)
        self.links = []     # (base folder, string ids, target id, type)

    def string_id(self, text):
        # One STRINGS record per distinct text: folders share components.
        if text not in self.strings:
            self.strings.append(text)
        return self.strings.index(text) + 1

    def add_dir(self, components):
        ids = tuple(self.string_id(c) for c in components)
        if ids not in self.dirs:
            self.dirs.append(ids)
        return self.dirs.index(ids) + 1

    def add_file(self, dir_id, name, flags=0):
        self.files.append((dir_id, name, flags))
        return len(self.files)

    def add_link(self, base_folder, name, target_file_id):
        ids = (self.string_id(name),)
        self.links.append((base_folder, ids, target_file_id, LINK_TO_FILE))
        return len(self.links)

    def encode(self):
        out = bytearray(HEADER_SIZE)
        app_off = len(out)
        out += _cstr(self.app_name)
        provider_off = len(out)
        out += _cstr(self.provider)
        app_len = provider_off - app_off
        provider_len = len(out) - provider_off

        def section(records):
            _pad4(out)
            start = len(out)
            for record in records:
                out.extend(record)
            return start

        strings_off = section(
            struct.pack("<HH", i + 1, len(_even_cstr(s))) + _even_cstr(s)
            for i, s in enumerate(self.strings))
        dirs_off = section(
            struct.pack("<HH", i + 1, 2 * len(ids) + 2) + _id_list(ids)
            for i, ids in enumerate(self.dirs))
        files_off = section(
            struct.pack("<HHHIH", i + 1, dir_id, i + 1, flags,
                        len(_even_cstr(name)))
            + _even_cstr(name)
            for i, (dir_id, name, flags) in enumerate(self.files))
        hives_off = section(())
        keys_off = section(())
        links_off = section(
            struct.pack("<HHHHHH", i + 1, 0, base, target, kind,
                        2 * len(ids) + 2) + _id_list(ids)
            for i, (base, ids, target, kind) in enumerate(self.links))

        if any(len(t) > 0xFFFF for t in (
                self.strings, self.dirs, self.files, self.links)):
            raise ValueError("too many records: counts are 16-bit")

        struct.pack_into(
            "<4sIIIII6I6H6I8H", out, 0,
            b"MSCE", 0, len(out), 0, 1, self.processor,
            self.version_min[0], self.version_min[1],
            self.version_max[0], self.version_max[1],
            self.build_min, self.build_max,
            len(self.strings), len(self.dirs), len(self.files), 0, 0,
            len(self.links),
            strings_off, dirs_off, files_off, hives_off, keys_off, links_off,
            app_off, app_len, provider_off, provider_len, 0, 0, 0, 0)
        return bytes(out)


def cab_name(name, file_id):
    """8.3 name inside the CAB: the first 8 letters and digits of the base
    name, upper case, padded on the left with "0" to 8 characters, and the
    file id as a 3-digit extension."""
    base = "".join(c for c in os.path.splitext(name)[0].upper()
                   if c.isascii() and c.isalnum())[:8]
    return "%s.%03d" % (base.rjust(8, "0"), file_id)


def zembrik_setup():
    setup = SetupFile(APP_NAME, PROVIDER, PROCESSOR_ARM,
                      CE_VERSION_MIN, CE_VERSION_MAX,
                      CE_BUILD_MIN, CE_BUILD_MAX)
    app_dir = setup.add_dir(INSTALL_DIR)
    exe_id = setup.add_file(app_dir, "Zembrik.exe")
    skin_id = setup.add_file(app_dir, "default.png")
    settings_id = setup.add_file(app_dir, "ZembrikSettings.exe")
    setup.add_link(START_MENU_PROGRAMS, "Zembrik.lnk", exe_id)
    setup.add_link(START_MENU_PROGRAMS, "Zembrik Settings.lnk", settings_id)
    return setup, exe_id, skin_id, settings_id


def main(argv):
    if len(argv) != 5:
        sys.stderr.write("usage: %s OUTPUT.cab EXE SKIN SETTINGS_EXE\n"
                         % argv[0])
        return 2
    output, exe, skin, settings = argv[1:]
    gcab = shutil.which("gcab")
    if gcab is None:
        sys.stderr.write("make_cab: gcab not found on PATH; install the "
                         "Debian package 'gcab' (apt-get install gcab)\n")
        return 1
    for path in (exe, skin, settings):
        if not os.path.isfile(path):
            sys.stderr.write("make_cab: no such file: %s\n" % path)
            return 1

    setup, exe_id, skin_id, settings_id = zembrik_setup()
    with tempfile.TemporaryDirectory(prefix="make_cab.") as tmp:
        members = [cab_name(APP_NAME, 0)]
        with open(os.path.join(tmp, members[0]), "wb") as f:
            f.write(setup.encode())
        # After the setup file, the payload from the highest id down.
        payload = sorted(((exe_id, exe), (skin_id, skin),
                          (settings_id, settings)), reverse=True)
        for file_id, source in payload:
            name = setup.files[file_id - 1][1]
            members.append(cab_name(name, file_id))
            shutil.copyfile(source, os.path.join(tmp, members[-1]))
        # Packed inside the temporary folder so the CAB holds bare names,
        # then moved, so a failed run leaves no half-written OUTPUT.
        packed = os.path.join(tmp, "out.cab")
        result = subprocess.run([gcab, "-c", "-z", packed] + members, cwd=tmp)
        if result.returncode != 0 or not os.path.isfile(packed):
            sys.stderr.write("make_cab: gcab failed (exit %d)\n"
                             % result.returncode)
            return 1
        shutil.move(packed, output)
    print("make_cab: wrote %s (%s)" % (output, ", ".join(members)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/env python3
"""Print what a Windows CE CAB setup file (the "000" file) installs.

Usage: tools/read_cab_setup.py SETUP.000

Reads the file on its own terms, without the writer's code, so that a
mistake in tools/make_cab.py is not mirrored here.  Prints one
tab-separated line per item:

  app       NAME
  provider  NAME
  arch      PROCESSOR-TYPE
  version   MIN-MAJOR.MINOR  MAX-MAJOR.MINOR  MIN-BUILD  MAX-BUILD
  unsupported TEXT                     (only when present)
  dir       ID  FOLDER
  file      ID  FOLDER  NAME  FLAGS  SECOND-ID
  hive      ID  ROOT\\KEY
  regvalue  ID  ROOT\\KEY  NAME
  link      FOLDER  NAME  TARGET

Exits 1, naming the fault, when the file disagrees with itself: bad
signature, declared length not the file's size, an offset or count
reaching outside the file, overlapping sections, a string without its
NUL, or a reference to a string, folder, file or hive that is not there.
"""

import struct
import sys

HEADER = 0x64
ROOTS = {1: "HKCR", 2: "HKCU", 3: "HKLM", 4: "HKU"}


class Bad(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data

    def u16(self, off, what):
        return struct.unpack_from("<H", self.take(off, 2, what))[0]

    def u32(self, off, what):
        return struct.unpack_from("<I", self.take(off, 4, what))[0]

    def take(self, off, size, what):
        if off < 0 or size < 0 or off + size > len(self.data):
            raise Bad("%s at 0x%x, %d bytes, runs past the end of the file "
                      "(0x%x bytes)" % (what, off, size, len(self.data)))
        return self.data[off:off + size]

    def cstr(self, off, size, what):
        raw = self.take(off, size, what)
        if size == 0 or raw[-1] != 0:
            raise Bad("%s at 0x%x is not NUL-terminated" % (what, off))
        text, _, rest = raw.partition(b"\0")
        if rest.strip(b"\0"):
            # Padding after the NUL is harmless; text after it is not.
            raise Bad("%s at 0x%x has bytes after its NUL" % (what, off))
        return text.decode("latin-1")

    def id_list(self, off, size, what):
        raw = self.take(off, size, what)
        if size < 2 or size % 2:
            raise Bad("%s at 0x%x: ID list of odd or zero length %d"
                      % (what, off, size))
        ids = list(struct.unpack("<%dH" % (size // 2), raw))
        if ids[-1] != 0 or 0 in ids[:-1]:
            raise Bad("%s at 0x%x: ID list not ended by a single 0"
                      % (what, off))
        return ids[:-1]


def parse(data):
    r = Reader(data)
    if len(data) < HEADER:
        raise Bad("file of %d bytes is shorter than the 0x%x-byte header"
                  % (len(data), HEADER))
    if data[:4] != b"MSCE":
        raise Bad("signature is %r, not 'MSCE'" % data[:4])
    declared = r.u32(0x08, "length")
    if declared != len(data):
        raise Bad("header declares %d bytes, file has %d"
                  % (declared, len(data)))

    (processor, vmin_major, vmin_minor, vmax_major, vmax_minor,
     build_min, build_max) = struct.unpack_from("<7I", data, 0x14)
    counts = struct.unpack_from("<6H", data, 0x30)
    offsets = struct.unpack_from("<6I", data, 0x3C)
    names = struct.unpack_from("<6H", data, 0x54)
    out = []
    spans = [(0, HEADER, "header")]

    def header_string(off, size, what, optional=False):
        if optional and off == 0 and size == 0:
            return None
        text = r.cstr(off, size, what)
        spans.append((off, off + size, what))
        return text

    app = header_string(names[0], names[1], "application name")
    provider = header_string(names[2], names[3], "provider name")
    unsupported = header_string(names[4], names[5],
                                "unsupported-platforms string", True)
    out.append("app\t%s" % app)
    out.append("provider\t%s" % provider)
    out.append("arch\t%d" % processor)
    out.append("version\t%d.%d\t%d.%d\t%d\t0x%08X" % (
        vmin_major, vmin_minor, vmax_major, vmax_minor, build_min, build_max))
    if unsupported is not None:
        out.append("unsupported\t%s" % unsupported)

    section_names = ("STRINGS", "DIRS", "FILES", "REGHIVES", "REGKEYS",
                     "LINKS")

    def walk(index, parse_record):
        """Parse the records of one section; returns {id: value}."""
        name, count, off = section_names[index], counts[index], offsets[index]
        if off > len(data):
            raise Bad("%s offset 0x%x is past the end of the file"
                      % (name, off))
        if count and off < HEADER:
            raise Bad("%s offset 0x%x lies inside the header" % (name, off))
        records = {}
        pos = off
        for n in range(count):
            what = "%s record %d" % (name, n + 1)
            record_id, value, pos = parse_record(pos, what)
            if record_id == 0 or record_id in records:
                raise Bad("%s has id %d, zero or repeated" % (what, record_id))
            records[record_id] = value
        if count:
            spans.append((off, pos, name))
        return records

    def string_rec(pos, what):
        rid, size = r.u16(pos, what), r.u16(pos + 2, what)
        return rid, r.cstr(pos + 4, size, what), pos + 4 + size

    strings = walk(0, string_rec)

    def join(ids, what):
        for i in ids:
            if i not in strings:
                raise Bad("%s refers to string %d, which does not exist"
                          % (what, i))
        return "\\".join(strings[i] for i in ids)

    def dir_rec(pos, what):
        rid, size = r.u16(pos, what), r.u16(pos + 2, what)
        path = join(r.id_list(pos + 4, size, what), what)
        return rid, path, pos + 4 + size

    dirs = walk(1, dir_rec)
    for rid, path in dirs.items():
        out.append("dir\t%d\t%s" % (rid, path))

    def file_rec(pos, what):
        rid = r.u16(pos, what)
        dir_id = r.u16(pos + 2, what)
        # Of unknown meaning; usually the id again.
        second_id = r.u16(pos + 4, what)
        flags = r.u32(pos + 6, what)
        size = r.u16(pos + 10, what)
        name = r.cstr(pos + 12, size, what)
        if dir_id not in dirs:
            raise Bad("%s (%s) is in folder %d, which does not exist"
                      % (what, name, dir_id))
        return rid, (dirs[dir_id], name, flags, second_id), pos + 12 + size

    files = walk(2, file_rec)
    for rid, (folder, name, flags, second_id) in files.items():
        out.append("file\t%d\t%s\t%s\t0x%08X\t%d"
                   % (rid, folder, name, flags, second_id))

    def hive_rec(pos, what):
        rid, root = r.u16(pos, what), r.u16(pos + 2, what)
        size = r.u16(pos + 6, what)
        if root not in ROOTS:
            raise Bad("%s has unknown root %d" % (what, root))
        key = join(r.id_list(pos + 8, size, what), what)
        return rid, ROOTS[root] + "\\" + key, pos + 8 + size

    hives = walk(3, hive_rec)
    for rid, key in hives.items():
        out.append("hive\t%d\t%s" % (rid, key))

    def key_rec(pos, what):
        rid, hive = r.u16(pos, what), r.u16(pos + 2, what)
        size = r.u16(pos + 10, what)
        raw = r.take(pos + 12, size, what)
        if hive not in hives:
            raise Bad("%s refers to hive %d, which does not exist"
                      % (what, hive))
        if b"\0" not in raw:
            raise Bad("%s: value name is not NUL-terminated" % what)
        name = raw.split(b"\0", 1)[0].decode("latin-1")
        return rid, (hives[hive], name), pos + 12 + size

    for rid, (key, name) in walk(4, key_rec).items():
        out.append("regvalue\t%d\t%s\t%s" % (rid, key, name))

    def link_rec(pos, what):
        rid = r.u16(pos, what)
        base = r.u16(pos + 4, what)
        target = r.u16(pos + 6, what)
        kind = r.u16(pos + 8, what)
        size = r.u16(pos + 10, what)
        parts = join(r.id_list(pos + 12, size, what), what).split("\\")
        if base:
            folder = "\\".join(["%%CE%d%%" % base] + parts[:-1])
        elif len(parts) < 2:
            raise Bad("%s has neither a base folder nor a folder in its "
                      "path" % what)
        else:
            folder = "\\".join(parts[:-1])
        if kind == 1:
            if target not in files:
                raise Bad("%s targets file %d, which does not exist"
                          % (what, target))
            tfolder, tname = files[target][:2]
            target_path = tfolder + "\\" + tname
        elif kind == 0:
            if target not in dirs:
                raise Bad("%s targets folder %d, which does not exist"
                          % (what, target))
            target_path = dirs[target]
        else:
            raise Bad("%s has unknown link type %d" % (what, kind))
        return rid, (folder, parts[-1], target_path), pos + 12 + size

    for folder, name, target in walk(5, link_rec).values():
        out.append("link\t%s\t%s\t%s" % (folder, name, target))

    spans.sort()
    for (a_start, a_end, a_what), (b_start, b_end, b_what) in zip(spans,
                                                                   spans[1:]):
        if b_start < a_end:
            raise Bad("%s (0x%x-0x%x) overlaps %s (0x%x-0x%x)" % (
                b_what, b_start, b_end, a_what, a_start, a_end))
    return out


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: %s SETUP.000\n" % argv[0])
        return 2
    try:
        with open(argv[1], "rb") as f:
            data = f.read()
    except OSError as e:
        sys.stderr.write("read_cab_setup: %s\n" % e)
        return 1
    try:
        lines = parse(data)
    except Bad as e:
        sys.stderr.write("read_cab_setup: %s: %s\n" % (argv[1], e))
        return 1
    sys.stdout.write("".join(line + "\n" for line in lines))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

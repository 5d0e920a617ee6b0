#!/usr/bin/python3
"""Reads the import slots of Windows programs and DLLs as the loader will find them on disk, and
fails when one of them cannot work:

  - an ordinary import's slot must name a function inside the image (a hint/name entry) or an
    ordinal: the loader replaces it with the function's address;
  - a delay import's slot must hold the address of code inside the image (the load stub that
    finds the function at its first call): a zero or outside address is a jump into nothing.

    pe-import-slots.py BINARY...     prints one line per binary; exit status 1 when any slot is bad
"""
import struct
import sys

IMAGE_SCN_CNT_CODE = 0x00000020
IMAGE_SCN_MEM_EXECUTE = 0x20000000
DELAY_ATTRIBUTES_RVA_BASED = 1


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a Windows executable (no MZ header)")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.wide = magic == 0x20B
        if self.wide:
            self.image_base = struct.unpack_from("<Q", data, optional + 24)[0]
            directories = optional + 112
        else:
            self.image_base = struct.unpack_from("<I", data, optional + 28)[0]
            directories = optional + 96
        self.image_size = struct.unpack_from("<I", data, optional + 56)[0]
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
            characteristics = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), rva, max(virtual_size, raw_size),
                                  raw_offset, raw_size, characteristics))
        self.slot_size = 8 if self.wide else 4
        self.ordinal_flag = 1 << (63 if self.wide else 31)

    def section_of(self, rva):
        for section in self.sections:
            if section[1] <= rva < section[1] + section[2]:
                return section
        return None

    def offset(self, rva):
        section = self.section_of(rva)
        if section is None or rva - section[1] >= section[4]:
            raise ValueError("address 0x%x is not in the file" % rva)
        return section[3] + rva - section[1]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def slot(self, rva):
        return struct.unpack_from("<Q" if self.wide else "<I", self.data, self.offset(rva))[0]

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def is_code(self, rva):
        section = self.section_of(rva)
        return section is not None and section[5] & (IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE) != 0

    def in_image(self, rva):
        return 0 < rva < self.image_size and self.section_of(rva) is not None

    def function_name(self, name_slot):
        if name_slot & self.ordinal_flag:
            return "#%d" % (name_slot & 0xFFFF)
        try:
            return self.text((name_slot & 0x7FFFFFFF) + 2)
        except ValueError:
            return "(unnamed: 0x%x)" % name_slot

    def names(self, table_rva):
        """The entries of a name table up to its closing zero."""
        entries = []
        while True:
            entry = self.slot(table_rva + self.slot_size * len(entries))
            if entry == 0:
                return entries
            entries.append(entry)


def ordinary_imports(image, problems):
    rva, size = image.directories[1] if len(image.directories) > 1 else (0, 0)
    dlls = []
    if rva == 0 or size == 0:
        return dlls
    for index in range(size // 20):
        names, _, _, name, slots = struct.unpack_from("<IIIII", image.data, image.offset(rva + 20 * index))
        if name == 0 and slots == 0:
            break
        dll = image.text(name)
        dlls.append(dll)
        # The name table tells how many slots there are; without one the slots are their own names.
        for i, entry in enumerate(image.names(names or slots)):
            value = image.slot(slots + image.slot_size * i)
            function = "%s!%s" % (dll, image.function_name(entry))
            if value == 0:
                problems.append("import %s: empty slot" % function)
            elif not value & image.ordinal_flag and not image.in_image(value & 0x7FFFFFFF):
                problems.append("import %s: slot 0x%x names nothing inside the image" % (function, value))
    return dlls


def delay_descriptors(image):
    """Where the delay-import descriptors are. The directory entry when there is one; GNU ld leaves
    it empty, and then the descriptors (which the load stubs hand to the delay-load helper) are
    found by their shape: RVAs of a DLL name, a module handle, the slots and their name table."""
    rva, size = image.directories[13] if len(image.directories) > 13 else (0, 0)
    if rva and size:
        return [rva + 32 * i for i in range(size // 32)]
    found = []
    for section in image.sections:
        section_name, start, _, raw_offset, raw_size, _ = section
        if section_name.startswith(".debug") or section_name.startswith("/"):
            continue  # debugging information, not loaded
        for at in range(0, raw_size - 31, 4):
            attributes, name, handle, slots, names = struct.unpack_from("<IIIII", image.data, raw_offset + at)
            if attributes != DELAY_ATTRIBUTES_RVA_BASED or not all(image.in_image(v) for v in (name, handle, slots, names)):
                continue
            try:
                if image.text(name).lower().endswith(".dll") and image.names(names):
                    found.append(start + at)
            except ValueError:
                continue
    return found


def delay_imports(image, problems):
    dlls = []
    for descriptor in delay_descriptors(image):
        attributes, name, _, slots, names = struct.unpack_from("<IIIII", image.data, image.offset(descriptor))
        if name == 0 and slots == 0:
            break
        # Old-style descriptors hold addresses, not offsets from the image base.
        base = 0 if attributes & DELAY_ATTRIBUTES_RVA_BASED else image.image_base
        dll = image.text(name - base)
        dlls.append(dll)
        for i, entry in enumerate(image.names(names - base)):
            if not entry & image.ordinal_flag:
                entry -= base
            value = image.slot(slots - base + image.slot_size * i)
            function = "%s!%s" % (dll, image.function_name(entry))
            target = value - image.image_base
            if value == 0:
                problems.append("delay import %s: empty slot (a call jumps to address 0)" % function)
            elif not 0 < target < image.image_size or not image.is_code(target):
                problems.append("delay import %s: slot 0x%x is not code inside the image" % (function, value))
    return dlls


def check(path):
    with open(path, "rb") as f:
        image = Image(f.read())
    problems = []
    ordinary = ordinary_imports(image, problems)
    delayed = delay_imports(image, problems)
    return ordinary, delayed, problems


def main(paths):
    status = 0
    for path in paths:
        name = path.replace("\\", "/").rsplit("/", 1)[-1]
        try:
            ordinary, delayed, problems = check(path)
        except (ValueError, struct.error, IndexError) as error:
            ordinary, delayed, problems = [], [], ["cannot be read: %s" % error]
        if problems:
            status = 1
            for problem in problems:
                print("%s: %s" % (name, problem), file=sys.stderr)
        else:
            print("%s: import slots sound (%d DLLs%s)" % (
                name, len(ordinary), ", delay-loaded: " + " ".join(delayed) if delayed else ""))
    return status


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1:]))

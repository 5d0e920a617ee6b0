#!/usr/bin/python3
"""The import-slot check of scripts/check-pe.sh, on what we ship and on programs made to fail it.

    import_slots_test.py ARCH CHECK_PE OBJDUMP TAVOLINE_EXE ZIPARCHIVE_DLL DELAY_LOADED DELAY_LOADED_DLLIMPORT

A program whose slot holds 0 (or an address outside its image) jumps into nothing at its first call
through it; the check must refuse it before it ships, and must pass what does work.
"""
import importlib.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile

arch, check_pe, objdump, tavoline, ziparchive, delay_loaded, delay_loaded_dllimport = sys.argv[1:8]
spec = importlib.util.spec_from_file_location(
    "pe_import_slots", os.path.join(os.path.dirname(check_pe), "pe-import-slots.py"))
slots = importlib.util.module_from_spec(spec)
spec.loader.exec_module(slots)


def delay_slot_offset(image):
    descriptor = slots.delay_descriptors(image)[0]
    iat = struct.unpack_from("<I", image.data, image.offset(descriptor) + 12)[0]
    return image.offset(iat)


def import_slot_offset(image):
    first_descriptor = image.offset(image.directories[1][0])
    return image.offset(struct.unpack_from("<I", image.data, first_descriptor + 16)[0])


def changed(path, where, value):
    """A copy of the program with one slot overwritten."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    image = slots.Image(bytes(data))
    offset = where(image)
    struct.pack_into("<Q" if image.wide else "<I", data, offset, value(image))
    copy = os.path.join(work, "changed.exe")
    with open(copy, "wb") as f:
        f.write(data)
    return copy


def run_check(path):
    result = subprocess.run(["sh", check_pe, objdump, path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return result.returncode == 0, result.stdout


work = tempfile.mkdtemp()
failures = 0
# The i686 linker keeps no load stub for a function called only through its dllimport slot, so that
# slot stays 0: the shape of program the check is there to stop. The x86-64 linker keeps the stub.
dllimport_expected = "delay import WININET.dll!InternetCloseHandle: empty slot" if arch == "win32" else None
cases = [
    ("Tavoline.exe as built", lambda: tavoline, None),
    ("ZipArchive.dll as built", lambda: ziparchive, None),
    ("a delay import through its load stub", lambda: delay_loaded, None),
    ("a delay import called through dllimport", lambda: delay_loaded_dllimport, dllimport_expected),
    ("a delay-import slot emptied", lambda: changed(delay_loaded, delay_slot_offset, lambda image: 0),
     "delay import WININET.dll!InternetCloseHandle: empty slot"),
    ("a delay-import slot pointing past the image",
     lambda: changed(delay_loaded, delay_slot_offset, lambda image: image.image_base + image.image_size + 0x1000),
     "is not code inside the image"),
    ("an ordinary import slot emptied", lambda: changed(delay_loaded, import_slot_offset, lambda image: 0),
     ": empty slot"),
]
try:
    for label, make, expected_problem in cases:
        passed, output = run_check(make())
        if expected_problem is None and not passed:
            failures += 1
            print("FAIL %s: the check refused it:\n%s" % (label, output))
        elif expected_problem is not None and (passed or expected_problem not in output):
            failures += 1
            print("FAIL %s: expected the check to refuse it with \"%s\", got (%s):\n%s"
                  % (label, expected_problem, "passed" if passed else "refused", output))
        else:
            print("ok   %s" % label)
finally:
    shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)

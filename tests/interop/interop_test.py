#!/usr/bin/python3
"""Interoperability of the archive core with Info-ZIP zip/unzip, 7z, Python's zipfile and bsdtar.

WeWriteTheyRead: archives made by zipcore-tool are listed, tested and extracted by the other tools.
TheyWriteWeRead: archives made by the other tools are listed, tested and extracted by zipcore-tool.
The tool's path comes from the ZIPCORE_TOOL environment variable (set by ctest).
"""
import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

TOOL = os.environ.get("ZIPCORE_TOOL", "zipcore-tool")
TIMEOUT = 300


def run(args, cwd=None, stdin=None, check=True):
    result = subprocess.run(args, cwd=cwd, input=stdin, capture_output=True, timeout=TIMEOUT)
    if check and result.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s\n%s" % (" ".join(map(str, args)), result.returncode,
                                                         result.stdout.decode(errors="replace"),
                                                         result.stderr.decode(errors="replace")))
    return result


def make_tree(root):
    """A folder with text, random, empty, nested and non-ASCII files; returns {relative path: bytes}."""
    files = {
        "readme.txt": b"hello, archive\n" * 50,
        "empty.dat": b"",
        "sub/numbers.txt": "".join("%d\n" % i for i in range(20000)).encode(),
        "sub/deeper/random.bin": os.urandom(70000),
        "Grüße/straße ü.txt": "unicode names\n".encode(),
        "日本語.txt": b"x" * 3,
    }
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.utime(path, (1600000000, 1600000000 + len(name) * 2))
    return files


def read_tree(root):
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root)] = f.read()
    return found


class Workspace(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zipcore-interop-")
        self.src = os.path.join(self.dir, "src")
        os.makedirs(self.src)

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)


class WeWriteTheyRead(Workspace):
    def write_archive(self, method):
        files = make_tree(self.src)
        archive = self.path("ours-%d.zip" % method)
        run([TOOL, "create", archive, "-m", str(method), "-C", self.src] + sorted(files))
        return files, archive

    def check_all_tools(self, files, archive):
        run(["unzip", "-t", archive])
        out = self.path("unzip")
        run(["unzip", "-q", archive, "-d", out])
        self.assertEqual(read_tree(out), files)

        run(["7z", "t", archive])
        out = self.path("7z")
        run(["7z", "x", "-o" + out, archive])
        self.assertEqual(read_tree(out), files)

        out = self.path("bsdtar")
        os.makedirs(out)
        run(["bsdtar", "-xf", archive, "-C", out])
        self.assertEqual(read_tree(out), files)

        with zipfile.ZipFile(archive) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual({i.filename: z.read(i) for i in z.infolist()}, files)
            for info in z.infolist():
                self.assertEqual(info.date_time[0], 2020)  # DOS time of the files' mtimes

    def test_bzip2_archive(self):
        files, archive = self.write_archive(12)
        self.check_all_tools(files, archive)
        with zipfile.ZipFile(archive) as z:
            methods = {i.filename: i.compress_type for i in z.infolist()}
        self.assertEqual(methods["sub/numbers.txt"], zipfile.ZIP_BZIP2)
        self.assertEqual(methods["sub/deeper/random.bin"], zipfile.ZIP_STORED)  # not smaller: stored

    def test_stored_and_deflate_archives(self):
        for method in (0, 8):
            files, archive = self.write_archive(method)
            self.check_all_tools(files, archive)
            shutil.rmtree(self.path("unzip")); shutil.rmtree(self.path("7z")); shutil.rmtree(self.path("bsdtar"))

    def test_modification_times_survive(self):
        files, archive = self.write_archive(12)
        out = self.path("unzip")
        run(["unzip", "-q", archive, "-d", out])
        for name in files:
            self.assertEqual(int(os.stat(os.path.join(out, name)).st_mtime), 1600000000 + len(name) * 2, name)

    def test_zip64_with_more_than_65535_entries(self):
        one = self.path("one.txt")
        with open(one, "wb") as f:
            f.write(b"1")
        archive = self.path("many.zip")
        run([TOOL, "create-many", archive, one, "70000"])
        with zipfile.ZipFile(archive) as z:
            names = z.namelist()
            self.assertEqual(len(names), 70000)
            self.assertEqual(names[-1], "many/069999.txt")
            self.assertEqual(z.read(names[-1]), b"1")
        run(["unzip", "-tq", archive])
        self.assertIn(b"70000", run(["7z", "t", archive]).stdout)
        listing = run(["bsdtar", "-tf", archive]).stdout.decode().split()
        self.assertEqual(len(listing), 70000)


class TheyWriteWeRead(Workspace):
    def setUp(self):
        super().setUp()
        self.files = make_tree(self.src)
        self.names = sorted(self.files)

    def check_ours(self, archive, expect=None):
        expect = self.files if expect is None else expect
        listing = run([TOOL, "list", archive]).stdout.decode().splitlines()
        listed = {line.split(" ", 4)[4] for line in listing}
        self.assertTrue(set(expect) <= listed, listed)
        run([TOOL, "test", archive])
        out = self.path("ours-%s" % os.path.basename(archive))
        run([TOOL, "extract", archive, out])
        self.assertEqual(read_tree(out), expect)
        return out

    def test_info_zip_store_deflate_bzip2(self):
        for option in (["-0"], ["-9"], ["-Z", "bzip2"], ["-fz"]):  # -fz: zip64 fields
            archive = self.path("zip%s.zip" % "".join(option))
            run(["zip", "-q", "-X", archive] + option + self.names, cwd=self.src)
            out = self.check_ours(archive)
            for name in self.names:  # mtime from the extended timestamp
                self.assertEqual(int(os.stat(os.path.join(out, name)).st_mtime), 1600000000 + len(name) * 2)

    def test_info_zip_streamed_input_uses_data_descriptors(self):
        data = os.urandom(1000) + b"abc" * 50000
        archive = self.path("streamed.zip")
        # Writing to a pipe, zip cannot seek back: sizes and CRC follow the data in descriptors.
        zipper = subprocess.Popen(["zip", "-q", "-", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        with open(archive, "wb") as f:
            copier = subprocess.Popen(["cat"], stdin=zipper.stdout, stdout=f)
            zipper.stdout.close()
            zipper.communicate(data, timeout=TIMEOUT)
            copier.wait(timeout=TIMEOUT)
        with zipfile.ZipFile(archive) as z:
            self.assertTrue(z.infolist()[0].flag_bits & 0x08)
        self.check_ours(archive, {"-": data})

    def test_7z_deflate_bzip2_and_zip64(self):
        for method in ("Deflate", "BZip2", "Copy"):
            archive = self.path("7z-%s.zip" % method)
            run(["7z", "a", "-tzip", "-mm=" + method, "-mcu=on", archive] + self.names, cwd=self.src)
            self.check_ours(archive)

    def test_7z_deflate64_and_lzma(self):
        # Repeats 40,000 bytes apart: Deflate64 reaches them where deflate's 32 KiB window cannot.
        repeats = os.urandom(40000) * 4
        with open(os.path.join(self.src, "repeats.bin"), "wb") as f:
            f.write(repeats)
        expect = dict(self.files, **{"repeats.bin": repeats})
        for method, number in (("Deflate64", 9), ("Deflate64 -mx=9", 9), ("LZMA", 14), ("LZMA:eos=off", 14)):
            archive = self.path("7z-%s.zip" % method.replace(" ", ""))
            run(["7z", "a", "-tzip", "-mm=" + method.split()[0]] + method.split()[1:] + [archive, "repeats.bin"]
                + self.names, cwd=self.src)
            with zipfile.ZipFile(archive) as z:
                repeated = z.getinfo("repeats.bin")
            self.assertEqual(repeated.compress_type, number, method)
            self.assertLess(repeated.compress_size, 60000, method)  # the repeats were found
            self.check_ours(archive, expect)

    def test_python_lzma(self):
        archive = self.path("python-lzma.zip")
        with zipfile.ZipFile(archive, "w", compression=zipfile.ZIP_LZMA) as z:
            for name in self.names:
                z.write(os.path.join(self.src, name), name)
        self.check_ours(archive)

    def test_python_zip64_records_and_cp437_names(self):
        archive = self.path("python.zip")
        with zipfile.ZipFile(archive, "w", compression=zipfile.ZIP_DEFLATED, allowZip64=True) as z:
            for name in self.names:
                with open(os.path.join(self.src, name), "rb") as f:
                    data = f.read()
                # force_zip64 writes zip64 fields although the sizes are small.
                with z.open(zipfile.ZipInfo(name, (2020, 1, 2, 3, 4, 6)), "w", force_zip64=True) as entry:
                    entry.write(data)
            z.writestr("cafX naXve.txt", b"cp437")
        # zipfile stores such names as UTF-8; put the code page 437 bytes (same length) in instead.
        with open(archive, "rb") as f:
            data = f.read()
        with open(archive, "wb") as f:
            f.write(data.replace(b"cafX naXve.txt", "caf\u00e9 na\u00efve.txt".encode("cp437")))
        with zipfile.ZipFile(archive) as z:
            self.assertFalse(z.getinfo("caf\u00e9 na\u00efve.txt").flag_bits & 0x800)
        expect = dict(self.files)
        expect["caf\u00e9 na\u00efve.txt"] = b"cp437"
        self.check_ours(archive, expect)

    def test_python_many_entries(self):
        archive = self.path("python-many.zip")
        with zipfile.ZipFile(archive, "w") as z:
            for i in range(66000):
                z.writestr("e/%05d" % i, b"")
        listing = run([TOOL, "list", archive]).stdout.decode().splitlines()
        self.assertEqual(len(listing), 66000)
        run([TOOL, "test", archive])

    def test_links_are_extracted_as_plain_files(self):
        os.symlink("readme.txt", os.path.join(self.src, "link"))
        archive = self.path("links.zip")
        run(["zip", "-q", "-y", archive, "readme.txt", "link"], cwd=self.src)  # -y: store the link itself
        out = self.path("out")
        run([TOOL, "extract", archive, out])
        self.assertFalse(os.path.islink(os.path.join(out, "link")))
        with open(os.path.join(out, "link"), "rb") as f:
            self.assertEqual(f.read(), b"readme.txt")

    def test_hostile_names_land_inside_the_target_under_safe_names(self):
        landing = {"../evil.txt": "evil.txt", "/tmp/evil.txt": "tmp/evil.txt", "a/../../evil.txt": "a/evil.txt",
                   "C:\\evil.txt": "evil.txt", "nul.txt": "_nul.txt"}
        for number, (hostile, landed) in enumerate(landing.items()):
            archive = self.path("hostile.zip")
            with zipfile.ZipFile(archive, "w") as z:
                z.writestr("first.txt", b"harmless")
                info = zipfile.ZipInfo("placeholder")
                info.filename = hostile  # ZipInfo would clean the name; keep it as an attacker would
                z.writestr(info, b"evil")
            out = self.path("out-%d" % number)
            run([TOOL, "extract", archive, out])
            with open(os.path.join(out, landed), "rb") as f:
                self.assertEqual(f.read(), b"evil", hostile)
            self.assertEqual(sorted(os.listdir(out)), sorted({"first.txt", landed.split("/")[0]}), hostile)
            self.assertFalse(os.path.exists(self.path("evil.txt")), hostile)

    def test_self_extractor_stub_and_trailing_bytes(self):
        archive = self.path("plain.zip")
        run(["zip", "-q", "-X", archive] + self.names, cwd=self.src)
        with open(archive, "rb") as f:
            data = f.read()
        wrapped = self.path("wrapped.zip")
        with open(wrapped, "wb") as f:
            f.write(b"MZ" + b"\0" * 4094 + data + b"trailing bytes")
        result = run(["unzip", "-tq", wrapped], check=False)  # unzip accepts it with a warning
        self.assertIn(b"No errors detected", result.stdout)
        self.check_ours(wrapped)


if __name__ == "__main__":
    unittest.main()

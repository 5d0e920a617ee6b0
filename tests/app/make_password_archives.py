#!/usr/bin/python3
"""Writes the password-protected archives the unzip password tests open, as people receive them:
7-Zip's AES-256 and ZipCrypto, Info-ZIP's zip -P, an archive under two passwords beside a plain
entry, and an AES entry whose authentication code was changed. For the Info-ZIP archive it also
writes a wrong password that passes the entry's check byte (1 in 256 does), found here.
Usage: make_password_archives.py FOLDER"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

MASK = 0xFFFFFFFF


def content(name):
    return ("content of %s\n" % name * 400).encode()


def make(path, groups):
    """groups: [(options for 7z or None for Info-ZIP's zip -P secret, [names])], added in order."""
    if os.path.exists(path):
        os.remove(path)
    with tempfile.TemporaryDirectory() as folder:
        for options, names in groups:
            for name in names:
                os.makedirs(os.path.dirname(os.path.join(folder, name)) or folder, exist_ok=True)
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(content(name))
            if options is None:
                subprocess.run(["zip", "-q", "-X", "-P", "secret", os.path.abspath(path), *names], cwd=folder, check=True)
            else:
                subprocess.run(["7z", "a", "-tzip", *options, os.path.abspath(path), *names], cwd=folder, check=True,
                               stdout=subprocess.DEVNULL)


def raw_crc_step(crc, byte):
    # The cipher's CRC-32 step, without zlib's inversions before and after.
    return ~zlib.crc32(bytes([byte]), ~crc & MASK) & MASK


def check_byte(password, header):
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(plain):
        keys[0] = raw_crc_step(keys[0], plain)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & MASK
        keys[2] = raw_crc_step(keys[2], keys[1] >> 24)

    for c in password:
        update(c)
    plain = 0
    for b in header:
        t = (keys[2] & 0xFFFF) | 2
        plain = b ^ (((t * (t ^ 1)) >> 8) & 0xFF)
        update(plain)
    return plain


def wrong_password_passing_check_byte(path):
    with zipfile.ZipFile(path) as archive:
        info = archive.infolist()[0]
    with open(path, "rb") as f:
        data = f.read()
    offset = info.header_offset
    flags, dos_time = struct.unpack_from("<H", data, offset + 6)[0], struct.unpack_from("<H", data, offset + 10)[0]
    name_length, extra_length = struct.unpack_from("<HH", data, offset + 26)
    header = data[offset + 30 + name_length + extra_length:][:12]
    accepted = {info.CRC >> 24}
    if flags & 8:
        accepted.add(dos_time >> 8)
    for i in range(100000):
        candidate = "guess%d" % i
        if check_byte(candidate.encode(), header) in accepted:
            return candidate
    raise SystemExit("no password passed the check byte")


def flip_authentication_byte(path):
    with zipfile.ZipFile(path) as archive:
        info = archive.infolist()[0]
    with open(path, "rb") as f:
        data = bytearray(f.read())
    name_length, extra_length = struct.unpack_from("<HH", data, info.header_offset + 26)
    end = info.header_offset + 30 + name_length + extra_length + info.compress_size
    data[end - 3] ^= 0x5A   # inside the 10-byte authentication code
    with open(path, "wb") as f:
        f.write(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    make(os.path.join(out, "aes.zip"), [(["-psecret", "-mem=AES256"], ["report.txt", "data/numbers.txt"])])
    make(os.path.join(out, "infozip.zip"), [(None, ["report.txt", "data/numbers.txt"])])
    with open(os.path.join(out, "infozip-check-byte.txt"), "w") as f:
        f.write(wrong_password_passing_check_byte(os.path.join(out, "infozip.zip")))
    make(os.path.join(out, "two.zip"), [([], ["plain.txt"]), (["-palpha", "-mem=ZipCrypto"], ["a.txt"]),
                                        (["-pbravo", "-mem=AES256"], ["b1.txt", "b2.txt"])])
    make(os.path.join(out, "tampered.zip"), [(["-psecret", "-mem=AES256", "-mx=0"], ["report.txt"])])
    flip_authentication_byte(os.path.join(out, "tampered.zip"))


main()

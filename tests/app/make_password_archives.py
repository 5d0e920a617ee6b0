#!/usr/bin/python3
"""Writes the password-protected archives the unzip password tests open, as people receive them:
7-Zip's AES-256 and ZipCrypto, Info-ZIP's zip -P, an archive under two passwords beside a plain
entry, an AES entry whose authentication code was changed, and an AES entry under a non-ASCII
password in its UTF-8 form (written here: the Debian 7z takes no non-ASCII password for a zip
archive; PBKDF2 and HMAC from hashlib, AES from the openssl command). For the Info-ZIP archive it
also writes a wrong password that passes the entry's check byte (1 in 256 does), found here.
Usage: make_password_archives.py FOLDER"""
import hashlib
import hmac
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


NON_ASCII_PASSWORD = "P\u00e4ssw\u00f6rd \u20ac"


def aes_utf8_archive(path, name, password):
    """One AE-2 entry, AES-256 over deflate, under the UTF-8 bytes of `password`."""
    data = content(name)
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(data) + packer.flush()
    salt = bytes(range(16))
    keys = hashlib.pbkdf2_hmac("sha1", password.encode("utf-8"), salt, 1000, 66)
    # Counter mode with a little-endian counter from 1: the counter blocks encrypted one by one.
    blocks = b"".join((i + 1).to_bytes(16, "little") for i in range((len(packed) + 15) // 16))
    stream = subprocess.run(["openssl", "enc", "-aes-256-ecb", "-nopad", "-K", keys[:32].hex()], input=blocks,
                            capture_output=True, check=True).stdout
    encrypted = bytes(a ^ b for a, b in zip(packed, stream))
    code = hmac.new(keys[32:64], encrypted, hashlib.sha1).digest()[:10]
    body = salt + keys[64:66] + encrypted + code
    extra = struct.pack("<HHH2sBH", 0x9901, 7, 2, b"AE", 3, 8)
    fields = struct.pack("<HHHHHIIIHH", 51, 1, 99, 0x6DAF, 0x52CF, 0, len(body), len(data), len(name), len(extra))
    local = struct.pack("<I", 0x04034B50) + fields + name.encode() + extra + body
    central = (struct.pack("<IH", 0x02014B50, 63) + fields + struct.pack("<HHHII", 0, 0, 0, 0x20, 0) + name.encode()
               + extra)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), len(local), 0)
    with open(path, "wb") as f:
        f.write(local + central + end)


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
    aes_utf8_archive(os.path.join(out, "aes-utf8.zip"), "report.txt", NON_ASCII_PASSWORD)


main()

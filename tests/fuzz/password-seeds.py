# Seeds for the decryption fuzz target: small archives encrypted by 7-Zip (ZipCrypto, AES-128, -192,
# -256 over stored, deflate, bzip2 and LZMA data) and Info-ZIP zip -P (also streamed, with a data
# descriptor), each under the password "secret", each preceded by a password of the target's input
# format: the right one, a wrong one, and none.
#   python3 password-seeds.py FOLDER
import os
import subprocess
import sys
import tempfile

folder = os.path.abspath(sys.argv[1])
os.makedirs(folder, exist_ok=True)
ARCHIVES = {
    "zipcrypto-deflate": ["7z", "a", "-tzip", "-psecret", "-mem=ZipCrypto", "-mm=Deflate"],
    "zipcrypto-bzip2": ["7z", "a", "-tzip", "-psecret", "-mem=ZipCrypto", "-mm=BZip2"],
    "aes128-stored": ["7z", "a", "-tzip", "-psecret", "-mem=AES128", "-mx=0"],
    "aes192-lzma": ["7z", "a", "-tzip", "-psecret", "-mem=AES192", "-mm=LZMA"],
    "aes256-deflate": ["7z", "a", "-tzip", "-psecret", "-mem=AES256", "-mm=Deflate"],
    "aes256-bzip2": ["7z", "a", "-tzip", "-psecret", "-mem=AES256", "-mm=BZip2"],
    "infozip": ["zip", "-q", "-P", "secret"],
}

with tempfile.TemporaryDirectory() as work:
    with open(os.path.join(work, "text.txt"), "wb") as f:
        f.write(b"".join(b"line %d of an encrypted entry\n" % i for i in range(300)))
    with open(os.path.join(work, "small.txt"), "wb") as f:
        f.write(b"short\n")
    made = {}
    for name, command in ARCHIVES.items():
        path = os.path.join(work, name + ".zip")
        subprocess.run(command + [path, "text.txt", "small.txt"], cwd=work, check=True, stdout=subprocess.DEVNULL)
        made[name] = path
    streamed = os.path.join(work, "streamed.zip")
    with open(os.path.join(work, "small.txt"), "rb") as source, open(streamed, "wb") as out:
        subprocess.run(["zip", "-q", "-0", "-P", "secret", "-", "-"], stdin=source, stdout=out, check=True)
    made["infozip-streamed"] = streamed
    for name, path in made.items():
        with open(path, "rb") as f:
            archive = f.read()
        for label, password in (("right", b"secret"), ("wrong", b"Secret!"), ("none", b"")):
            with open(os.path.join(folder, "%s-%s" % (name, label)), "wb") as out:
                out.write(bytes([len(password)]) + password + archive)

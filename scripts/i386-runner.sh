#!/bin/sh
# Makes sure this machine can start 32-bit x86 Linux programs (the archive core's unit tests built
# as 32-bit code). Where the kernel runs no 32-bit code itself, Debian's qemu-user-static runs
# them, registered with the kernel's binfmt_misc. Run as root; does nothing when it is not needed.
set -eu
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
# A four-instruction program that ends with status 7.
printf '.globl _start\n_start:\n movl $1,%%eax\n movl $7,%%ebx\n int $0x80\n' >"$probe/p.s"
as --32 "$probe/p.s" -o "$probe/p.o" && ld -m elf_i386 "$probe/p.o" -o "$probe/p"
runs() { status=0; "$probe/p" 2>/dev/null || status=$?; [ $status -eq 7 ]; }
runs && exit 0

if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "install ok installed"; then
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends qemu-user-static >/dev/null
fi
BINFMT=/proc/sys/fs/binfmt_misc
[ -f $BINFMT/register ] || mount -t binfmt_misc binfmt_misc $BINFMT
# 32-bit x86 ELF executables and PIEs; F opens the emulator now, so it serves every mount namespace.
[ -f $BINFMT/qemu-i386 ] || printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' >$BINFMT/register
runs || { echo "i386-runner.sh: this machine runs no 32-bit x86 program, even through qemu" >&2; exit 1; }
echo "i386-runner.sh: the kernel runs no 32-bit code; 32-bit programs run through qemu-i386-static"

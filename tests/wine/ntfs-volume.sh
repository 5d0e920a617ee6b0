#!/bin/sh
# The volumes of the zone-mark tests (run as root): a real NTFS volume (an image under DIR, through
# ntfs-3g and FUSE), where Wine, like Windows, keeps "name:Zone.Identifier" as a named stream of
# "name" that moves with it, and beside it an ordinary tmpfs, where that name is just another file.
#   ntfs-volume.sh up|down DIR      (DIR/ntfs and DIR/tmpfs)
set -eu
action=$1
dir=$2
case "$action" in
up)
  sh "$0" down "$dir" || true
  mkdir -p "$dir/ntfs" "$dir/tmpfs"
  # Sparse: the 256 MiB take a few MiB of the build disk.
  truncate -s 256M "$dir/volume.img"
  mkntfs -F -Q -q "$dir/volume.img" >/dev/null 2>&1 || { echo "mkntfs failed (is ntfs-3g installed?)" >&2; exit 1; }
  ntfs-3g -o streams_interface=windows "$dir/volume.img" "$dir/ntfs" ||
    { echo "cannot mount the NTFS image (is /dev/fuse there?)" >&2; exit 1; }
  mount -t tmpfs -o size=16m tavoline-no-streams "$dir/tmpfs"
  ;;
down)
  for mnt in tmpfs ntfs; do
    # A Wine process that still holds a file keeps the volume busy: detached then, gone with it.
    if mountpoint -q "$dir/$mnt"; then umount "$dir/$mnt" || umount -l "$dir/$mnt"; fi
  done
  # Without the volumes, no folders either: a test run without them fails instead of writing here.
  rm -f "$dir/volume.img"
  rmdir "$dir/tmpfs" "$dir/ntfs" 2>/dev/null || true
  ;;
*)
  echo "usage: $0 up|down DIR" >&2
  exit 2
  ;;
esac

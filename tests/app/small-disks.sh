#!/bin/sh
# Small disks for the failure tests (run as root): two 4 MiB tmpfs that a job fills, and a read-only
# view of a folder the tests write through the writable side.
#   small-disks.sh mount|unmount ROOT
set -eu
action=$1
root=$2
case "$action" in
mount)
  "$0" unmount "$root" 2>/dev/null || true
  mkdir -p "$root/unzip-full" "$root/zip-full" "$root/writable" "$root/read-only"
  mount -t tmpfs -o size=4m tavoline-unzip-full "$root/unzip-full"
  mount -t tmpfs -o size=4m tavoline-zip-full "$root/zip-full"
  # Made read-only before it is moved into place: a copy of this mount that appears elsewhere (the
  # 32-bit build's tests see the project through a bind, scripts/wow64-enter.sh) is read-only too.
  staging=$(mktemp -d)
  mount --bind "$root/writable" "$staging"
  mount -o remount,bind,ro "$staging"
  mount --move "$staging" "$root/read-only"
  rmdir "$staging"
  ;;
unmount)
  for dir in read-only zip-full unzip-full; do
    if mountpoint -q "$root/$dir"; then umount "$root/$dir"; fi
  done
  rm -rf "$root/writable"
  ;;
*)
  echo "usage: $0 mount|unmount ROOT" >&2
  exit 2
  ;;
esac

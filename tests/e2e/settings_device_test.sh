#!/usr/bin/env bash
# Saving the settings on devices that refuse the write: a directory with no room for a new file, a disk
# with no room for its bytes, and a read-only device. Each is a small tmpfs holding a copy of tarmik.exe;
# making them needs mount(8) rights, and the test is skipped (77) where there are none.
#   settings_device_test.sh BUILD_DIR SOURCE_DIR DRIVER_EXE
set -uo pipefail
build=$(realpath "$1"); source=$(realpath "$2"); driver=$3
root=$build/settings-devices
exe=$build/tarmik.exe

cleanup() {
  for name in full-directory full-disk read-only; do
    mountpoint -q "$root/$name" && { umount "$root/$name" 2>/dev/null || umount -l "$root/$name"; }
  done
}
trap cleanup EXIT
cleanup
mkdir -p "$root/full-directory" "$root/full-disk" "$root/read-only"

size=$(( ($(stat -c %s "$exe") / 4096 + 64) * 4096 ))
# Two inodes: the folder and the program; the settings file cannot be created.
mount -t tmpfs -o size=$size,nr_inodes=2 tmpfs "$root/full-directory" 2>/dev/null || { echo "no mount rights: skipped"; exit 77; }
cp "$exe" "$root/full-directory/" || exit 1
# Room for the file's name but not for one byte of it.
mount -t tmpfs -o size=$size tmpfs "$root/full-disk" || exit 1
cp "$exe" "$root/full-disk/" || exit 1
dd if=/dev/zero of="$root/full-disk/filler" bs=4096 2>/dev/null
# A device mounted read-only.
mount -t tmpfs -o size=$size tmpfs "$root/read-only" || exit 1
cp "$exe" "$root/read-only/" || exit 1
mount -o remount,ro "$root/read-only" || exit 1

export TARMIK_BUILD=$build TARMIK_SOURCE=$source SETTINGS_DEVICES=$root
"$source/tests/support/wineenv" run "$build" "$driver"

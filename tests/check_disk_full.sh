#!/bin/sh
# Saves favourites on a real, nearly full disk: a 1 MB tmpfs mounted in a
# mount namespace of this test's own, gone with it. Without mount namespaces
# (not root, no user namespaces) it exits 77, which ctest reports as skipped.
#
#   check_disk_full.sh UNIT_TEST_PROGRAM
set -eu
unshare -m true 2>/dev/null || { echo "no mount namespace: not run"; exit 77; }
exec unshare -m sh -c '
  disk=$(mktemp -d)
  mount -t tmpfs -o size=1m tmpfs "$disk"
  status=0
  TABULON_FULL_DISK="$disk" "$0" --gtest_filter=FavouritesSave.OnANearlyFullDiskNothingChanges ||
    status=$?
  umount "$disk"
  rmdir "$disk"
  exit $status' "$1"

#!/usr/bin/env bash
# start PREFIX: a 1 GiB + 64 MiB memory-backed file system at PREFIX.small_disk, seen by the
# programs of that Wine prefix as drive S:, for the installer's free-space check. Without the
# right to mount (not root) nothing is made and the tests that need the drive skip.
# stop PREFIX: the drive letter and the mount go.
set -uo pipefail
action=${1:?usage: small_disk.sh start|stop PREFIX}
prefix=${2:?usage: small_disk.sh start|stop PREFIX}
mount_point=$prefix.small_disk
drive=$prefix/dosdevices/s:
case $action in
  start)
    mkdir -p "$mount_point" "$prefix/dosdevices"
    if ! mountpoint -q "$mount_point"; then
      if ! mount -t tmpfs -o size=1140850688 tmpfs "$mount_point" 2>/dev/null; then
        echo "no small disk: cannot mount here"
        exit 0
      fi
    fi
    ln -sfn "$mount_point" "$drive"
    echo "small disk at $mount_point as S:"
    ;;
  stop)
    rm -f "$drive"
    if mountpoint -q "$mount_point"; then umount "$mount_point"; fi
    rmdir "$mount_point" 2>/dev/null || true
    ;;
  *) echo "usage: small_disk.sh start|stop PREFIX" >&2; exit 2 ;;
esac

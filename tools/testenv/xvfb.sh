#!/usr/bin/env bash
# start PREFIX: start Xvfb on a free display and record it in PREFIX.display, where
# wine-run.sh finds it. stop PREFIX: stop that server.
set -euo pipefail
action=${1:?usage: xvfb.sh start|stop PREFIX}
prefix=$(realpath -m -- "${2:?usage: xvfb.sh start|stop PREFIX}")
display_file=$prefix.display
pid_file=$prefix.xvfb.pid
case $action in
  start)
    if [ -f "$pid_file" ] && kill -0 "$(cat "$pid_file")" 2>/dev/null; then exit 0; fi
    for n in $(seq 90 140); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
      setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
      pid=$!
      for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
      done
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        echo "$pid" >"$pid_file"
        echo ":$n" >"$display_file"
        echo "Xvfb running on :$n"
        exit 0
      fi
    done
    echo "could not start Xvfb" >&2
    exit 1
    ;;
  stop)
    if [ -f "$pid_file" ]; then kill "$(cat "$pid_file")" 2>/dev/null || true; fi
    rm -f "$pid_file" "$display_file"
    ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac

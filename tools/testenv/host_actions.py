#!/usr/bin/env python3
"""Host-side actions a Windows test under Wine cannot take itself.

  host_actions.py kill --match TEXT [--after MS] --state DIR
      waits up to 30 s for the one Unix process whose command line holds TEXT (Wine shows a
      program's Windows command line there), lets it run MS milliseconds, sends it SIGKILL and
      waits up to 10 s until it is gone ("done" also when it ended by itself meanwhile). A test
      starts this before the program, so that Python's start-up under Wine does not delay the
      kill. A Windows program cannot learn its own Unix pid: Wine opens files in wineserver,
      so Z:\\proc\\self is that.
  host_actions.py mount --dir DIR --size SIZE [--readonly] --state STATE
      mounts a tmpfs of SIZE (for example 4m) on DIR: a small disk that fills up, or with
      --readonly a folder nothing can be written to (also not by root).
  host_actions.py unmount --dir DIR --state STATE
      unmounts it again (lazily when it is still busy).

Each action writes STATE/done when it succeeded and STATE/failed with the reason otherwise: a
test started from Wine cannot read a host program's exit code. Mounting needs root (or a
permitted user namespace); without it the reason says so and the test skips.
"""
import argparse
import os
import signal
import subprocess
import sys
import time

from host_control import prepare_state, write_atomically


def processes_holding(text):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open("/proc/{}/cmdline".format(entry), "rb") as f:
                line = f.read().replace(b"\0", b" ").decode("utf-8", "replace")
        except OSError:
            continue  # ended meanwhile
        if text in line:
            found.append(int(entry))
    return found


def gone(pid):
    try:
        with open("/proc/{}/stat".format(pid)) as f:
            return f.read().split(") ")[-1].startswith("Z")  # ended; not collected yet
    except OSError:
        return True


def kill(args):
    deadline = time.monotonic() + 30
    found = processes_holding(args.match)
    while not found and time.monotonic() < deadline:
        time.sleep(0.01)
        found = processes_holding(args.match)
    if len(found) != 1:
        return "{} processes hold {!r} in their command line, not one".format(len(found), args.match)
    pid = found[0]
    time.sleep(args.after / 1000)
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        return None  # already gone
    except OSError as error:
        return "cannot kill {}: {}".format(pid, error)
    for _ in range(1000):
        if gone(pid):
            return None
        time.sleep(0.01)
    return "process {} still runs".format(pid)


def mount(args):
    options = "size={}".format(args.size) + (",ro" if args.readonly else "")
    result = subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", args.dir],
                            stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if result.returncode != 0:
        return "mounting a tmpfs is not permitted here ({})".format(result.stderr.strip() or result.returncode)
    return None


def unmount(args):
    result = subprocess.run(["umount", args.dir], stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if result.returncode != 0:
        result = subprocess.run(["umount", "-l", args.dir], stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if result.returncode != 0:
        return "cannot unmount {}: {}".format(args.dir, result.stderr.strip())
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["kill", "mount", "unmount"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--match")
    parser.add_argument("--after", type=int, default=0)
    parser.add_argument("--dir")
    parser.add_argument("--size", default="4m")
    parser.add_argument("--readonly", action="store_true")
    args = parser.parse_args()
    state = prepare_state(args.state, names=("done", "failed"))
    try:
        problem = {"kill": kill, "mount": mount, "unmount": unmount}[args.action](args)
    except Exception as error:  # reported to the waiting test rather than lost
        problem = str(error)
    if problem:
        write_atomically(os.path.join(state, "failed"), problem)
        return 1
    write_atomically(os.path.join(state, "done"), "")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Host-side actions a Windows test under Wine cannot take itself.

  host_actions.py kill --pid PID --state DIR
      SIGKILL to a Unix process (a Wine process reports its own pid, see the download tests),
      then waits up to 10 s until it is gone.
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


def kill(args):
    try:
        os.kill(args.pid, signal.SIGKILL)
    except ProcessLookupError:
        return None  # already gone
    except OSError as error:
        return "cannot kill {}: {}".format(args.pid, error)
    for _ in range(1000):
        if not os.path.exists("/proc/{}".format(args.pid)):
            return None
        with open("/proc/{}/stat".format(args.pid)) as f:
            if f.read().split(") ")[-1].startswith("Z"):
                return None  # ended; its parent has not collected it yet
        time.sleep(0.01)
    return "process {} still runs".format(args.pid)


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
    parser.add_argument("--pid", type=int)
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

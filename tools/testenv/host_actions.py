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
  host_actions.py symlink --dir TARGET --link LINK --state STATE
      makes LINK a Unix symbolic link to the folder TARGET, which Wine shows as a reparse point (a
      junction's stand-in: Wine 8's CreateSymbolicLinkW only pretends to succeed).
  host_actions.py starve-fds --holder FILE --state STATE
      finds the one Wine program (not wineserver) that holds FILE open, lowers its limit of open
      files to the lowest free descriptor, so that it cannot open one more (and with that cannot
      start a thread: Wine gives each thread its own pipes), writes STATE/starved, waits up to
      60 s until a second byte is written to FILE (the program cannot create a file meanwhile,
      but can write to one it holds) and puts the limit back. Works for root too, and in 32- and 64-bit
      processes alike.

Each action writes STATE/done when it succeeded and STATE/failed with the reason otherwise: a
test started from Wine cannot read a host program's exit code. Mounting needs root (or a
permitted user namespace); without it the reason says so and the test skips.
"""
import argparse
import itertools
import os
import resource
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


def processes_with_open(path):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.path.basename(os.readlink("/proc/{}/exe".format(entry))).startswith("wineserver"):
                continue
            descriptors = os.listdir("/proc/{}/fd".format(entry))
            if any(os.readlink("/proc/{}/fd/{}".format(entry, fd)) == path for fd in descriptors):
                found.append(int(entry))
        except OSError:
            continue  # ended meanwhile, or not ours to look into
    return found


def starve_fds(args, state):
    holder = os.path.realpath(args.holder)
    deadline = time.monotonic() + 10
    found = processes_with_open(holder)
    while len(found) != 1 and time.monotonic() < deadline:
        time.sleep(0.05)
        found = processes_with_open(holder)
    if len(found) != 1:
        return "{} processes hold {} open, not one".format(len(found), holder)
    pid = found[0]
    soft, hard = resource.prlimit(pid, resource.RLIMIT_NOFILE)
    used = {int(fd) for fd in os.listdir("/proc/{}/fd".format(pid))}
    lowest_free = next(n for n in itertools.count() if n not in used)
    resource.prlimit(pid, resource.RLIMIT_NOFILE, (lowest_free, hard))
    try:
        write_atomically(os.path.join(state, "starved"), str(lowest_free))
        deadline = time.monotonic() + 60
        while os.path.getsize(holder) < 2 and time.monotonic() < deadline:
            time.sleep(0.01)
    finally:
        try:
            resource.prlimit(pid, resource.RLIMIT_NOFILE, (soft, hard))
        except ProcessLookupError:
            pass  # the program ended meanwhile
    return None


def symlink(args):
    os.symlink(args.dir, args.link, target_is_directory=True)
    return None


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
    parser.add_argument("action", choices=["kill", "mount", "unmount", "starve-fds", "symlink"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--match")
    parser.add_argument("--after", type=int, default=0)
    parser.add_argument("--dir")
    parser.add_argument("--size", default="4m")
    parser.add_argument("--readonly", action="store_true")
    parser.add_argument("--holder")
    parser.add_argument("--link")
    args = parser.parse_args()
    state = prepare_state(args.state, names=("done", "failed", "starved"))
    actions = {"kill": kill, "mount": mount, "unmount": unmount, "starve-fds": lambda a: starve_fds(a, state),
               "symlink": symlink}
    try:
        problem = actions[args.action](args)
    except Exception as error:  # reported to the waiting test rather than lost
        problem = str(error)
    if problem:
        write_atomically(os.path.join(state, "failed"), problem)
        return 1
    write_atomically(os.path.join(state, "done"), "")
    return 0


if __name__ == "__main__":
    sys.exit(main())

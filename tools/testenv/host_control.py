"""What the host-side test servers share: the state folder they report through (Windows tests
started from Wine cannot read a host program's exit code), a detached start of their own
"serve" action, and a stop by pid file."""
import os
import signal
import subprocess
import sys
import time


def write_atomically(path, text):
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def prepare_state(state, names=("port", "failed", "stopped", "pid")):
    """Creates the state folder and removes what an earlier run reported there."""
    state = os.path.abspath(state)
    os.makedirs(state, exist_ok=True)
    for name in names:
        if os.path.exists(os.path.join(state, name)):
            os.remove(os.path.join(state, name))
    return state


def spawn_serve(script, arguments, log_path):
    """Runs `script serve ARGUMENTS` in its own session, detached from the caller."""
    # Started from Wine, sys.executable is empty: take the interpreter from /proc.
    python = sys.executable or os.path.realpath("/proc/self/exe")
    with open(log_path, "w") as log:
        subprocess.Popen([python, os.path.abspath(script), "serve"] + list(arguments),
                         stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)


def stop_by_pid_file(state, pid_name="pid", gentle=signal.SIGTERM, hard=signal.SIGKILL):
    """Asks the process to end, waits up to 5 s, then ends it; reports "stopped" either way."""
    try:
        with open(os.path.join(state, pid_name)) as f:
            pid = int(f.read().strip())
        os.kill(pid, gentle)
        for _ in range(200):
            os.kill(pid, 0)
            time.sleep(0.025)
        os.kill(pid, hard)
    except (OSError, ValueError):
        pass  # not running, or gone
    write_atomically(os.path.join(state, "stopped"), "")
    return 0


def run_server(state, make_server):
    """Serves until SIGTERM with the server make_server() returns (None: nothing to serve). The
    port goes to STATE/port, the pid to STATE/pid, a failure to build the server to STATE/failed
    (the waiting test cannot see our exit code)."""
    try:
        server = make_server()
    except Exception as error:
        write_atomically(os.path.join(state, "failed"), str(error))
        return 1
    if server is None:
        return 0
    write_atomically(os.path.join(state, "pid"), str(os.getpid()))
    write_atomically(os.path.join(state, "port"), str(server.server_address[1]))
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    server.serve_forever()
    return 0

#!/usr/bin/env python3
"""Starts and stops a private nginx on a free loopback port, for tests.

  nginx_server.py start --state DIR --root FOLDER [--extra FILE] [--cert PEM --key KEY]
  nginx_server.py stop --state DIR

start writes DIR/nginx.conf (own pid, temp and log paths), serves FOLDER and includes FILE
(extra `location` blocks, such as redirects) in the server block; with --cert and --key it
speaks HTTPS with that certificate. When nginx runs, the port is
written to DIR/port (atomically), so a caller that cannot read our exit code (a Windows test
under Wine) polls for that file; a failure is written to DIR/failed instead.
stop ends that nginx, waits for it to go, and writes DIR/stopped.
"""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys

from host_control import stop_by_pid_file, write_atomically

CONF = """\
{user}
daemon on;
worker_processes 1;
pid {state}/nginx.pid;
error_log {state}/error.log warn;
events {{ worker_connections 256; }}
http {{
    access_log {state}/access.log;
    client_body_temp_path {state}/tmp/body;
    proxy_temp_path {state}/tmp/proxy;
    fastcgi_temp_path {state}/tmp/fastcgi;
    uwsgi_temp_path {state}/tmp/uwsgi;
    scgi_temp_path {state}/tmp/scgi;
    default_type application/octet-stream;
    sendfile on;
    keepalive_timeout 30;
    server {{
        listen 127.0.0.1:{port}{tls};
        server_name localhost;
        root {root};
        {include}
        location / {{ }}
    }}
}}
"""


def nginx_binary():
    for candidate in (shutil.which("nginx"), "/usr/sbin/nginx"):
        if candidate and os.path.exists(candidate):
            return candidate
    raise SystemExit("nginx is not installed")


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start(args):
    state = os.path.abspath(args.state)
    os.makedirs(os.path.join(state, "tmp"), exist_ok=True)
    for name in ("port", "failed", "stopped"):
        if os.path.exists(os.path.join(state, name)):
            os.remove(os.path.join(state, name))
    include = "include {};".format(os.path.abspath(args.extra)) if args.extra else ""
    tls = ""
    if args.cert:
        tls = " ssl"
        include += " ssl_certificate {}; ssl_certificate_key {};".format(os.path.abspath(args.cert),
                                                                          os.path.abspath(args.key))
    # As root the workers would otherwise run as an account that cannot read the test folders.
    user = "user root;" if os.geteuid() == 0 else ""
    error = ""
    for _ in range(5):  # another process may take the port between our probe and nginx's bind
        port = free_port()
        conf = os.path.join(state, "nginx.conf")
        with open(conf, "w") as f:
            f.write(CONF.format(user=user, state=state, port=port, tls=tls, root=os.path.abspath(args.root),
                                include=include))
        run = subprocess.run([nginx_binary(), "-p", state, "-c", conf], capture_output=True, text=True)
        if run.returncode == 0:
            write_atomically(os.path.join(state, "port"), str(port))
            return 0
        error = run.stderr
        if "Address already in use" not in error:
            break
    write_atomically(os.path.join(state, "failed"), error)
    sys.stderr.write(error)
    return 1


def stop(args):
    # nginx ends gracefully on SIGQUIT and at once on SIGTERM.
    return stop_by_pid_file(os.path.abspath(args.state), "nginx.pid", signal.SIGQUIT, signal.SIGTERM)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "stop"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--root")
    parser.add_argument("--extra")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    if args.action == "start":
        if not args.root:
            parser.error("start needs --root")
        if bool(args.cert) != bool(args.key):
            parser.error("--cert and --key go together")
        return start(args)
    return stop(args)


if __name__ == "__main__":
    sys.exit(main())

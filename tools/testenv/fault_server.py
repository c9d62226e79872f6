#!/usr/bin/env python3
"""A package server that misbehaves on purpose, for the download engine's tests.

  fault_server.py start --state DIR --root FOLDER
  fault_server.py stop --state DIR

start runs the server in the background on a free loopback port. It serves the files under
FOLDER (GET and HEAD, single byte ranges, keep-alive) and answers a POST with its own body.
What it does besides is read from the file DIR/scenario before every request, so that one
server can play many scenarios in turn: its first line names a scenario (one entry of
SCENARIOS), each further line FROM=TO makes the URL path FROM answer with a 302 to the path TO.
A new content starts the scenario afresh (its counts reset); a caller that repeats a scenario
adds a line of its own to make the content new.

The port goes to DIR/port once the server listens, a start failure to DIR/failed, and every
request to DIR/requests.log, one line each: method, path, Range header ("-" when none), status,
tab-separated. A caller that cannot read our exit code (a Windows test under Wine) polls for
those files. stop ends the server and writes DIR/stopped.

Python standard library only.
"""
import argparse
import gzip
import os
import select
import socket
import struct
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from host_control import prepare_state, run_server, spawn_serve, stop_by_pid_file, write_atomically

MIB = 1024 * 1024
SEGMENT = 10 * MIB  # where the segmented downloader's second range begins

# Each scenario is data: an optional "redirect" shape ("direct", "chain" or "loop") and a list of
# "rules" for requests of files. A rule matches GET requests (also HEAD with "head": True),
# optionally only those whose range begins at or after "range_from", and only its first "count"
# matches when a count is given. The first rule that matches decides the answer:
#   status: N          answer N with a short text body
#   close_after: N     send N body bytes, then close (N < 0: all but -N bytes)
#   stall_after: N     send N body bytes, then nothing until the client goes
#   ignore_range: True answer 200 with the whole file even when a range was asked for
#   extend_range: True answer a range with everything from its first byte to the file's end
#   extra_length: N    declare N bytes more than the body holds, send the body, then close
#   rate: N            send at most N bytes per second
#   reset: True        read the request, then reset the connection without answering
#   gzip: True         compress a whole-file answer with gzip when the request accepts gzip
#   no_length: True    declare no length: the body ends when the connection closes
# A scenario may instead list "answers": made-up responses to GET requests of any path, for the
# headers and pages a file server cannot give. The first answer whose "count" is not used up
# (no count: every time) is sent as written:
#   status: N          the status (200 when absent)
#   headers: [(n, v)]  header lines in order, names in the letter case given; a Content-Length
#                      of the body's size is added unless one is listed
#   line_end: TEXT     what ends each header line ("\r\n" when absent)
#   body: BYTES        the body
SCENARIOS = {
    "correct": {},
    "close-first-3": {"rules": [{"count": 3, "close_after": 256 * 1024}]},
    "close-always": {"rules": [{"close_after": 64 * 1024}]},
    # A single byte, then silence: the client's average speed is below 1 byte per second at once.
    "stall-first": {"rules": [{"count": 1, "stall_after": 1}]},
    "stall-always": {"rules": [{"stall_after": 1}]},
    "status-404": {"rules": [{"status": 404}]},
    "status-416": {"rules": [{"status": 416}]},
    "status-500": {"rules": [{"status": 500}]},
    "status-500-first-2": {"rules": [{"count": 2, "status": 500}]},
    "ignore-range": {"rules": [{"ignore_range": True}]},
    "close-first-then-ignore-range": {
        "rules": [{"count": 1, "close_after": 256 * 1024}, {"ignore_range": True}]
    },
    "length-too-long": {"rules": [{"head": True, "extra_length": 1000}]},
    "extend-range-first": {"rules": [{"count": 1, "extend_range": True}]},
    "one-byte-short-first": {"rules": [{"count": 1, "close_after": -1}]},
    # The second range: cut once after 64 KiB, then refused 7 times (its first run's whole budget).
    "second-range-fails-first-8": {
        "rules": [
            {"count": 1, "range_from": SEGMENT, "close_after": 64 * 1024},
            {"count": 7, "range_from": SEGMENT, "status": 404},
        ]
    },
    "second-range-close-always": {"rules": [{"range_from": SEGMENT, "close_after": 64 * 1024}]},
    "slow": {"rules": [{"rate": 3 * MIB}]},
    "gzip": {"rules": [{"gzip": True}]},
    # 1.5 MiB at 1 MiB per second (long enough for progress to be reported), cut, then refused.
    "slow-cut-then-404": {"rules": [{"count": 1, "close_after": 3 * MIB // 2, "rate": MIB}, {"status": 404}]},
    "no-length": {"rules": [{"no_length": True}]},
    # Half of the body, then the connection closes: without a length nothing tells it was cut.
    "no-length-cut-first": {"rules": [{"count": 1, "no_length": True, "close_after": 2 * MIB + 123}]},
    "reset-first-2": {"rules": [{"count": 2, "reset": True}]},
    "reset-always": {"rules": [{"reset": True}]},
    "redirect-chain": {"redirect": "chain"},
    "redirect-loop": {"redirect": "loop"},
    "refuse": {"refuse": True},
    "cookies-two": {"answers": [{"headers": [("Set-Cookie", "a=1"), ("Set-Cookie", "b=2")], "body": b"c"}]},
    "cookies-case": {
        "answers": [{"headers": [("Set-Cookie", "Token=XY"), ("Set-Cookie", "token=xy")], "body": b"c"}]
    },
    # A value ending in ";" and one with trailing spaces, in the middle and at the end.
    "cookies-ragged": {
        "answers": [{"headers": [("Set-Cookie", "a=1;"), ("Set-Cookie", "b=2   "), ("Set-Cookie", "c=3;  ")],
                     "body": b"c"}]
    },
    # Cookies and a charset only with the first of three answers; the first two are cut pages.
    "cookies-first-of-three": {
        "answers": [
            {"count": 1, "body": b"<html>cut",
             "headers": [("Set-Cookie", "a=1"), ("Content-Type", "text/html; charset=utf-8")]},
            {"count": 1, "body": b"<html>cut"},
            {"body": b"<html>whole</html>"},
        ]
    },
    "charset-capitals": {
        "answers": [{"headers": [("Content-Type", "text/html; CHARSET=UTF-8")],
                     "body": "<html>安装完成</html>".encode("utf-8")}]
    },
    "charset-quoted": {
        "answers": [{"headers": [("Content-Type", 'text/html; charset="utf-8"')],
                     "body": "<html>安装完成</html>".encode("utf-8")}]
    },
    # Bytes the ANSI code page reads; the charset named is not UTF-8, or there is none.
    "charset-gbk": {
        "answers": [{"headers": [("Content-Type", "text/html; charset=gbk")], "body": b"caf\xe9 \x80 \xa3"}]
    },
    "charset-latin1": {
        "answers": [{"headers": [("Content-Type", "text/plain; charset=iso-8859-1")], "body": b"caf\xe9 \x80 \xa3"}]
    },
    "charset-none": {"answers": [{"headers": [("Content-Type", "text/html")], "body": b"\xe4\xb8\xad caf\xe9"}]},
    "page-cut-always": {"answers": [{"headers": [("Content-Type", "text/html")], "body": b"<html><body>cut"}]},
    "page-cut-first": {
        "answers": [
            {"count": 1, "headers": [("Content-Type", "text/html")], "body": b"<html><body>cut"},
            {"headers": [("Content-Type", "text/html")], "body": b"<html><body>whole</body></html>"},
        ]
    },
    "page-capitals": {
        "answers": [{"headers": [("Content-Type", "text/html")], "body": b"<HTML><BODY>whole</BODY></Html>"}]
    },
    "length-odd-case": {"answers": [{"headers": [("cONTENT-lENGTH", "5")], "body": b"hello"}]},
    # Declares more than 32 bits can count, sends five bytes and closes.
    "length-beyond-32-bits": {"answers": [{"headers": [("Content-Length", "4294967301")], "body": b"hello"}]},
    # 64 KiB of header lines: a cookie and a location (of a 201, not followed) of 32 KiB each.
    # A redirect nobody follows: a list of choices.
    "status-300": {
        "answers": [{"status": 300, "headers": [("Content-Type", "text/html")], "body": b"<html>choose one</html>\n"}]
    },
    "location-crlf": {
        "answers": [{"status": 201, "headers": [("Location", "http://127.0.0.1:1/next?x=1")], "body": b"made"}]
    },
    "location-lf": {
        "answers": [{"status": 201, "line_end": "\n", "headers": [("Location", "https://127.0.0.1:1/lf")],
                     "body": b"made"}]
    },
}
CHAIN_HOPS = 3


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, root, state):
        super().__init__(address, Handler)
        self.root = os.path.abspath(root)
        self.state = state
        self.log_path = os.path.join(state, "requests.log")
        self.lock = threading.Lock()
        self.loaded = None
        self.scenario, self.rules, self.answers, self.redirects = {}, [], [], {}
        self.refresh()

    def refresh(self):
        """Takes up the scenario file when its content has changed."""
        with self.lock:
            text = read_scenario_file(self.state)
            if text is None or text == self.loaded:
                return
            name, redirects = parse_scenario_file(text)
            self.scenario = SCENARIOS.get(name, {})
            self.rules = [dict(rule) for rule in self.scenario.get("rules", [])]
            self.answers = [dict(answer) for answer in self.scenario.get("answers", [])]
            self.redirects = redirects
            self.loaded = text

    def pick_rule(self, method, range_start):
        with self.lock:
            for rule in self.rules:
                if method == "HEAD" and not rule.get("head"):
                    continue
                if "range_from" in rule and (range_start is None or range_start < rule["range_from"]):
                    continue
                if "count" in rule:
                    if rule["count"] <= 0:
                        continue
                    rule["count"] -= 1
                return rule
        return {}

    def pick_answer(self):
        with self.lock:
            for answer in self.answers:
                if "count" in answer:
                    if answer["count"] <= 0:
                        continue
                    answer["count"] -= 1
                return answer
        return None

    def log(self, method, path, range_header, status):
        with self.lock:
            with open(self.log_path, "a") as f:
                f.write("{}\t{}\t{}\t{}\n".format(method, path, range_header or "-", status))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self.answer("HEAD")

    def do_GET(self):
        self.answer("GET")

    def do_POST(self):
        # Echoes the request body, whatever the path: a client's POST is judged by what comes back.
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        self.server.log("POST", self.path, self.headers.get("Range"), 200)
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect_target(self):
        path = self.path
        shape = self.server.scenario.get("redirect", "direct")
        if path in self.server.redirects:
            target = self.server.redirects[path]
            if shape == "chain":
                return "/hop/1?" + target
            if shape == "loop":
                return "/loop/a"
            return target
        if path.startswith("/hop/"):
            number, _, target = path[len("/hop/"):].partition("?")
            return target if int(number) >= CHAIN_HOPS else "/hop/{}?{}".format(int(number) + 1, target)
        if path == "/loop/a":
            return "/loop/b"
        if path == "/loop/b":
            return "/loop/a"
        return None

    def simple(self, method, status, text, extra_headers=()):
        body = text.encode()
        self.server.log(method, self.path, self.headers.get("Range"), status)
        self.send_response(status)
        for name, value in extra_headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if method == "GET":
            self.wfile.write(body)

    def answer(self, method):
        self.server.refresh()
        target = self.redirect_target()
        if target is not None:
            self.simple(method, 302, "moved", [("Location", target)])
            return
        answer = self.server.pick_answer() if method == "GET" else None
        if answer is not None:
            self.made_up(method, answer)
            return
        file_path = os.path.normpath(os.path.join(self.server.root, self.path.split("?")[0].lstrip("/")))
        if not file_path.startswith(self.server.root + os.sep) or not os.path.isfile(file_path):
            self.simple(method, 404, "not found")
            return
        size = os.path.getsize(file_path)
        range_header = self.headers.get("Range")
        span = parse_range(range_header, size) if range_header else None
        rule = self.server.pick_rule(method, span[0] if span else None)
        if rule.get("reset"):
            self.reset(method, range_header)
            return
        if "status" in rule:
            self.simple(method, rule["status"], "fault")
            return
        if range_header and span is None:
            self.simple(method, 416, "range not satisfiable", [("Content-Range", "bytes */{}".format(size))])
            return
        if span is None or rule.get("ignore_range"):
            status, first, last = 200, 0, size - 1
        else:
            status, first, last = 206, span[0], span[1]
            if rule.get("extend_range"):
                last = size - 1
        length = last - first + 1
        declared = length + rule.get("extra_length", 0)
        if rule.get("gzip") and status == 200 and "gzip" in (self.headers.get("Accept-Encoding") or ""):
            self.send_gzip(method, file_path)
            return
        self.server.log(method, self.path, range_header, status)
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Accept-Ranges", "bytes")
        if rule.get("no_length"):
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(declared))
        if status == 206:
            self.send_header("Content-Range", "bytes {}-{}/{}".format(first, last, size))
        self.end_headers()
        if method == "HEAD":
            return
        limit = length
        if "close_after" in rule:
            cut = rule["close_after"]
            limit = min(length, cut if cut >= 0 else max(0, length + cut))
        elif "stall_after" in rule:
            limit = min(length, rule["stall_after"])
        self.send_body(file_path, first, limit, rule.get("rate"))
        if "stall_after" in rule:
            self.stall()
        if limit < declared:
            self.close_connection = True

    def send_gzip(self, method, file_path):
        with open(file_path, "rb") as f:
            body = gzip.compress(f.read(), compresslevel=1)
        self.server.log(method, self.path, None, 200)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def made_up(self, method, answer):
        # Written byte for byte: the header names, their order and the line ends are the test's.
        status = answer.get("status", 200)
        body = answer.get("body", b"")
        headers = list(answer.get("headers", []))
        if not any(name.lower() == "content-length" for name, _ in headers):
            headers.append(("Content-Length", str(len(body))))
        line_end = answer.get("line_end", "\r\n")
        head = "HTTP/1.1 {} {}{}".format(status, self.responses.get(status, ("Answer",))[0], line_end)
        head += "".join("{}: {}{}".format(name, value, line_end) for name, value in headers) + line_end
        self.server.log(method, self.path, self.headers.get("Range"), status)
        try:
            self.wfile.write(head.encode("utf-8") + body)
            self.wfile.flush()
        except OSError:
            self.close_connection = True
        # The connection stays open like any other answer's unless the body is not what was declared.
        declared = next((value for name, value in headers if name.lower() == "content-length"), "")
        if not declared.isdigit() or int(declared) != len(body):
            self.close_connection = True

    def send_body(self, file_path, first, count, rate):
        started = time.monotonic()
        sent = 0
        with open(file_path, "rb") as f:
            f.seek(first)
            while sent < count:
                block = f.read(min(256 * 1024, count - sent, rate or count))
                if not block:
                    break
                try:
                    self.wfile.write(block)
                except OSError:
                    self.close_connection = True
                    return
                sent += len(block)
                if rate:
                    ahead = sent / rate - (time.monotonic() - started)
                    if ahead > 0:
                        time.sleep(ahead)

    def reset(self, method, range_header):
        # A zero linger time makes the close a reset: the client sees no response at all.
        self.server.log(method, self.path, range_header, 0)
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.close_connection = True

    def stall(self):
        # Send nothing until the client gives up and closes the connection.
        self.wfile.flush()
        while True:
            readable, _, _ = select.select([self.connection], [], [], 0.5)
            if readable:
                try:
                    if not self.connection.recv(4096):
                        break
                except OSError:
                    break
        self.close_connection = True


def parse_range(header, size):
    """(first, last) of a single "bytes=" range, or None when it cannot be satisfied."""
    if not header.startswith("bytes=") or "," in header:
        return None
    first_text, _, last_text = header[len("bytes="):].strip().partition("-")
    try:
        if first_text == "":
            suffix = int(last_text)
            return (max(0, size - suffix), size - 1) if suffix > 0 else None
        first = int(first_text)
        last = int(last_text) if last_text else size - 1
    except ValueError:
        return None
    if first >= size or first > last:
        return None
    return first, min(last, size - 1)


def read_scenario_file(state):
    try:
        with open(os.path.join(state, "scenario")) as f:
            return f.read()
    except OSError:
        return None


def parse_scenario_file(text):
    lines = text.splitlines()
    name = lines[0].strip() if lines else "correct"
    redirects = dict(line.split("=", 1) for line in lines[1:] if "=" in line)
    return name, redirects


def serve(args):
    state = os.path.abspath(args.state)

    def make_server():
        name, _ = parse_scenario_file(read_scenario_file(state) or "correct")
        if name not in SCENARIOS:
            raise ValueError("unknown scenario " + name)
        if SCENARIOS[name].get("refuse"):
            # A port that was free a moment ago and has nobody listening: connections are refused.
            with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
                s.bind(("127.0.0.1", 0))
                port = s.getsockname()[1]
            write_atomically(os.path.join(state, "port"), str(port))
            return None
        return Server(("127.0.0.1", 0), args.root, state)

    return run_server(state, make_server)


def start(args):
    state = prepare_state(args.state)
    spawn_serve(__file__, ["--state", state, "--root", args.root], os.path.join(state, "server.log"))
    return 0


def stop(args):
    return stop_by_pid_file(os.path.abspath(args.state))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "serve", "stop"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--root")
    args = parser.parse_args()
    if args.action in ("start", "serve") and not args.root:
        parser.error(args.action + " needs --root")
    return {"start": start, "serve": serve, "stop": stop}[args.action](args)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""A small HTTP forward proxy on loopback, for the tests of the system HTTP client's proxy use.

  http_proxy.py start --state DIR [--route FROM=TO ...]
  http_proxy.py stop --state DIR

start runs the proxy in the background on a free loopback port. It takes requests in the
absolute form a client sends to a proxy ("GET http://host:port/path HTTP/1.1"), forwards them to
the origin and relays the answer; a request in the ordinary form ("GET /path") is forwarded to the
origin its Host header names, as Wine's WinHTTP sends them for loopback origins. --route FROM=TO sends requests for the origin FROM ("host:port")
to TO instead, so that a test can name an origin the client cannot reach directly. A request in
the ordinary form for "/proxy.pac" is answered with an automatic configuration script that names
this proxy for every address.

The port goes to DIR/port once the proxy listens, a start failure to DIR/failed, and every
request to DIR/requests.log, one line each: method, the absolute address, the status relayed,
tab-separated. stop ends the proxy and writes DIR/stopped. A caller that cannot read our exit
code (a Windows test under Wine) polls for those files.

Python standard library only.
"""
import argparse
import http.client
import os
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from host_control import prepare_state, run_server, spawn_serve, stop_by_pid_file

HOP_BY_HOP = {"connection", "keep-alive", "proxy-connection", "proxy-authorization", "proxy-authenticate",
              "te", "trailer", "transfer-encoding", "upgrade"}


class Proxy(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, state, routes):
        super().__init__(address, Handler)
        self.log_path = os.path.join(state, "requests.log")
        self.routes = routes
        self.lock = threading.Lock()

    def log(self, method, target, status):
        with self.lock:
            with open(self.log_path, "a") as f:
                f.write("{}\t{}\t{}\n".format(method, target, status))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.forward("GET")

    def do_HEAD(self):
        self.forward("HEAD")

    def do_POST(self):
        self.forward("POST")

    def answer(self, method, status, body, content_type="text/plain"):
        data = body.encode()
        self.server.log(method, self.path, status)
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if method != "HEAD":
            self.wfile.write(data)

    def forward(self, method):
        target = urllib.parse.urlsplit(self.path)
        own_port = str(self.server.server_address[1])
        host_header = self.headers.get("Host", "")
        if not target.scheme and host_header and not host_header.endswith(":" + own_port):
            target = urllib.parse.urlsplit("http://" + host_header + self.path)
        if not target.scheme:
            if target.path == "/proxy.pac":
                port = self.server.server_address[1]
                script = 'function FindProxyForURL(url, host) {{ return "PROXY 127.0.0.1:{}"; }}\n'.format(port)
                self.answer(method, 200, script, "application/x-ns-proxy-autoconfig")
            else:
                self.answer(method, 400, "a proxy request needs an absolute address")
            return
        if target.scheme != "http":
            self.answer(method, 501, "only http is forwarded")
            return
        origin = target.netloc
        origin = self.server.routes.get(origin, origin)
        host, _, port = origin.partition(":")
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else None
        headers = {name: value for name, value in self.headers.items() if name.lower() not in HOP_BY_HOP}
        path = target.path or "/"
        if target.query:
            path += "?" + target.query
        try:
            connection = http.client.HTTPConnection(host, int(port or 80), timeout=30)
            connection.request(method, path, body=body, headers=headers)
            response = connection.getresponse()
            data = response.read()
        except (OSError, http.client.HTTPException, ValueError) as error:
            self.answer(method, 502, "cannot reach {}: {}".format(origin, error))
            return
        self.server.log(method, urllib.parse.urlunsplit(target), response.status)
        self.send_response(response.status)
        for name, value in response.getheaders():
            if name.lower() not in HOP_BY_HOP and name.lower() != "content-length":
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if method != "HEAD":
            self.wfile.write(data)
        connection.close()


def serve(args):
    state = os.path.abspath(args.state)

    def make_server():
        routes = dict(route.split("=", 1) for route in args.route)
        return Proxy(("127.0.0.1", 0), state, routes)

    return run_server(state, make_server)


def start(args):
    state = prepare_state(args.state)
    arguments = ["--state", state]
    for route in args.route:
        arguments += ["--route", route]
    spawn_serve(__file__, arguments, os.path.join(state, "proxy.log"))
    return 0


def stop(args):
    return stop_by_pid_file(os.path.abspath(args.state))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "serve", "stop"])
    parser.add_argument("--state", required=True)
    parser.add_argument("--route", action="append", default=[])
    args = parser.parse_args()
    return {"start": start, "serve": serve, "stop": stop}[args.action](args)


if __name__ == "__main__":
    sys.exit(main())

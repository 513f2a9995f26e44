#!/usr/bin/env python3
"""tsa.py <openssl ts config> <port file>

A time-stamp authority on 127.0.0.1 for the release test: each POSTed RFC 3161 request is
answered by `openssl ts -reply` with the config's test authority. The port it listens on is
written to <port file> once it does."""
import http.server
import os
import subprocess
import sys
import tempfile

config, port_file = sys.argv[1:3]


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as work:
            request, reply = os.path.join(work, "request.tsq"), os.path.join(work, "reply.tsr")
            with open(request, "wb") as f:
                f.write(query)
            answered = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", request,
                                       "-out", reply], capture_output=True)
            if answered.returncode != 0:
                sys.stderr.write(answered.stderr.decode(errors="replace"))
                self.send_error(500)
                return
            with open(reply, "rb") as f:
                body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Authority)
with open(port_file + ".new", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".new", port_file)
server.serve_forever()

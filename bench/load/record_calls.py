#!/usr/bin/python3
"""Records the calls the desktop really makes, scenario by scenario.

    bench/load/record_calls.py [--build build] [--out bench/load/calls] SCENARIO...

Starts cot05000-server on a fresh demo database and a relay in front of it, runs each
scenario (scenarios/NAME.scn) on the real shell through the relay, and writes
OUT/NAME.json: every request the shell sent, in order, as {"method", "params"} with the
"result" when it is small, or the "error" (a batch is one request holding several calls),
and the day it was recorded. Passwords are written as "***". The load test
takes the order and the shape of its calls from these files.
"""
import argparse
import gzip
import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import mail_sink

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
SECRET_METHODS = {"AbreSessao": [1], "AlteraSenha": [1, 2]}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def masked(call):
    positions = SECRET_METHODS.get(call.get("method"), [])
    params = list(call.get("params") or [])
    for i in positions:
        if i < len(params):
            params[i] = "***"
    return {"method": call.get("method"), "params": params}


class Recorder:
    def __init__(self):
        self.lock = threading.Lock()
        self.requests = []

    def take(self):
        with self.lock:
            taken, self.requests = self.requests, []
        return taken

    def add(self, body, answer):
        try:
            message = json.loads(body)
        except ValueError:
            return
        try:
            replies = json.loads(answer)
        except ValueError:
            replies = None
        if isinstance(message, list):
            by_id = {r.get("id"): r for r in replies} if isinstance(replies, list) else {}
            calls = [with_result(masked(c), by_id.get(c.get("id"))) for c in message]
        else:
            calls = with_result(masked(message), replies if isinstance(replies, dict) else None)
        with self.lock:
            self.requests.append(calls)


def with_result(call, reply):
    """A small result (a number handed out, a flag) is kept: the load test maps it to its own."""
    if reply and "result" in reply and len(json.dumps(reply["result"])) <= 200:
        call["result"] = reply["result"]
    elif reply and "error" in reply:
        call["error"] = reply["error"].get("message")
    return call


def relay(server_port, recorder):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def forward(self, method):
            length = int(self.headers.get("Content-Length") or 0)
            body = self.rfile.read(length) if length else b""
            text = None
            if method == "POST" and self.path == "/rpc":
                text = gzip.decompress(body) if self.headers.get("Content-Encoding") == "gzip" else body
            upstream = http.client.HTTPConnection("127.0.0.1", server_port, timeout=120)
            headers = {k: v for k, v in self.headers.items() if k.lower() not in ("host", "connection")}
            upstream.request(method, self.path, body or None, headers)
            answer = upstream.getresponse()
            data = answer.read()
            upstream.close()
            if text is not None:
                recorder.add(text, gzip.decompress(data) if answer.getheader("Content-Encoding") == "gzip" else data)
            self.send_response(answer.status)
            for k, v in answer.getheaders():
                if k.lower() not in ("transfer-encoding", "content-length", "connection"):
                    self.send_header(k, v)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def do_GET(self):
            self.forward("GET")

        def do_POST(self):
            self.forward("POST")

    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(TOP, "build"))
    parser.add_argument("--out", default=os.path.join(HERE, "calls"))
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="cot-record-")
    sink = mail_sink.start()
    # Run from the scratch folder: the pictures a scenario takes land there, not in docs/.
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=work)
    failed = 0
    for name in args.scenarios:
        # Each scenario expects the demo data as seeded: a fresh database each.
        db = os.path.join(work, name + ".db")
        port = free_port()
        server = subprocess.Popen([os.path.join(args.build, "bin", "cot05000-server"), "--db", f"sqlite:{db}",
                                   "--port", str(port)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        recorder = Recorder()
        front = None
        try:
            wait_for(port)
            front = relay(port, recorder)
            scenario = os.path.join(TOP, "scenarios", name + ".scn")
            run = subprocess.run([os.path.join(args.build, "bin", "cot-host"), "--db", f"sqlite:{db}", "--server",
                                  f"127.0.0.1:{front.server_port}", "--scenario", scenario],
                                 env=env, cwd=work, capture_output=True, text=True, timeout=300)
        finally:
            if front:
                front.shutdown()
            server.terminate()
            server.wait(30)
        requests = recorder.take()
        if run.returncode != 0:
            # What was sent up to the failing step is still what the shell sends.
            failed += 1
            print(f"{name}: the scenario failed (its calls up to there are kept)\n{run.stdout[-2000:]}",
                  file=sys.stderr)
        with open(os.path.join(args.out, name + ".json"), "w", encoding="utf-8") as f:
            json.dump({"day": time.strftime("%Y-%m-%d"), "requests": requests}, f, ensure_ascii=False, indent=1)
        print(f"{name}: {len(requests)} requests")
    if sink:
        sink.stop()
    return 1 if failed else 0


def wait_for(port):
    for _ in range(300):
        try:
            c = http.client.HTTPConnection("127.0.0.1", port, timeout=1)
            c.request("GET", "/health")
            if c.getresponse().status == 200:
                return
        except OSError:
            pass
        time.sleep(0.1)
    raise RuntimeError("the server did not start")


if __name__ == "__main__":
    sys.exit(main())

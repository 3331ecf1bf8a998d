#!/usr/bin/python3
"""What hostile clients do to a cot05000-server process, measured from outside on loopback.

    bench/http_attack_bench.py --server build/bin/cot05000-server [--only flood,trickle,pdf,list,save,bare]

Each scenario starts the server on a fresh SQLite file (the demo data; the list adds 100k
proposals copied from a demo one) and prints its figures:
  flood    one connection sends 8 KB header lines (8,011 bytes) for 60 s (reconnecting when cut):
           the server's resident memory over idle, and what it answered
  trickle  1,000 connections from 127.0.0.1 send a header line every 5 s for 30 s:
           /health latency from 127.0.0.2 every 200 ms (timeouts at 5 s)
  pdf      32 parallel downloads of a 5.8 MB PDF through one link for 15 s: memory over
           idle, and GetDataHoraServ latency of another session meanwhile (p50, p95)
  list     GetProposta of 100k proposals, read whole by curl: medians of 5
  save     one-row SetProposta inserts from one client: saves per second (--rows, 300)
  bare     GetDataHoraServ calls from one client on one connection: calls per second
The server's demo branch sends mail to 127.0.0.1:2525: an SMTP sink is started there.
"""
import argparse
import asyncio
import base64
import email
import http.client
import json
import os
import re
import socket
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import zlib


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


class Sampler(threading.Thread):
    """The server's peak resident memory while a scenario runs."""

    def __init__(self, pid):
        super().__init__(daemon=True)
        self.pid, self.peak, self.running = pid, 0, True

    def run(self):
        while self.running:
            self.peak = max(self.peak, rss_kb(self.pid))
            time.sleep(0.05)

    def stop(self):
        self.running = False
        self.join()
        return self.peak


class Server:
    def __init__(self, binary, db, prepare=None):
        self.port = free_port()
        if prepare:
            # The server creates and seeds the file first, then the rows are added to it.
            first = Server(binary, db)
            first.stop()
            prepare(db)
        self.proc = subprocess.Popen([binary, "--db", f"sqlite:{db}", "--port", str(self.port), "--threads", "16"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(600):
            try:
                if self.get("/health")[0] == 200:
                    break
            except OSError:
                pass
            time.sleep(0.1)
        self.token = self.rpc("AbreSessao", ["VENDEDOR", "vendedor"])["result"]["token"]

    def get(self, path, timeout=5, source="127.0.0.1"):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout, source_address=(source, 0))
        c.request("GET", path)
        r = c.getresponse()
        body = r.read()
        c.close()
        return r.status, body

    def rpc(self, method, params, conn=None, token=None):
        own = conn is None
        c = conn or http.client.HTTPConnection("127.0.0.1", self.port, timeout=120)
        headers = {"Content-Type": "application/json"}
        if token or getattr(self, "token", None):
            headers["Authorization"] = "Bearer " + (token or self.token)
        c.request("POST", "/rpc", json.dumps({"jsonrpc": "2.0", "id": 1, "method": method, "params": params}), headers)
        r = c.getresponse()
        data = r.read()
        if own:
            c.close()
        return json.loads(data) if data else {}

    def stop(self):
        self.proc.terminate()
        self.proc.wait(30)


def rows_of(result):
    """A packet's rows as dictionaries (fields + rows)."""
    fields = [f["name"] for f in result["fields"]]
    return [dict(zip(fields, row)) for row in result["rows"]]


# --- scenarios ------------------------------------------------------------------------

def flood(server, seconds=60):
    idle = rss_kb(server.proc.pid)
    sampler = Sampler(server.proc.pid)
    sampler.start()
    line = b"X-Enche: " + b"a" * 8000 + b"\r\n"
    answers, sent, connections = {}, 0, 0
    end = time.time() + seconds
    while time.time() < end and rss_kb(server.proc.pid) - idle < 2 * 1024 * 1024:
        s = socket.create_connection(("127.0.0.1", server.port), timeout=10)
        connections += 1
        s.sendall(b"POST /rpc HTTP/1.1\r\nHost: x\r\n")
        try:
            while time.time() < end and rss_kb(server.proc.pid) - idle < 2 * 1024 * 1024:
                s.sendall(line)
                sent += len(line)
        except OSError:
            pass
        s.settimeout(2)
        try:
            head = s.recv(200)
            status = head[9:12].decode() if head else "fechada"
        except OSError:
            status = "sem resposta"
        answers[status] = answers.get(status, 0) + 1
        s.close()
    peak = sampler.stop()
    time.sleep(1)
    print(f"flood: {seconds} s, {sent / 2**20:.0f} MB of header lines over {connections} connections; "
          f"peak over idle {(peak - idle) / 1024:.1f} MB, 1 s after {(rss_kb(server.proc.pid) - idle) / 1024:.1f} MB; "
          f"answers {answers}")


def trickle(server, count=1000, seconds=30):
    conns = []
    for _ in range(count):
        try:
            s = socket.create_connection(("127.0.0.1", server.port), timeout=5)
            s.sendall(b"POST /rpc HTTP/1.1\r\n")
            conns.append(s)
        except OSError:
            break
    latencies, timeouts = [], 0
    stop = time.time() + seconds
    next_line = time.time() + 5
    while time.time() < stop:
        t = time.time()
        try:
            status, _ = server.get("/health", timeout=5, source="127.0.0.2")
            latencies.append((time.time() - t) * 1000)
        except OSError:
            timeouts += 1
        if time.time() >= next_line:
            for s in conns:
                try:
                    s.sendall(b"X-Lento: 1\r\n")
                except OSError:
                    pass
            next_line = time.time() + 5
        time.sleep(0.2)
    for s in conns:
        s.close()
    latencies.sort()
    p95 = latencies[int(len(latencies) * 0.95) - 1] if latencies else float("nan")
    print(f"trickle: {len(conns)} connections; /health from 127.0.0.2: {len(latencies)} answered, "
          f"median {statistics.median(latencies) if latencies else float('nan'):.1f} ms, p95 {p95:.1f} ms, "
          f"max {max(latencies) if latencies else float('nan'):.1f} ms, {timeouts} timed out")


def big_pdf(size):
    """A real PDF of about `size` bytes: one page and a large stream no reader minds."""
    junk = os.urandom(size)
    objs = [b"<< /Type /Catalog /Pages 2 0 R >>",
            b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
            b"<< /Length 44 >>\nstream\nBT /F1 12 Tf 72 720 Td (Proposta) Tj ET\nendstream",
            b"<< /Length %d >>\nstream\n" % len(junk) + junk + b"\nendstream"]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, o in enumerate(objs, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + o + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
    return bytes(out)


class SmtpSink:
    """Takes every mail on 127.0.0.1:2525 and keeps the links in it."""

    def __init__(self):
        from aiosmtpd.controller import Controller
        self.links = []
        sink = self

        class Handler:
            async def handle_DATA(self, server, session, envelope):
                message = email.message_from_bytes(envelope.content)
                for part in message.walk():
                    if part.get_content_maintype() == "text":
                        text = part.get_payload(decode=True).decode("utf-8", "replace")
                        sink.links += re.findall(r"/cliente/([A-Za-z0-9_-]{43})", text)
                return "250 OK"

        self.controller = Controller(Handler(), hostname="127.0.0.1", port=2525, data_size_limit=64 * 2**20)
        self.controller.start()

    def stop(self):
        self.controller.stop()


def sendable(server):
    today = time.strftime("%Y-%m-%d")
    for p in rows_of(server.rpc("GetProposta", ["0001", "T"])["result"]):
        if (p.get("DTVALPROPFAS") or "") >= today and p.get("IDSITPROPFAS", "") not in ("A",):
            yield p["NRPROPOSFAS"], p["NRVERPROPFAS"]


def pdf(server, clients=32, seconds=15):
    sink = SmtpSink()
    try:
        pdf64 = base64.b64encode(big_pdf(5_800_000)).decode()
        token = None
        for nr, ver in sendable(server):
            reply = server.rpc("EnviarAoCliente", [nr, ver, "cliente@exemplo.com.br", pdf64])
            if "error" in reply:
                print("pdf: EnviarAoCliente refused:", reply["error"].get("message"))
            if "result" in reply:
                time.sleep(0.5)
                token = sink.links[-1] if sink.links else None
                break
        if not token:
            print("pdf: no sending could be made")
            return
    finally:
        sink.stop()
    path = f"/cliente/{token}/proposta.pdf"
    idle = rss_kb(server.proc.pid)
    sampler = Sampler(server.proc.pid)
    sampler.start()
    stop = time.time() + seconds
    got = [0] * clients
    statuses = {}

    def download(i):
        # Each client its own address, as 32 clients of one office would come.
        source = f"127.0.1.{i + 1}"
        while time.time() < stop:
            try:
                status, body = server.get(path, timeout=30, source=source)
                statuses[status] = statuses.get(status, 0) + 1
                got[i] += len(body)
            except OSError:
                statuses["erro"] = statuses.get("erro", 0) + 1

    threads = [threading.Thread(target=download, args=(i,)) for i in range(clients)]
    for t in threads:
        t.start()
    latencies = []
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
    while time.time() < stop:
        t = time.time()
        server.rpc("GetDataHoraServ", [], conn=conn)
        latencies.append((time.time() - t) * 1000)
        time.sleep(0.02)
    for t in threads:
        t.join()
    peak = sampler.stop()
    latencies.sort()
    print(f"pdf: {clients} downloads for {seconds} s, {sum(got) / 2**20:.0f} MB sent, answers {statuses}; "
          f"peak over idle {(peak - idle) / 1024:.1f} MB; other session's calls: median "
          f"{statistics.median(latencies):.1f} ms, p95 {latencies[int(len(latencies) * 0.95) - 1]:.1f} ms")


def add_proposals(db, count=100_000):
    c = sqlite3.connect(db)
    cur = c.execute("SELECT * FROM PROPOSTAFAS WHERE CDFILIAL = '0001' LIMIT 1")
    names = [d[0] for d in cur.description]
    row = list(cur.fetchone())
    nr = names.index("NRPROPOSFAS")
    rows = []
    for i in range(count):
        r = list(row)
        r[nr] = "9%019d" % i
        rows.append(r)
    c.executemany(f"INSERT INTO PROPOSTAFAS ({','.join(names)}) VALUES ({','.join('?' * len(names))})", rows)
    c.commit()
    c.close()


def list_100k(server, runs=5):
    body = json.dumps({"jsonrpc": "2.0", "id": 1, "method": "GetProposta", "params": ["0001", "T"]})
    times = []
    for _ in range(runs):
        out = subprocess.run(["curl", "-s", "-o", "/dev/null", "-w", "%{time_total} %{size_download}",
                              "-H", "Content-Type: application/json", "-H", "Authorization: Bearer " + server.token,
                              "-d", body, f"http://127.0.0.1:{server.port}/rpc"], capture_output=True, text=True)
        seconds, size = out.stdout.split()
        times.append(float(seconds) * 1000)
    print(f"list: GetProposta of 100k, {int(size) / 2**20:.1f} MB: median {statistics.median(times):.0f} ms "
          f"(runs {', '.join('%.0f' % t for t in times)})")


def save(server, rows=300):
    fields = [("NRPROPOSFAS", "string", 20), ("NRVERPROPFAS", "string", 2), ("CDFILIAL", "string", 4),
              ("IDSOLPROPFAS", "string", 1), ("IDCLIENPROSP", "string", 1), ("CDCLIENTE", "string", 21),
              ("DSREFEPROPOSFAS", "string", 100), ("DTPROPOSFAS", "datetime", 0), ("DTVALPROPFAS", "datetime", 0),
              ("CDOPERINCL", "string", 12), ("CDOPERSOLI", "string", 12), ("IDTIPOPROPFAS", "string", 1),
              ("IDIDIOMA", "string", 3), ("DSOBSPROPFAS", "string", 250)]
    first = rows_of(server.rpc("GetProposta", ["0001", "T"])["result"])[0]
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
    base = int(time.time()) % 100000 * 1000
    errors = 0
    t = time.time()
    for i in range(rows):
        row = ["8%019d" % (base + i), "01", "0001", "N", first.get("IDCLIENPROSP") or "C", first["CDCLIENTE"],
               f"Gravada na medição {i}", "2026-12-06T00:00:00", "2027-01-05T00:00:00", "VENDEDOR", "VENDEDOR", "M",
               "POR", "medição"]
        delta = {"fields": [{"name": n, "type": ty, "size": sz} for n, ty, sz in fields],
                 "changes": [{"op": "insert", "new": row}]}
        reply = server.rpc("SetProposta", [delta], conn=conn)
        if "error" in reply:
            errors += 1
            if errors == 1:
                print("save: refused:", reply["error"].get("message"))
    seconds = time.time() - t
    print(f"save: {rows} one-row SetProposta from one client: {rows / seconds:.0f} saves/s, {errors} refused")


def bare(server, calls=3000):
    conn = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
    t = time.time()
    for _ in range(calls):
        server.rpc("GetDataHoraServ", [], conn=conn)
    seconds = time.time() - t
    print(f"bare: {calls} GetDataHoraServ from one client: {calls / seconds:.0f} calls/s")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--server", required=True)
    ap.add_argument("--only", default="flood,trickle,pdf,list,save")
    ap.add_argument("--flood-seconds", type=int, default=60)
    ap.add_argument("--rows", type=int, default=300, help="rows of the save scenario")
    a = ap.parse_args()
    only = a.only.split(",")
    with tempfile.TemporaryDirectory() as tmp:
        for name in ("flood", "trickle", "pdf", "save", "bare"):
            if name not in only:
                continue
            server = Server(a.server, os.path.join(tmp, f"{name}.db"))
            try:
                {"flood": lambda s: flood(s, a.flood_seconds), "trickle": trickle, "pdf": pdf, "save": lambda s: save(s, a.rows),
                 "bare": bare}[name](server)
            finally:
                server.stop()
        if "list" in only:
            server = Server(a.server, os.path.join(tmp, "list.db"), prepare=add_proposals)
            try:
                list_100k(server)
            finally:
                server.stop()


if __name__ == "__main__":
    sys.exit(main())

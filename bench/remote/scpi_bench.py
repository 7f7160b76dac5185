#!/usr/bin/python3
"""Benchmark of the SCPI server over loopback: the round-trip time of *IDN?
and the transfer rate of the largest float32 :WAVeform:DATA? (one channel,
the longest normal record, 7,999,488 samples, about 32 MB).

    /usr/bin/python3 bench/remote/scpi_bench.py <path of korvax-bench> [repeats]

Starts the bench headless with its server on a free 127.0.0.1 port and a
private configuration folder, and talks to it over a plain socket (the
numbers are the server's, not a VISA library's).
"""
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time


def start_bench(binary, workdir):
    config = os.path.join(workdir, "config")
    os.makedirs(config)
    port_file = os.path.join(workdir, "port")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=config,
               KORVAX_REMOTE_PORT="0", KORVAX_REMOTE_PORT_FILE=port_file)
    proc = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            cwd=os.path.dirname(os.path.abspath(binary)))
    for _ in range(600):
        if os.path.exists(port_file) or proc.poll() is not None:
            break
        time.sleep(0.1)
    with open(port_file) as f:
        return proc, int(f.read())


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.buf = bytearray()

    def write(self, text):
        self.sock.sendall(text.encode() + b"\n")

    def _fill(self):
        chunk = self.sock.recv(1 << 20)
        if not chunk:
            raise ConnectionError("closed")
        self.buf += chunk

    def readline(self):
        for _ in range(1 << 20):
            i = self.buf.find(b"\n")
            if i >= 0:
                line = bytes(self.buf[:i])
                del self.buf[:i + 1]
                return line.decode()
            self._fill()
        raise TimeoutError

    def query(self, text):
        self.write(text)
        return self.readline()

    def read_block(self):
        while len(self.buf) < 2:
            self._fill()
        digits = int(chr(self.buf[1]))
        while len(self.buf) < 2 + digits:
            self._fill()
        length = int(self.buf[2:2 + digits])
        total = 2 + digits + length + 1
        view = memoryview(bytearray(total))
        have = min(len(self.buf), total)
        view[:have] = self.buf[:have]
        del self.buf[:have]
        while have < total:
            n = self.sock.recv_into(view[have:])
            if n == 0:
                raise ConnectionError("closed")
            have += n
        return length


def main():
    binary = sys.argv[1]
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    workdir = tempfile.mkdtemp(prefix="korvax-scpi-bench-")
    proc, port = start_bench(binary, workdir)
    try:
        c = Client(port)
        c.query("*IDN?")
        times = []
        for _ in range(2000):
            t = time.perf_counter()
            c.query("*IDN?")
            times.append(time.perf_counter() - t)
        print("*IDN? round trip: median %.1f us, 99th percentile %.1f us (2000 queries)"
              % (statistics.median(times) * 1e6, sorted(times)[int(len(times) * 0.99)] * 1e6))

        c.write(":OUTP1 ON;:CHAN2:DISP OFF;:CHAN3:DISP OFF;:CHAN4:DISP OFF;:ACQ:POIN MAX")
        points = int(c.query(":ACQ:POIN?"))
        t = time.perf_counter()
        c.query(":SING;*OPC?")
        print("single shot of %d samples: %.2f s" % (points, time.perf_counter() - t))
        c.write(":WAV:FORM REAL")
        rates = []
        for _ in range(repeats):
            t = time.perf_counter()
            c.write(":WAV:DATA?")
            n = c.read_block()
            dt = time.perf_counter() - t
            rates.append(n / dt / 1e6)
        print(":WAVeform:DATA? of %d float32 samples (%d bytes): median %.0f MB/s, best %.0f MB/s (%d transfers)"
              % (points, n, statistics.median(rates), max(rates), repeats))
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Live display rate of the real bench: captures per second and processor
time per capture in Continuous Mode.

    /usr/bin/python3 bench/app/e2e_rate.py <path of korvax-bench> [seconds]
    /usr/bin/python3 bench/app/e2e_rate.py <path of korvax-bench> --smoke

Starts the bench under xvfb-run (a real X server, so every tick's graph is
drawn) with a private configuration folder and its SCPI server on a free
127.0.0.1 port.  For each case (8192 samples x 4 channels, 7,999,488
samples x 1 channel) it sets the scope up over SCPI, presses Continuous
Mode with :RUN (the toolbar's own code path), lets the run settle for a
second, then counts the captures (:ACQuire:COUNt?) and the bench's
processor time (/proc) over the measuring time (10 s by default).
--smoke runs each case for a second and only checks that captures come;
it asserts no rate.
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

CASES = [
    # (title, channels, record length, target captures per second)
    ("8192 x 4 channels", 4, 8192, 30.0),
    ("7,999,488 x 1 channel", 1, 7999488, 5.0),
]


def children(pid):
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            return [int(c) for c in f.read().split()]
    except OSError:
        return []


def find_bench(root, name):
    """The bench's process below xvfb-run (a breadth-first walk)."""
    todo = [root]
    for _ in range(1000):
        if not todo:
            break
        pid = todo.pop(0)
        try:
            with open("/proc/%d/comm" % pid) as f:
                if f.read().strip() == name[:15]:
                    return pid
        except OSError:
            pass
        todo.extend(children(pid))
    return None


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=120)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.buf = bytearray()

    def write(self, text):
        self.sock.sendall(text.encode() + b"\n")

    def readline(self):
        for _ in range(1 << 16):
            i = self.buf.find(b"\n")
            if i >= 0:
                line = bytes(self.buf[:i])
                del self.buf[:i + 1]
                return line.decode()
            chunk = self.sock.recv(1 << 16)
            if not chunk:
                raise ConnectionError("the bench closed the connection")
            self.buf += chunk
        raise TimeoutError("no reply")

    def query(self, text):
        self.write(text)
        return self.readline()


def start(binary, workdir):
    config = os.path.join(workdir, "config")
    os.makedirs(config)
    port_file = os.path.join(workdir, "port")
    log = open(os.path.join(workdir, "bench.log"), "wb")
    env = dict(os.environ, XDG_CONFIG_HOME=config, KORVAX_REMOTE_PORT="0", KORVAX_REMOTE_PORT_FILE=port_file)
    env.pop("QT_QPA_PLATFORM", None)
    if shutil.which("xvfb-run"):
        command = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24", binary]
    else:
        print("note: xvfb-run not found; running offscreen (drawing is then not on a real X server)")
        env["QT_QPA_PLATFORM"] = "offscreen"
        command = [binary]
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=log,
                            cwd=os.path.dirname(os.path.abspath(binary)), start_new_session=True)
    for _ in range(600):
        if os.path.exists(port_file) and os.path.getsize(port_file) > 0:
            break
        if proc.poll() is not None:
            with open(os.path.join(workdir, "bench.log"), "rb") as f:
                sys.stderr.write(f.read().decode(errors="replace")[-2000:])
            raise RuntimeError("the bench ended during start-up")
        time.sleep(0.1)
    else:
        raise RuntimeError("the bench did not open its SCPI port within 60 s")
    with open(port_file) as f:
        port = int(f.read())
    pid = find_bench(proc.pid, os.path.basename(binary))
    if pid is None:
        raise RuntimeError("the bench's process was not found")
    return proc, port, pid


def measure(client, pid, channels, points, settle, seconds):
    client.query(":STOP;*OPC?")
    for ch in range(1, 5):
        client.write(":CHAN%d:DISP %s" % (ch, "ON" if ch <= channels else "OFF"))
    client.write(":OUTP1 ON;:ACQ:SRAT 10E6;:ACQ:POIN %d" % points)
    got = int(client.query(":ACQ:POIN?"))
    if got != points:
        raise RuntimeError("record length %d asked, %d set" % (points, got))
    client.write(":RUN")
    time.sleep(settle)
    n0, c0, t0 = int(client.query(":ACQ:COUN?")), cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    n1, c1, t1 = int(client.query(":ACQ:COUN?")), cpu_seconds(pid), time.monotonic()
    client.query(":STOP;*OPC?")
    errors = client.query(":SYST:ERR?")
    captures = n1 - n0
    rate = captures / (t1 - t0)
    cpu = (c1 - c0) / captures if captures > 0 else float("nan")
    return captures, rate, cpu, errors


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    binary = os.path.abspath(sys.argv[1])
    smoke = "--smoke" in sys.argv[2:]
    numbers = [a for a in sys.argv[2:] if not a.startswith("--")]
    seconds = 1.0 if smoke else float(numbers[0]) if numbers else 10.0
    workdir = tempfile.mkdtemp(prefix="korvax-e2e-rate-")
    proc = None
    failed = False
    try:
        proc, port, pid = start(binary, workdir)
        client = Client(port)
        print("bench %s, process %d, Continuous for %.0f s a case" % (client.query("*IDN?"), pid, seconds))
        for title, channels, points, target in CASES:
            captures, rate, cpu, errors = measure(client, pid, channels, points, 0.5 if smoke else 1.0, seconds)
            print("%-24s %6d captures  %7.2f captures/s (target %g)  %8.2f ms processor time per capture  "
                  "errors: %s" % (title, captures, rate, target, cpu * 1e3, errors))
            if captures < 1 or not errors.startswith("0"):
                failed = True
    finally:
        if proc is not None:
            try:
                os.killpg(proc.pid, 15)
            except ProcessLookupError:
                pass
            try:
                proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, 9)
                proc.wait(timeout=20)
        shutil.rmtree(workdir, ignore_errors=True)
    if failed:
        print("FAILED: a case took no capture or left an error")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

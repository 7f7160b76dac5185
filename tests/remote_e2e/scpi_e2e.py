#!/usr/bin/python3
"""End-to-end test of the SCPI server: starts the bench headless with the
server on a free loopback port and drives it with PyVISA (pyvisa-py).

    /usr/bin/python3 scpi_e2e.py <path of korvax-bench>

Every wait is bounded in count and time; only 127.0.0.1 is used.  The bench
gets a private configuration folder holding a setup file, which must come
out of the run byte for byte as it went in.  Exit code 0 when every check
passed.
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

import numpy
import pyvisa

# A setup file as the bench writes it: default settings but a 2 kHz generator.
SETUP_LINES = [
    "[SCOPE_MODE]", "[DEVICE_NB]=1", "[CHANNEL_INPUT]=1,1,1,1",
    "[INPUT_RANGE]=2.000000,2.000000,2.000000,2.000000", "[INPUT_COUPLING]=0,0,0,0",
    "[SAMPLE_RATE]=10000000.000000", "[REQUESTED_SAMPLE]=8192", "[PRE_SAMPLE]=0",
    "[TRIGGER_SOURCE]=100", "[TRIGGER_SLOPE]=1", "[TRIGGER_LEVEL]=0.000000", "[AUX_BNC]=0",
    "[AVERAGING_MODE]=0", "[AVERAGING_COUNT]=4", "[STREAMING_MODE]=0", "[DECIMATION_FACTOR]=1",
    "[GENERATOR]", "[FREQUENCY]=2000.000000", "[SIGNAL_TYPE]=0,0", "[SIGNAL_AMP]=1.000000,1.000000",
    "[SIGNAL_OFFSET]=0.000000,0.000000", "[SIGNAL_PHASE]=0.000000,0.000000", "[SIGNAL_NOISE]=0,0",
    "[TRIGGER_SOURCE]=0", "[TRIGGER_SLOPE]=1", "[TRIGGER_LEVEL]=0.000000",
    "[ANALYZER]", "[SAMPLE_RATE]=10000000.000000", "[REQUESTED_SAMPLE]=1000", "[TRIGGER_MASK]=0",
    "[TRIGGER_MODE]=0", "[TRIGGER_PATTERN]=0",
]

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def start_bench(binary, workdir):
    config = os.path.join(workdir, "config")
    os.makedirs(os.path.join(config, "korvax"))
    setup = os.path.join(config, "korvax", "KorvaxDemo.ini")
    with open(setup, "w", newline="\r\n") as f:
        f.write("\n".join(SETUP_LINES) + "\n")
    port_file = os.path.join(workdir, "port")
    env = dict(os.environ)
    env.update({"QT_QPA_PLATFORM": "offscreen", "XDG_CONFIG_HOME": config,
                "KORVAX_REMOTE_PORT": "0", "KORVAX_REMOTE_PORT_FILE": port_file})
    log = open(os.path.join(workdir, "bench.log"), "w")
    proc = subprocess.Popen([binary], env=env, stdout=log, stderr=subprocess.STDOUT,
                            cwd=os.path.dirname(os.path.abspath(binary)))
    deadline = time.monotonic() + 60
    for _ in range(600):
        if os.path.exists(port_file) or proc.poll() is not None or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    if not os.path.exists(port_file):
        proc.kill()
        raise SystemExit("the bench did not start its server; log in " + log.name)
    with open(port_file) as f:
        port = int(f.read().strip())
    return proc, port, setup


def raw_ask(sock, message, timeout=10.0):
    sock.settimeout(timeout)
    sock.sendall(message.encode() + b"\n")
    data = b""
    for _ in range(1000):
        if data.endswith(b"\n"):
            break
        chunk = sock.recv(4096)
        if not chunk:
            break
        data += chunk
    return data.decode(errors="replace").strip()


def run(binary):
    workdir = tempfile.mkdtemp(prefix="korvax-e2e-")
    proc = None
    try:
        proc, port, setup = start_bench(binary, workdir)
        with open(setup, "rb") as f:
            setup_before = f.read()
        setup_mtime = os.stat(setup).st_mtime_ns

        rm = pyvisa.ResourceManager("@py")
        inst = rm.open_resource("TCPIP::127.0.0.1::%d::SOCKET" % port,
                                read_termination="\n", write_termination="\n", timeout=20000)
        idn = inst.query("*IDN?").strip()
        check(idn.startswith("Korvax,Demo 2.0,"), "*IDN? gives the maker and model: " + idn)
        check(inst.query(":FREQ?").strip() == "2000", "the setup file was read at start-up")

        inst.write(":SOUR1:FUNC SIN;:SOUR1:FREQ 1kHz;:SOUR1:VOLT 1;:SOUR1:VOLT:OFFS 0;:OUTP1 ON")
        # One channel, 100 whole periods of 1 kHz.
        inst.write(":CHAN2:DISP OFF;:CHAN3:DISP OFF;:CHAN4:DISP OFF")
        inst.write(":ACQ:SRAT 2.048MS/s;:ACQ:POIN 204800")
        check(inst.query(":SYST:ERR?").strip() == '0,"No error"', "settings accepted")
        check(inst.query(":SING;*OPC?").strip() == "1", ":SINGle;*OPC? answers 1 once the record is taken")

        vrms = float(inst.query(":MEAS:VRMS? CHANnel1"))
        check(abs(vrms - 0.7071) <= 0.007071, ":MEASure:VRMS? CHANnel1 = %.5f V, within 1%% of 0.7071" % vrms)

        points = int(inst.query(":ACQ:POIN?"))
        inst.write(":WAV:SOUR CHAN1;:WAV:FORM REAL")
        data = inst.query_binary_values(":WAV:DATA?", datatype="f", is_big_endian=False,
                                        container=numpy.array)
        check(points == 204800 and len(data) == points,
              ":WAVeform:DATA? gives %d float32 values for a record of %d" % (len(data), points))
        inst.write(":WAV:FORM ASC")
        held = numpy.array([float(v) for v in inst.query(":WAV:DATA?").split(",")])
        check(len(held) == len(data) and numpy.array_equal(held.astype(numpy.float32), data),
              "the float32 values are the record the scope holds")
        inst.write(":WAV:FORM REAL")
        rms = float(numpy.sqrt(numpy.mean(numpy.square(data.astype(numpy.float64)))))
        check(abs(rms - vrms) < 1e-4, "the waveform's RMS agrees with :MEASure:VRMS?")

        inst.write(":NOSuch:HEADer 1")
        err = inst.query(":SYST:ERR?").strip()
        check(err.startswith("-113,"), "an unknown header gives -113: " + err)
        check(inst.query(":SYST:ERR?").strip() == '0,"No error"', "the queue is empty after reading it")

        # Up to 8 clients at once; a ninth is refused.
        extra = []
        for _ in range(7):
            s = socket.create_connection(("127.0.0.1", port), timeout=10)
            extra.append(s)
        answers = [raw_ask(s, "*IDN?") for s in extra]
        check(all(a == idn for a in answers), "seven more clients are served")
        ninth = socket.create_connection(("127.0.0.1", port), timeout=10)
        ninth.settimeout(10)
        try:
            ninth.sendall(b"*IDN?\n")
            refused = ninth.recv(100) == b""
        except OSError:
            refused = True
        check(refused, "a ninth client is refused")
        ninth.close()
        for s in extra:
            s.close()

        # A client that leaves in the middle of a waveform costs the others nothing.
        # (The server notices the seven that left on its next turns: until
        # then a new connection is still the ninth and refused.)
        for _ in range(50):
            quitter = socket.create_connection(("127.0.0.1", port), timeout=10)
            try:
                quitter.sendall(b":WAV:SOUR CHAN1;:WAV:FORM REAL;:WAV:DATA?\n")
                got = quitter.recv(1000)
            except OSError:
                got = b""
            quitter.close()
            if got:
                break
            time.sleep(0.1)
        check(got.startswith(b"#"), "a client is served again once the others have left")
        check(inst.query("*IDN?").strip() == idn and inst.query(":SYST:ERR?").strip() == '0,"No error"',
              "a client that disconnects mid-reply leaves the others served")

        check(inst.query("*RST;*OPC?").strip() == "1", "*RST")
        check(inst.query(":FREQ?;:OUTP1?;:ACQ:POIN?").strip() == "1000;0;8192",
              "*RST gives the start-up settings")
        with open(setup, "rb") as f:
            setup_after = f.read()
        check(setup_after == setup_before and os.stat(setup).st_mtime_ns == setup_mtime,
              "the setup file is unchanged after *RST")
        inst.close()
        rm.close()
    finally:
        if proc is not None and proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout=10)
        shutil.rmtree(workdir, ignore_errors=True)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    sys.exit(run(sys.argv[1]))

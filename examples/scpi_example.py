#!/usr/bin/env python3
"""Drives the Korvax Demo bench over SCPI with PyVISA.

Turn the server on first (Settings > Remote Control..., switch On; port 5025,
local only), then:

    python3 examples/scpi_example.py [resource]

resource defaults to TCPIP::127.0.0.1::5025::SOCKET.  Needs pyvisa with the
pyvisa-py backend and numpy (Debian: python3-pyvisa python3-pyvisa-py
python3-numpy); plots with matplotlib when it is installed.
"""
import sys

import numpy
import pyvisa

resource = sys.argv[1] if len(sys.argv) > 1 else "TCPIP::127.0.0.1::5025::SOCKET"
rm = pyvisa.ResourceManager("@py")
scope = rm.open_resource(resource, read_termination="\n", write_termination="\n", timeout=20000)
print(scope.query("*IDN?"))

# Generator CH1 (the simulated scope's input): 1 kHz sine, 1 V peak.
scope.write(":SOUR1:FUNC SIN;:SOUR1:FREQ 1kHz;:SOUR1:VOLT 1;:SOUR1:VOLT:OFFS 0;:OUTP1 ON")
# Scope: channel 1 only, 2.048 MS/s, 204800 samples (100 whole periods).
scope.write(":CHAN2:DISP OFF;:CHAN3:DISP OFF;:CHAN4:DISP OFF")
scope.write(":ACQ:SRAT 2.048MS/s;:ACQ:POIN 204800;:TRIG:SOUR CHAN1;:TRIG:SLOP POS;:TRIG:LEV 0")

# One record; *OPC? answers once it is taken.
scope.query(":SING;*OPC?")

for name in ("VRMS", "VPP", "VMAX", "VMIN", "VAVerage"):
    print("%-8s %.4f V" % (name, float(scope.query(":MEAS:%s? CHAN1" % name))))

scope.write(":WAV:SOUR CHAN1;:WAV:FORM REAL")
fmt, points, xinc, xorg, yinc, yorg = (float(v) for v in scope.query(":WAV:PRE?").split(","))
volts = scope.query_binary_values(":WAV:DATA?", datatype="f", is_big_endian=False, container=numpy.array)
t = xorg + xinc * numpy.arange(len(volts))
print("%d samples, %.3g s apart; RMS from the samples %.4f V" % (len(volts), xinc, numpy.sqrt(numpy.mean(volts ** 2))))

error = scope.query(":SYST:ERR?")
if not error.startswith("0,"):
    print("error queue:", error)

scope.close()
rm.close()

try:
    import matplotlib.pyplot as plt
except ImportError:
    sys.exit(0)
plt.plot(t * 1e3, volts)
plt.xlabel("time (ms)")
plt.ylabel("CH1 (V)")
plt.title("Korvax Demo: one record over SCPI")
plt.show()

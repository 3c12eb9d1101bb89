# Builds tests/data/golden.cfg straight from the configuration block layout table.
import struct
f = lambda v: struct.pack('<f', v)
bits = lambda b: struct.pack('<I', b)
out = b''
out += bytes([0x01, 0x78, 0x00, 0x00])          # signature
out += struct.pack('<h', 2)                     # gate-mode count
out += struct.pack('<h', 650)                   # pmtVoltage
out += f(2.5)                                   # ignitorCurrent
out += struct.pack('<h', 200)                   # triggerLevel
out += struct.pack('<h', 1)                     # range
out += f(12.5) + f(80.0) + f(17.75) + f(3.25)   # h2, air1, air2, split set control
out += f(1.0) + f(2.0) + f(3.0) + f(4.0)        # h2 coefficients
out += f(-0.5) + f(0.25) + f(0.001) + f(100.0)  # air1 coefficients
out += f(5.0) + f(6.0) + f(7.0) + f(8.0)        # air2 coefficients
out += f(0.1) + bits(0x80000000) + bits(0x7FA00001) + bits(0x00000001)  # aux: -0, NaN payload, subnormal
out += struct.pack('<i', 3)                     # timed-event count
out += struct.pack('<Hhhhhh', 65535, 1, 4, 0, 1, -2)       # channel 1
out += struct.pack('<Hhhhhh', 32768, 0, 8, 1, 1, 0x1234)   # channel 2
def mode(suffix, name, sa, so, op, alpha, sb, sob, sq):
    return struct.pack('<hhffhfffB', suffix, name, sa, so, op, alpha, sb, sob, sq)
out += mode(1, 0, 6.0, 24.0, 0, 0.5, 0.5, 3.0, 1)
out += mode(1, 1, 4.0, 15.0, 0, 0.25, 0.5, 3.0, 0)
def event(start, typ, channel, value, suffix):
    return struct.pack('<fhhfh', start, typ, channel, value, suffix)
out += event(0.5, 0, 0, 0.0, 0)
out += event(1.5, 4, 1, 1.0, 1)
out += event(10.0, 5, 0, 12.0, 0)
assert len(out) == 124 + 2 * 27 + 3 * 14
open(__import__('os').path.join(__import__('os').path.dirname(__file__), 'golden.cfg'), 'wb').write(out)

# Builds report_full.cfg from the configuration block layout table and the expected report texts
# (report_full.txt, report_empty.txt) with Python's own printf-style formatting, none of the
# program's code. The date line is 12/07/26 in both.
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))
f = lambda v: struct.pack('<f', v)
r = lambda v: struct.unpack('<f', struct.pack('<f', v))[0]  # as stored: single precision

names = ["S", "P", "C", "N", "As", "B", "Bi", "Cr", "Cu", "Eu", "Fe", "Ga", "Ge", "Mn", "Ni", "Rh",
         "Ru", "Se", "Si", "Sn", "Te", "W", "UD"]
ops = ["-", "+", "*", "/"]
interp = ["Linear", "Spline"]
types = ["Auto-Zero", "Attenuation", "Range", "Square Root", "Gate", "Record", "Ignitor"]
atten = ["1", "2", "4", "8", "16", "32", "64", "128", "256"]
ranges = ["1", "10", "100"]

def table(t, i):
    return t[i] if 0 <= i < len(t) else "***"

def mode_text(name, suffix):
    if not 0 <= name < len(names):
        return "***"
    return "%s-%d" % (names[name], suffix) if suffix > 1 else names[name]

board = dict(pmt=725, ignitor=2.75, trigger=1200, range=2)
channels = [(65535, 1, 4, 1, 2), (120, 0, 9, 14, 1)]  # zero, interpolation, attenuation, name, suffix
modes = [  # suffix, name, startA, stopA, op, alpha, startB, stopB, sqrt
    (1, 0, 6.0, 24.0, 0, 0.5, 0.5, 3.0, 1),
    (2, 1, 4.0, 15.5, 2, 1.25, 0.5, 3.0, 0),
    (1, 14, 2.25, 9.75, 1, 0.125, 10.0, 20.0, 0),
    (1, 22, 0.0, 25.0, 3, 2.0, 1.0, 2.0, 1),
    (3, 17, 12.0, 18.0, 5, 0.333, 0.0, 0.0, 0),
]
events = [  # start, type, channel, value, gate suffix
    (0.5, 0, 0, 0.0, 0),
    (1.0, 1, 1, 4.9, 0),
    (1.25, 2, 0, 2.0, 0),
    (2.0, 3, 0, 0.6, 0),
    (3.5, 4, 1, 13.6, 1),
    (4.0, 4, 0, 1.0, 2),
    (10.0, 5, 0, 12.5, 0),
    (12.75, 6, 0, 2.75, 0),
    (15.0, 9, 1, 3.0, 0),
    (99.99, 1, 0, 11.0, 0),
]

out = bytes([0x01, 0x78, 0x00, 0x00]) + struct.pack('<h', len(modes))
out += struct.pack('<h', board['pmt']) + f(board['ignitor']) + struct.pack('<hh', board['trigger'], board['range'])
out += f(12.5) + f(80.0) + f(17.75) + f(3.25)
out += b''.join(f(v) for v in [1, 2, 3, 4, -0.5, 0.25, 0.001, 100, 5, 6, 7, 8, 0.1, 0.2, 0.3, 0.4])
out += struct.pack('<i', len(events))
for zero, ip, at, name, suffix in channels:
    out += struct.pack('<Hhhhhh', zero, ip, at, name, suffix, 0)
for m in modes:
    out += struct.pack('<hhffhfffB', *m)
for e in events:
    out += struct.pack('<fhhfh', *e)
assert len(out) == 124 + 27 * len(modes) + 14 * len(events)
open(os.path.join(here, 'report_full.cfg'), 'wb').write(out)

def report(title_text, board, channels, modes, events):
    lines = ["", "", "%55s" % "Veltrane Configuration Report", "%44s" % "12/07/26", ""]
    lines += ["", ""]
    lines.append("     %5s             %s" % ("Mode:", "Offline"))
    lines.append("     %10s        %s" % ("File Name:", title_text))
    lines.append("     %12s      %d" % ("PMT Voltage:", board['pmt']))
    lines.append("     %10s  %.2f" % ("Ignitor Current:", r(board['ignitor'])))
    lines.append("     %14s    %d" % ("Trigger Level:", board['trigger']))
    lines.append("     %6s            %s" % ("Range:", table(ranges, board['range'])))
    lines.append("")
    rule = "_" * 80
    lines += ["", "", ""]
    lines.append("     %7s  %13s  %20s  %12s  %11s" % ("Channel", "Zero Value", "Interpolation Mode", "Attenuation", "Gate Mode"))
    lines.append(rule)
    for i, (zero, ip, at, name, suffix) in enumerate(channels):
        lines.append("     %4d    %11d %18s      %10s   %11s" % (i + 1, zero, table(interp, ip), table(atten, at), mode_text(name, suffix)))
    lines += ["", "", ""]
    lines.append("      %s    %s    %s  %s  %s  %s  %s  %s %s" % ("Gate", "Mode", "A-Start", "A-Stop", "Operator", "Alpha", "B-Start", "B-Stop", "Sqrt"))
    lines.append(rule)
    for i, (suffix, name, sa, so, op, alpha, sb, sob, sq) in enumerate(modes):
        lines.append("     %4d  %7s    %5.2f    %5.2f %6s    %7.3f  %5.2f    %5.2f %5s" % (
            i + 1, mode_text(name, suffix), r(sa), r(so), table(ops, op), r(alpha), r(sb), r(sob), "ON" if sq else "OFF"))
    lines += ["", "", ""]
    lines.append("      %s  %15s %16s %14s  %14s" % ("Event", "Start Time", "Event Type", "Channel", "Value"))
    lines.append(rule)
    for i, (start, typ, channel, value, suffix) in enumerate(events):
        value = r(value)
        ch = " %d " % (channel + 1)
        if typ == 0: c, v = ch, "N/A"
        elif typ == 1: c, v = ch, table(atten, int(value))
        elif typ == 2: c, v = "N/A", table(ranges, int(value))
        elif typ == 3: c, v = ch, "ON" if int(value + 0.5) else "OFF"
        elif typ == 4: c, v = ch, mode_text(int(value + 0.5), suffix)
        elif typ == 5: c, v = "N/A", "%.2f %3s" % (value, "MIN")
        elif typ == 6: c, v = "N/A", "%.2f %4s" % (value, "AMPS")
        else: c, v = ch, "***"
        lines.append("     %4d   %15s   %15s     %8s    %14s" % (i + 1, "%4.2f %3s" % (r(start), "MIN"), table(types, typ), c, v))
    return "".join(line + "\n" for line in lines)

open(os.path.join(here, 'report_full.txt'), 'w').write(report("report_full.cfg", board, channels, modes, events))
empty_board = dict(pmt=0, ignitor=0.0, trigger=1, range=1)
open(os.path.join(here, 'report_empty.txt'), 'w').write(
    report("DSP Default Mode", empty_board, [(0, 0, 0, 0, 1), (0, 0, 0, 0, 1)], [], []))

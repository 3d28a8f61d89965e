#!/usr/bin/python3
"""Sweeps one DAC channel through its codes over kteval's command server.

Chooses the channel's register A path (DAC<n>:MUX A), then for each code:
writes the input register (DAC<n>:X1A), pulses LDAC and reads the output
voltage the program computes, to full precision (DAC<n>:VOLTage:EXACt?, so
that adjacent codes stay apart even at a small reference). Writes the pairs
to a CSV file and draws the transfer curve as a PNG.

Start the program first, for example:
    kteval --simulate --part KT4421 --headless --listen 5025
then:
    examples/dac_sweep.py --channel 5 --steps 65 --csv sweep.csv --png sweep.png
or, over VXI-11 (found through the portmapper) or any other VISA resource:
    examples/dac_sweep.py --resource TCPIP::192.168.1.20::INSTR --channel 5

Needs PyVISA with the pyvisa-py backend and matplotlib (Debian:
python3-pyvisa python3-pyvisa-py python3-matplotlib, run by /usr/bin/python3).
"""

import argparse
import csv
import sys

import matplotlib

matplotlib.use("Agg")  # files only, no display needed
import matplotlib.pyplot as plt  # noqa: E402
import pyvisa  # noqa: E402

# Code width of each part; the channel count bounds the channel number.
PARTS = {
    "KT4410": (16, 16), "KT4411": (14, 16), "KT4412": (16, 8), "KT4413": (14, 8),
    "KT4420": (16, 40), "KT4421": (14, 40), "KT4422": (16, 32), "KT4423": (14, 32),
}


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=5025)
    parser.add_argument("--resource", help="a VISA resource instead of --host and --port "
                        "(TCPIP::HOST::INSTR for VXI-11, TCPIP::HOST::PORT::SOCKET)")
    parser.add_argument("--channel", type=int, default=0, help="channel number as captioned")
    parser.add_argument("--start", type=int, default=0, help="first code (default 0)")
    parser.add_argument("--stop", type=int, help="last code (default: the part's full scale)")
    parser.add_argument("--steps", type=int, default=65, help="number of codes (default 65)")
    parser.add_argument("--csv", default="dac_sweep.csv", help="CSV file to write")
    parser.add_argument("--png", default="dac_sweep.png", help="picture to write")
    return parser.parse_args()


def sweep_codes(start, stop, steps):
    if steps < 2:
        return [start]
    return sorted({round(start + (stop - start) * i / (steps - 1)) for i in range(steps)})


def connect(resource):
    """The session and the program's identity; exits with one line when nothing answers."""
    manager = pyvisa.ResourceManager("@py")
    try:
        board = manager.open_resource(resource)
        board.read_termination = "\n"
        board.write_termination = "\n"
        board.timeout = 10000
        return board, board.query("*IDN?").split(",")
    except (OSError, pyvisa.errors.VisaIOError) as error:
        sys.exit(f"no kteval answers at {resource} ({error}); start it with --listen")


def main():
    args = parse_arguments()
    board, identity = connect(args.resource or f"TCPIP::{args.host}::{args.port}::SOCKET")
    part = identity[1]
    bits, channels = PARTS[part]
    full_scale = (1 << bits) - 1
    stop = full_scale if args.stop is None else args.stop
    if not 0 <= args.channel < channels:
        sys.exit(f"{part} has channels 0 to {channels - 1}")
    if not 0 <= args.start <= stop <= full_scale:
        sys.exit(f"codes of {part} run from 0 to {full_scale}")

    # X1A reaches the output only through the channel's register A path.
    board.write(f"*CLS;:DAC{args.channel}:MUX A")
    rows = []
    for code in sweep_codes(args.start, stop, args.steps):
        board.write(f"DAC{args.channel}:X1A {code};:PULS:LDAC")
        # Python writes a float in its shortest round-trip form, as kteval answers it.
        rows.append((code, float(board.query(f"DAC{args.channel}:VOLT:EXAC?"))))
    error = board.query("SYST:ERR?")
    board.close()
    if not error.startswith("0,"):
        sys.exit(f"the sweep ended with an error: {error}")

    with open(args.csv, "w", newline="", encoding="utf-8") as out:
        writer = csv.writer(out)
        writer.writerow(["code", "volts"])
        writer.writerows(rows)

    figure, axes = plt.subplots(figsize=(7, 4.5), dpi=100)
    axes.plot([c for c, _ in rows], [v for _, v in rows], marker=".", linewidth=1)
    axes.set_title(f"{part} DAC{args.channel}: output voltage over input code (X1A)")
    axes.set_xlabel(f"input code (0 to {full_scale}, {bits} bits)")
    axes.set_ylabel("output voltage (V)")
    axes.grid(True, linewidth=0.5)
    figure.tight_layout()
    figure.savefig(args.png)
    print(f"{len(rows)} codes: {args.csv}, {args.png}")


if __name__ == "__main__":
    main()

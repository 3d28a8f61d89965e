#!/usr/bin/python3
"""Characterises DAC channels through kteval's command server and its meter.

For each channel: chooses the register A path (DAC<n>:MUX A), then for each
code writes X1A, pulses LDAC and asks kteval for the meter's reading at the
pin (DAC<n>:MEASure?), beside the voltage the program computes
(DAC<n>:VOLTage:EXACt?). Writes code, expected volts, measured volts and the
error in LSB (the code step, DAC<n>:VOLTage:STEP?) to a CSV file.

Start the program with a meter first, for example:
    kteval --simulate --part KT4410 --headless --listen 5025 --dmm simulated
then:
    examples/characterise.py --channels 0,1 --codes 65 --csv readings.csv

Needs PyVISA with the pyvisa-py backend (Debian: python3-pyvisa
python3-pyvisa-py, run by /usr/bin/python3).
"""

import argparse
import csv
import sys

import pyvisa


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=5025)
    parser.add_argument("--channels", default="0", help="channel numbers, as 0,1,5")
    parser.add_argument("--codes", type=int, default=65, help="evenly spaced codes (default 65)")
    parser.add_argument("--csv", default="readings.csv")
    return parser.parse_args()


def main():
    args = parse_arguments()
    board = pyvisa.ResourceManager("@py").open_resource(
        f"TCPIP::{args.host}::{args.port}::SOCKET", read_termination="\n",
        write_termination="\n", timeout=60000)
    part = board.query("PART?").strip()
    full_scale = (1 << (14 if part in ("KT4411", "KT4413", "KT4421", "KT4423") else 16)) - 1
    rows = []
    board.write("*CLS")
    for channel in (int(c) for c in args.channels.split(",")):
        step = abs(float(board.query(f"DAC{channel}:VOLT:STEP?")))
        board.write(f"DAC{channel}:MUX A")
        for i in range(args.codes):
            code = round(i * full_scale / (args.codes - 1))
            board.write(f"DAC{channel}:X1A {code};:PULS:LDAC")
            expected = float(board.query(f"DAC{channel}:VOLT:EXAC?"))
            measured = float(board.query(f"DAC{channel}:MEAS?"))
            rows.append((channel, code, expected, measured, (measured - expected) / step))
    error = board.query("SYST:ERR?")
    board.close()
    if not error.startswith("0,"):
        sys.exit(f"the run ended with an error: {error}")
    with open(args.csv, "w", newline="", encoding="utf-8") as out:
        writer = csv.writer(out)
        writer.writerow(["channel", "code", "expected_volts", "measured_volts", "error_lsb"])
        writer.writerows(rows)
    print(f"{len(rows)} readings in {args.csv}")


if __name__ == "__main__":
    main()

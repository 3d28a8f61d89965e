#!/usr/bin/python3
"""Ramps one channel at a set slew rate with kteval's DAC<n>:VOLTage:SLEW.

Sets the rate, asks for the new voltage, and reads the output while the ramp
runs (each query answers the present step) until *OPC? says it has ended.

    kteval --simulate --part KT4420 --headless --listen 5025 &
    examples/ramp.py --channel 3 --rate 20 --to 2.5

Needs PyVISA with the pyvisa-py backend (Debian: python3-pyvisa
python3-pyvisa-py, run by /usr/bin/python3).
"""

import argparse
import time

import pyvisa


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=5025)
    parser.add_argument("--channel", type=int, default=3)
    parser.add_argument("--rate", type=float, default=20.0, help="V/s")
    parser.add_argument("--to", type=float, default=2.5, help="volts")
    args = parser.parse_args()
    board = pyvisa.ResourceManager("@py").open_resource(
        f"TCPIP::{args.host}::{args.port}::SOCKET", read_termination="\n",
        write_termination="\n", timeout=600000)
    n = args.channel
    board.write(f"*CLS;:DAC{n}:MUX A;:INP A;:DAC{n}:VOLT:SLEW {args.rate};:DAC{n}:VOLT {args.to}")
    start = time.monotonic()
    while board.query("STAT:OPER:COND?").strip() != "0":
        print(f"{time.monotonic() - start:6.3f} s  {board.query(f'DAC{n}:VOLT:EXAC?').strip()} V")
        time.sleep(0.02)
    board.query("*OPC?")
    print("reached", board.query(f"DAC{n}:VOLT:EXAC?").strip(), "V;",
          board.query("SYST:ERR?").strip())
    board.close()


if __name__ == "__main__":
    main()

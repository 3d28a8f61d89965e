#!/usr/bin/python3
"""Plays a staircase on two channels with kteval's list commands.

DAC1 climbs and DAC2 falls in STEPS steps of DWELL seconds, every step one
LDAC pulse for both; the list runs COUNT times, then *OPC? answers. With
--bus the list waits for *TRG, sent by the script.

    kteval --simulate --part KT4420 --headless --listen 5025 &
    examples/list_staircase.py --steps 8 --dwell 0.05 --count 2

Needs PyVISA with the pyvisa-py backend (Debian: python3-pyvisa
python3-pyvisa-py, run by /usr/bin/python3).
"""

import argparse

import pyvisa


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=5025)
    parser.add_argument("--steps", type=int, default=8)
    parser.add_argument("--dwell", type=float, default=0.05)
    parser.add_argument("--count", type=int, default=1)
    parser.add_argument("--bus", action="store_true", help="wait for *TRG")
    args = parser.parse_args()
    board = pyvisa.ResourceManager("@py").open_resource(
        f"TCPIP::{args.host}::{args.port}::SOCKET", read_termination="\n",
        write_termination="\n", timeout=600000)
    up = ",".join(f"{k * 0.5:g}" for k in range(args.steps))
    down = ",".join(f"{-k * 0.5:g}" for k in range(args.steps))
    board.write(f"*CLS;:DAC1:LIST:VOLT {up};:DAC2:LIST:VOLT {down}")
    board.write(f"LIST:DWEL {args.dwell};COUN {args.count}")
    print("shortest dwell on this link:", board.query("LIST:DWEL? MIN").strip(), "s")
    board.write(f"TRIG:SOUR {'BUS' if args.bus else 'IMM'};:INIT")
    print("condition:", board.query("STAT:OPER:COND?").strip())
    if args.bus:
        board.write("*TRG")
    board.query("*OPC?")
    print("DAC1", board.query("DAC1:VOLT:EXAC?").strip(), "V, DAC2",
          board.query("DAC2:VOLT:EXAC?").strip(), "V;", board.query("SYST:ERR?").strip())
    board.close()


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Real clients of kteval's command server.

Starts `kteval --simulate --part P --headless --listen 127.0.0.1:0` with a
request trace and no XDG_RUNTIME_DIR, and checks that it prints only its own
lines. Then either drives it through TCPIP::127.0.0.1::<port>::SOCKET with the
pyvisa-py backend (one short session) and with the PyMeasure driver of
examples/, and compares the trace with the requests each session must cause,
word by word; or (with "nc") runs the README's `nc -q 1` example 100
times, which shuts down its sending side before the answer comes.

Usage: remote_visa_test.py PATH/TO/kteval [nc]
"""

import concurrent.futures
import contextlib
import logging
import os
import re
import subprocess
import sys
import tempfile
import threading

import pyvisa

START = [("load",), (224, 0, 0, 0, 0)]  # firmware load and start request


def word(w):
    """A 24-bit word written to the chip: request 221, bits 15-0, bits 23-16."""
    return (221, w & 0xFFFF, (w >> 16) & 0xFF, 0, 0)


def line(code):
    return (code, 0, 0, 0, 0)


READ = (221, 0, 0, 1, 3)
LDAC_PULSE, RESET_LOW, RESET_HIGH = 222, 219, 218


def x_word(channel_index, value, bits):
    """X write of a channel: mode 0xC0, address index + 8, value scaled to 16 bits."""
    return word(0xC00000 | (channel_index + 8) << 16 | value << (16 - bits))


# The session, as (command, expected answer or None for a write), and the
# requests it causes after start-up: the reload loads the firmware again.
SESSION = [
    ("*IDN?", "kteval,KT4421,SIMULATED,1.05"),
    ("DAC5:X1A #H3FFF", None),
    ("PULS:LDAC", None),
    ("DAC5:VOLT?", "7.9995"),
    ("FOO", None),
    ("SYST:ERR?", '-113,"Undefined header;FOO"'),
    ("BOARD:RELoad", None),
    ("*OPC?", "1"),
]
SESSION_REQUESTS = [
    x_word(5, 0x3FFF, 14),
    line(LDAC_PULSE),
    ("load",),
    line(224),
    line(RESET_LOW),
    line(RESET_HIGH),
]


TRACE_LINE = re.compile(
    r"^\d+ ms (?:(?P<load>LoadFirmWare) .*|request (?P<req>\d+) value 0x(?P<value>[0-9A-F]+) "
    r"index 0x(?P<index>[0-9A-F]+) dir (?P<dir>\d+) len (?P<len>\d+) result .*)$"
)


def read_trace(path):
    requests = []
    with open(path, encoding="utf-8") as trace:
        for text in trace:
            m = TRACE_LINE.match(text.rstrip("\n"))
            if not m:
                raise AssertionError(f"unexpected trace line: {text!r}")
            if m.group("load"):
                requests.append(("load",))
            else:
                requests.append(tuple(int(m.group(k), 16 if k in ("value", "index") else 10)
                                      for k in ("req", "value", "index", "dir", "len")))
    return requests


@contextlib.contextmanager
def started(kteval, part, trace):
    """kteval listening on a free port (yielded); on leaving, ends it and checks its messages."""
    env = dict(os.environ, KTEVAL_TRACE=trace)
    env.pop("XDG_RUNTIME_DIR", None)
    program = subprocess.Popen(
        [kteval, "--simulate", "--part", part, "--headless", "--listen", "127.0.0.1:0"],
        env=env, stderr=subprocess.PIPE, text=True)
    messages = []
    try:
        port = None
        for text in program.stderr:
            messages.append(text)
            found = re.match(r"kteval: listening on 127\.0\.0\.1:(\d+)$", text.strip())
            if found:
                port = int(found.group(1))
                break
        if port is None:
            raise AssertionError(f"{part}: kteval did not start listening: {messages}")
        # Keep reading its messages, so that it never waits on a full pipe.
        threading.Thread(target=lambda: messages.extend(program.stderr), daemon=True).start()
        yield port
    finally:
        program.terminate()
        status = program.wait(timeout=60)
    # A headless program ends normally on SIGTERM (and, built with
    # AddressSanitizer, only after its leak check has passed).
    if status != 0:
        raise AssertionError(f"{part}: kteval ended with {status}: {''.join(messages)}")
    foreign = [m for m in messages if not m.startswith("kteval: ")]
    if foreign:
        raise AssertionError(f"{part}: lines not kteval's own: {foreign}")


@contextlib.contextmanager
def served(kteval, part, expected):
    """kteval serving part on a free port (yielded); on leaving, its trace must
    be the start-up requests and then expected."""
    with tempfile.TemporaryDirectory() as scratch:
        trace = os.path.join(scratch, "trace")
        with started(kteval, part, trace) as port:
            yield port
        requests = read_trace(trace)
        if requests != START + expected:
            raise AssertionError(
                f"{part}: trace differs\n  sent:     {requests}\n  expected: {START + expected}")


def run_session(kteval, part="KT4421", commands=SESSION, expected=SESSION_REQUESTS):
    with served(kteval, part, expected) as port:
        manager = pyvisa.ResourceManager("@py")
        instrument = manager.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET")
        instrument.read_termination = "\n"
        instrument.write_termination = "\n"
        instrument.timeout = 20000
        for command, answer in commands:
            if answer is None:
                instrument.write(command)
                continue
            got = instrument.query(command)
            if got != answer:
                raise AssertionError(f"{part}: {command!r} answered {got!r}, not {answer!r}")
        instrument.close()
        manager.close()
    print(f"{part}: {len(commands)} commands, {len(expected)} requests as expected")


def run_nc(kteval, runs=100, lanes=8):
    """nc -q 1 waits a second after its input ends: eight lanes of runs in a row."""
    with tempfile.TemporaryDirectory() as scratch:
        trace = os.path.join(scratch, "trace")
        with started(kteval, "KT4421", trace) as port:
            def lane(count):
                return [subprocess.run(
                    ["nc", "-q", "1", "127.0.0.1", str(port)], text=True, capture_output=True,
                    input="DAC5:X1A #H3FFF;:PULS:LDAC\nDAC5:VOLT?\n", timeout=30).stdout
                    for _ in range(count)]
            with concurrent.futures.ThreadPoolExecutor(lanes) as pool:
                answers = sum(pool.map(lane, [runs // lanes + (i < runs % lanes)
                                              for i in range(lanes)]), [])
        missing = len([a for a in answers if a != "7.9995\n"])
        if missing:
            raise AssertionError(f"nc: {missing} of {runs} answers lost: {set(answers)}")
        written = read_trace(trace)[len(START):]
        if written != [x_word(5, 0x3FFF, 14), line(LDAC_PULSE)] * runs:
            raise AssertionError(f"nc: trace differs: {written}")
    print(f"nc -q 1: {runs} of {runs} answers")


class Recorded(logging.Handler):
    def __init__(self):
        super().__init__()
        self.lines = []

    def emit(self, record):
        self.lines.append(record.getMessage())


def check(what, got, wanted):
    if got != wanted:
        raise AssertionError(f"PyMeasure: {what} is {got!r}, not {wanted!r}")


def run_pymeasure_session(kteval):
    """The example driver through PyMeasure's Instrument base class."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../examples"))
    from kteval_pymeasure import Kteval, log  # noqa: E402

    logged = Recorded()
    log.addHandler(logged)
    expected = [x_word(5, 0x3FFF, 14), line(LDAC_PULSE), READ]
    with served(kteval, "KT4421", expected) as port:
        board = Kteval(f"TCPIP::127.0.0.1::{port}::SOCKET", timeout=20000)
        check("id", board.id, "kteval,KT4421,SIMULATED,1.05")
        check("options", board.options, 0)
        board.dac[5].x1a = 0x3FFF
        board.pulse_ldac()
        check("dac[5] x1a, voltage", (board.dac[5].x1a, board.dac[5].voltage), (16383, 7.9995))
        check("self_test", board.self_test, 0)
        board.dac[5].x1a = 0x4000  # refused, logged by check_errors
        check("log", logged.lines, ['kteval reported -222: Data out of range;DAC5:X1A above 16383'])
        board.write("DAC40:M 1")
        check("status_byte", board.status_byte, 4)
        check("errors", board.check_errors(),
              [(-114, "Header suffix out of range;DAC40:M suffix above 39")])
        check("event_status, status_byte", (board.event_status, board.status_byte), (48, 0))
        board.adapter.connection.close()
    print(f"PyMeasure: driver session, {len(expected)} requests as expected")


def main():
    kteval = sys.argv[1]
    if sys.argv[2:] == ["nc"]:
        run_nc(kteval)
        return
    run_session(kteval)
    run_pymeasure_session(kteval)


if __name__ == "__main__":
    main()

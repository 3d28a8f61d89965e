#!/usr/bin/python3
"""Real clients of `kteval --simulate --headless --listen 127.0.0.1:0`, checked
against its request trace: a short PyVISA session and the PyMeasure driver of
examples/ (visa), or the README's `nc -q 1` example 100 times (nc), or PyVISA
and the examples over VXI-11, found through the portmapper (vxi11: run it in
tests/support/lab-network --rpcbind).

Usage: remote_visa_test.py PATH/TO/kteval visa|nc|vxi11
"""

import concurrent.futures, contextlib, logging, os, re, subprocess, sys, tempfile, threading

import pyvisa

START = [("load",), (224, 0, 0, 0, 0)]  # firmware load and start request
X5 = (221, 0xFFFC, 0xCD, 0, 0)  # DAC5:X1A #H3FFF on a 14-bit part: mode C0, address 13
LDAC, READ = (222, 0, 0, 0, 0), (221, 0, 0, 1, 3)
TRACE = re.compile(r"\d+ ms (?:LoadFirmWare .*|request (\d+) value 0x(\w+) index 0x(\w+) "
                   r"dir (\d+) len (\d+) result .*)")


@contextlib.contextmanager
def served(kteval, expected=None):
    """kteval on KT4421 (its port yielded); afterwards the trace must be START + expected."""
    scratch = tempfile.TemporaryDirectory()
    trace = os.path.join(scratch.name, "trace")
    env = dict(os.environ, KTEVAL_TRACE=trace)
    env.pop("XDG_RUNTIME_DIR", None)
    program = subprocess.Popen([kteval, "--simulate", "--part", "KT4421", "--headless",
                                "--listen", "127.0.0.1:0"], env=env, stderr=subprocess.PIPE,
                               text=True)
    messages = []
    try:
        for text in program.stderr:
            messages.append(text)
            if found := re.fullmatch(r"kteval: listening on 127\.0\.0\.1:(\d+)", text.strip()):
                break
        else:
            raise AssertionError(f"kteval did not start listening: {messages}")
        threading.Thread(target=lambda: messages.extend(program.stderr), daemon=True).start()
        yield int(found.group(1))
    finally:
        program.terminate()
        status = program.wait(timeout=60)
    if status != 0 or any(not m.startswith("kteval: ") for m in messages):
        raise AssertionError(f"kteval ended with {status}: {''.join(messages)}")
    with open(trace, encoding="utf-8") as lines:
        requests = [("load",) if not m.group(1) else (int(m[1]), int(m[2], 16), int(m[3], 16),
                                                     int(m[4]), int(m[5]))
                    for m in (TRACE.fullmatch(text.rstrip("\n")) for text in lines)]
    if expected is not None and requests != START + expected:
        raise AssertionError(f"trace {requests}, not {START + expected}")
    served.requests = requests


def check(what, got, wanted):
    if got != wanted:
        raise AssertionError(f"{what}: {got!r}, not {wanted!r}")


def run_visa(kteval):
    """One short PyVISA session; the reload loads the firmware again and resets the chip."""
    with served(kteval, [X5, LDAC, ("load",), START[1], (219, 0, 0, 0, 0), (218, 0, 0, 0, 0)]) as port:
        manager = pyvisa.ResourceManager("@py")
        visa = manager.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET", read_termination="\n",
                                     write_termination="\n", timeout=20000)
        for command, answer in [("*IDN?", "kteval,KT4421,SIMULATED,1.05"),
                                ("DAC5:X1A #H3FFF;:PULS:LDAC", None), ("DAC5:VOLT?", "7.9995"),
                                ("FOO", None), ("SYST:ERR?", '-113,"Undefined header;FOO"'),
                                ("BOARD:RELoad", None), ("*OPC?", "1")]:
            check(command, visa.write(command) and None if answer is None else visa.query(command),
                  answer)
        visa.close()
        manager.close()


def run_pymeasure(kteval):
    """The example driver through PyMeasure's Instrument base class."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../examples"))
    from kteval_pymeasure import Kteval, log  # noqa: E402
    logged = []
    log.addHandler(type("Recorded", (logging.Handler,), {"emit": lambda _, r: logged.append(r.getMessage())})())
    with served(kteval, [X5, LDAC, READ]) as port:
        board = Kteval(f"TCPIP::127.0.0.1::{port}::SOCKET", timeout=20000)
        check("id, options", (board.id, board.options), ("kteval,KT4421,SIMULATED,1.05", 0))
        board.dac[5].x1a = 0x3FFF
        board.pulse_ldac()
        check("x1a, voltage", (board.dac[5].x1a, board.dac[5].voltage), (16383, 7.9995))
        check("self_test", board.self_test, 0)
        board.dac[5].x1a = 0x4000  # refused, logged by check_errors
        check("log", logged, ["kteval reported -222: Data out of range;DAC5:X1A above 16383"])
        board.write("DAC40:M 1")
        check("status_byte", board.status_byte, 4)
        check("errors", board.check_errors(),
              [(-114, "Header suffix out of range;DAC40:M suffix above 39")])
        check("event_status, status_byte", (board.event_status, board.status_byte), (48, 0))
        board.adapter.connection.close()


def run_nc(kteval, runs=100, lanes=8):
    """nc -q 1 waits a second after its input ends: eight lanes of runs in a row."""
    with served(kteval) as port:
        def lane(count):
            return [subprocess.run(["nc", "-q", "1", "127.0.0.1", str(port)], text=True,
                                   capture_output=True, timeout=30,
                                   input="DAC5:X1A #H3FFF;:PULS:LDAC\nDAC5:VOLT?\n").stdout
                    for _ in range(count)]
        with concurrent.futures.ThreadPoolExecutor(lanes) as pool:
            answers = sum(pool.map(lane, [runs // lanes + (i < runs % lanes)
                                          for i in range(lanes)]), [])
    check("nc answers", answers, ["7.9995\n"] * runs)
    check("nc trace", served.requests, START + [X5, LDAC] * runs)


def run_vxi11(kteval):
    """PyVISA's calls over VXI-11, then the examples unchanged but for the resource."""
    instr = "TCPIP::127.0.0.1::INSTR"
    with served(kteval, [X5, LDAC]):
        visa = pyvisa.ResourceManager("@py").open_resource(
            instr, read_termination="\n", write_termination="\n", timeout=20000)
        visa.write("DAC5:X1A #H3FFF;:PULS:LDAC")
        check("query", visa.query("DAC5:VOLT?"), "7.9995")
        visa.write("FOO")
        check("read_stb", visa.read_stb(), 4)
        visa.write("*IDN?")
        visa.clear()  # the unread answer goes
        visa.timeout = 300
        try:
            raise AssertionError(f"an answer outlived the clear: {visa.read()!r}")
        except pyvisa.errors.VisaIOError as error:
            check("read after clear", error.error_code, pyvisa.constants.StatusCode.error_timeout)
        visa.timeout = 20000
        check("error queue", visa.query("SYST:ERR?"), '-113,"Undefined header;FOO"')
        visa.write("*IDN?")
        check("read", visa.read(), "kteval,KT4421,SIMULATED,1.05")
        visa.close()
    examples = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../examples")
    with served(kteval), tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, os.path.join(examples, "dac_sweep.py"), "--resource", instr,
                        "--channel", "5", "--steps", "5", "--csv", f"{out}/s.csv",
                        "--png", f"{out}/s.png"], check=True, timeout=120)
        with open(f"{out}/s.csv", encoding="utf-8") as table:
            rows = [line.strip().split(",") for line in table][1:]
        check("sweep codes", [int(code) for code, _ in rows], [0, 4096, 8192, 12287, 16383])
        volts = [float(v) for _, v in rows]
        check("sweep rises", volts, sorted(set(volts)))
        driver = subprocess.run([sys.executable, os.path.join(examples, "kteval_pymeasure.py"), instr],
                                capture_output=True, text=True, check=True, timeout=120).stdout
        check("PyMeasure example", "DAC5: 7.9995 V" in driver and "errors: []" in driver, True)


if __name__ == "__main__":
    if sys.argv[2:] == ["nc"]:
        run_nc(sys.argv[1])
    elif sys.argv[2:] == ["vxi11"]:
        run_vxi11(sys.argv[1])
    else:
        run_visa(sys.argv[1])
        run_pymeasure(sys.argv[1])

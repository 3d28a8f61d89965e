#!/usr/bin/python3
"""The web port of `kteval --simulate --headless --listen 127.0.0.1:0 --web 127.0.0.1:0`:
the identification document against *IDN? and the raw socket's port, /status.json
against the channels' queries, the page in headless Chromium after a client moved
a channel, and no request to the board from any of them (the request trace).

Usage: web_page_test.py PATH/TO/kteval [PART] [--screenshot FILE]
"""

import json, os, re, socket, subprocess, sys, tempfile, threading, urllib.request
import xml.etree.ElementTree as ET

LXI = "{http://www.lxistandard.org/InstrumentIdentification/1.0}"


def check(what, got, wanted):
    if got != wanted:
        raise AssertionError(f"{what}: {got!r}, not {wanted!r}")


class Client:
    """One raw-socket client: a line out, a line back."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=20)
        self.lines = self.sock.makefile("r", encoding="utf-8")

    def write(self, line):
        self.sock.sendall(line.encode() + b"\n")

    def query(self, line):
        self.write(line)
        return self.lines.readline().rstrip("\n")


def fetch(port, path):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=20) as answer:
        return answer.headers.get_content_type(), answer.read().decode("utf-8")


def chromium(port, *options):
    with tempfile.TemporaryDirectory() as profile:
        return subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu",
                               f"--user-data-dir={profile}", "--virtual-time-budget=5000",
                               *options, f"http://127.0.0.1:{port}/"],
                              capture_output=True, text=True, timeout=120, check=True).stdout


def run(kteval, part, screenshot):
    scratch = tempfile.TemporaryDirectory()
    trace = os.path.join(scratch.name, "trace")
    env = dict(os.environ, KTEVAL_TRACE=trace)
    env.pop("XDG_RUNTIME_DIR", None)
    program = subprocess.Popen([kteval, "--simulate", "--part", part, "--headless", "--listen",
                                "127.0.0.1:0", "--web", "127.0.0.1:0"],
                               env=env, stderr=subprocess.PIPE, text=True)
    messages, ports = [], {}
    try:
        for text in program.stderr:
            messages.append(text)
            if found := re.fullmatch(r"kteval: (listening|web page) on 127\.0\.0\.1:(\d+)",
                                     text.strip()):
                ports[found[1]] = int(found[2])
            if len(ports) == 2:
                break
        else:
            raise AssertionError(f"kteval did not start serving: {messages}")
        threading.Thread(target=lambda: messages.extend(program.stderr), daemon=True).start()
        raw, web = ports["listening"], ports["web page"]
        client = Client(raw)
        # Channels moved by a client; the pages that follow send nothing.
        for command in ["DAC5:X1A 1000;:DAC5:M 12000;:PULS:LDAC", "DAC2:MUX B", "DAC2:X1B 7",
                        "DAC2:C 100;:PULS:LDAC", "DAC7:X1A 2345;:PULS:LDAC"]:
            client.write(command)
        check("errors", client.query("SYST:ERR?"), '0,"No error"')
        with open(trace, encoding="utf-8") as lines:
            before = lines.read()
        idn = client.query("*IDN?").split(",")

        # The identification document.
        kind, text = fetch(web, "/lxi/identification")
        check("identification type", kind, "text/xml")
        device = ET.fromstring(text)
        check("root", device.tag, LXI + "LXIDevice")
        check("*IDN? fields", [device.findtext(LXI + name) for name in
                               ("Manufacturer", "Model", "SerialNumber", "FirmwareRevision")], idn)
        interface = device.find(LXI + "Interface")
        check("interface type", interface.get("InterfaceType"), "LXI")
        check("resources", [e.text for e in interface.findall(LXI + "InstrumentAddressString")],
              ["TCPIP::127.0.0.1::INSTR", f"TCPIP::127.0.0.1::{raw}::SOCKET"])
        if not device.findtext(LXI + "LXIVersion"):
            raise AssertionError("no LXIVersion")

        # The status against the channels' queries.
        kind, text = fetch(web, "/status.json")
        check("status type", kind, "application/json")
        status = json.loads(text)
        check("status fields", [status[k] for k in ("manufacturer", "part", "board", "version")],
              idn)
        check("clients", [c["protocol"] for c in status["clients"]], ["socket"])
        for channel in status["channels"]:
            n = channel["number"]
            got = [channel[k] for k in ("x1a", "x1b", "m", "c", "mux", "effective")]
            wanted = [int(client.query(f"DAC{n}:{q}?")) for q in ("X1A", "X1B", "M", "C")]
            mux = client.query(f"DAC{n}:MUX?")
            wanted += [mux, int(client.query(f"DAC{n}:X2{mux}?"))]
            check(f"DAC{n}", got + [channel["volts"]], wanted + [client.query(f"DAC{n}:VOLT?")])
            # As the window's X2 label: the low 16 bits, also of a negative code.
            check(f"DAC{n} effective text", channel["effectiveText"],
                  f"{channel['effective'] & 0xFFFF:04X}")
        # Every channel: numbers 0 to N-1, and channel N is refused.
        count = len(status["channels"])
        check("channel numbers", [c["number"] for c in status["channels"]], list(range(count)))
        client.write(f"DAC{count}:X1A?")
        check(f"DAC{count}", client.query("SYST:ERR?").split(",")[0], "-114")

        # The page as a browser shows it once its script has run.
        volts = client.query("DAC7:VOLT?")
        kind, text = fetch(web, "/")
        check("page type", kind, "text/html")
        dom = chromium(web, "--dump-dom")
        row = re.search(r'<tr id="dac7">(.*?)</tr>', dom)
        cells = re.findall(r"<td[^>]*>([^<]*)</td>", row[1]) if row else []
        check("DAC7 row", (cells[1:2], cells[-1:]), ([f"{2345:04X}"], [f"{volts} V"]))
        if screenshot:
            chromium(web, "--window-size=1000,1180", f"--screenshot={os.path.abspath(screenshot)}")
        client.sock.close()
        with open(trace, encoding="utf-8") as lines:
            check("board requests while the pages were read", lines.read()[len(before):], "")
    finally:
        program.terminate()
        status = program.wait(timeout=60)
    if status != 0 or any(not m.startswith("kteval: ") for m in messages):
        raise AssertionError(f"kteval ended with {status}: {''.join(messages)}")


if __name__ == "__main__":
    arguments = sys.argv[1:]
    shot = None
    if "--screenshot" in arguments:
        at = arguments.index("--screenshot")
        shot = arguments[at + 1]
        del arguments[at:at + 2]
    run(arguments[0], arguments[1] if len(arguments) > 1 else "KT4421", shot)

#!/usr/bin/python3
"""A PyMeasure driver for kteval's command server.

    from kteval_pymeasure import Kteval
    board = Kteval("TCPIP::127.0.0.1::5025::SOCKET")
    board.dac[5].x1a = 1000        # DAC5:X1A 1000, then the error queue is checked
    board.pulse_ldac()             # PULS:LDAC
    print(board.dac[5].voltage)    # DAC5:VOLTage?
    print(board.options, board.check_errors())

Start the program first, for example:
    kteval --simulate --part KT4421 --headless --listen 5025

Needs PyMeasure 0.9 with PyVISA's pyvisa-py backend (Debian: python3-pymeasure
python3-pyvisa-py, run by /usr/bin/python3). Run as a script it prints the
identification, the options and DAC5's voltage at full scale.
"""

import logging
import sys

from pymeasure.instruments import Instrument

log = logging.getLogger(__name__)
log.addHandler(logging.NullHandler())


def register_control(name):
    """A channel register as a property: read DAC<n>:<name>?, write DAC<n>:<name> <code>."""
    return Instrument.control(
        f"DAC{{n}}:{name}?", f"DAC{{n}}:{name} %d",
        f"Input register {name}: a code up to the part's full scale.",
        cast=int, check_set_errors=True)


class DacChannel:
    """One DAC channel, DAC<n>: its registers and its output voltage.

    The commands are the instrument's, with the channel number filled in; a
    value the part does not take is refused by kteval and logged by
    check_errors (for example -222,"Data out of range;DAC5:X1A above 16383").
    """

    def __init__(self, instrument, number):
        self.instrument = instrument
        self.number = number

    # Instrument.control and measurement call these on the object they belong to.
    def values(self, command, **kwargs):
        return self.instrument.values(command.format(n=self.number), **kwargs)

    def write(self, command):
        self.instrument.write(command.format(n=self.number))

    def check_errors(self):
        return self.instrument.check_errors()

    x1a = register_control("X1A")
    x1b = register_control("X1B")
    m = register_control("M")
    c = register_control("C")
    mux = Instrument.control(
        "DAC{n}:MUX?", "DAC{n}:MUX %s",
        "The DAC register's source: 'A' (X2A) or 'B' (X2B).",
        cast=str, check_set_errors=True)
    register = Instrument.measurement(
        "DAC{n}:REGister?", "The DAC register: what the last LDAC pulse loaded.", cast=int)
    voltage = Instrument.measurement(
        "DAC{n}:VOLTage?", "The output voltage in volts, as the voltage table shows it.")


class DacChannels:
    """dac[n]: channel n as the captions number it; kteval refuses one the part lacks."""

    def __init__(self, instrument):
        self.instrument = instrument

    def __getitem__(self, number):
        return DacChannel(self.instrument, int(number))


class Kteval(Instrument):
    """kteval, driving a DAC evaluation board, over its SCPI socket."""

    def __init__(self, resource, name="kteval", **kwargs):
        kwargs.setdefault("visa_library", "@py")
        kwargs.setdefault("read_termination", "\n")
        kwargs.setdefault("write_termination", "\n")
        kwargs.setdefault("timeout", 10000)
        super().__init__(resource, name, includeSCPI=True, **kwargs)
        self.dac = DacChannels(self)

    options = Instrument.measurement("*OPT?", "Installed options: 0 (none).", cast=int)
    status_byte = Instrument.measurement(
        "*STB?", "IEEE 488.2 status byte: 4 error queued, 32 enabled event, 64 summary.",
        cast=int)
    event_status = Instrument.measurement(
        "*ESR?", "Standard event status register, cleared by reading it.", cast=int)
    self_test = Instrument.measurement(
        "*TST?", "0 when the board link answers a read, else its negative result.", cast=int)
    channel = Instrument.control(
        "CHANnel?", "CHANnel %d", "The selected channel.", cast=int, check_set_errors=True)

    def pulse_ldac(self):
        """Loads the selected channel's DAC register, as "Pulse LDAC"."""
        self.write("PULSe:LDAC")

    def check_errors(self):
        """Reads the error queue until it is empty; logs and returns the errors
        as (code, text) pairs, oldest first."""
        errors = []
        while True:
            code, _, text = self.ask("SYSTem:ERRor?").strip().partition(",")
            if int(code) == 0:
                return errors
            text = text.strip('"')
            log.error("%s reported %s: %s", self.name, code, text)
            errors.append((int(code), text))


def main():
    address = sys.argv[1] if len(sys.argv) > 1 else "TCPIP::127.0.0.1::5025::SOCKET"
    board = Kteval(address)
    print(board.id)
    print("options:", board.options)
    board.dac[5].x1a = 0x3FFF
    board.pulse_ldac()
    print("DAC5:", board.dac[5].voltage, "V")
    print("errors:", board.check_errors())


if __name__ == "__main__":
    main()

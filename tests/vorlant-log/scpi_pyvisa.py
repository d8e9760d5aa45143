"""A lab script as a user would write it, run by the SCPI end-to-end tests:
PyVISA with its pure-Python backend against the socket of vorlant-log or the
window. Argument: the port. Prints what it checked; exits 1 on the first
mismatch, saying which."""

import sys

import pyvisa


def main():
    port = int(sys.argv[1])
    rm = pyvisa.ResourceManager("@py")
    inst = rm.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET",
                            read_termination="\n", write_termination="\n")
    inst.timeout = 20000  # READ? waits up to 5 s on the server's side

    def expect(what, ok, got):
        if not ok:
            print(f"FAIL {what}: {got!r}")
            sys.exit(1)
        print(f"ok {what}: {got}")

    idn = inst.query("*IDN?")
    expect("*IDN?", idn.startswith("Vorlant,LCR meter,"), idn)

    inst.write("FUNC:IMP CPD")
    inst.write("FREQ 10kHz")
    inst.write("VOLT 0.5")
    settings = inst.query("FREQ?;VOLT?;FUNC:IMP?")
    expect("settings", settings == "+1.00000E+04;+5.00000E-01;CPD", settings)

    # The simulator's part: 100 nF with 0.2 ohm ESR; D = 0.2 * 2 pi 10 kHz * 100 nF.
    for i in range(20):
        primary, secondary, status = inst.query("READ?").split(",")
        c, d = float(primary), float(secondary)
        ok = status == "0" and abs(c - 100e-9) < 1e-9 and abs(d - 1.2566e-3) < 0.05e-3
        expect(f"READ? {i + 1}", ok, f"{primary},{secondary},{status}")

    err = inst.query("SYST:ERR?")
    expect("no error", err == '0,"No error"', err)
    inst.write("BOGUS:CMD 1")
    err = inst.query("SYST:ERR?")
    expect("bad command", err.startswith("-113,"), err)
    inst.close()
    rm.close()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""A scripted cash register, as a register developer would write one against VarnixPos: it drops
each command in SRINPF.TXT, waits for VarnixPos to take it, and reads the outcome back from the
log file (LogVnxPos.TXT, switched on in the parameter file). It does what the simulator's test
set asks, step by step, following the simulator's standard output: "[N/M] name: instruction".

Its own logic is a careful register's: after ETH ERROR or COM ERROR it asks for the status
(POS_STATUS), and it never sends a payment again by itself. --mistake makes it a careless one:
  resend-declined   sends a declined payment again at once
  resend-late       sends a declined payment again when the next step is announced
  resend-timeout    sends a payment again after TIMEOUT ERROR
  resend-drop       sends a payment again after ETH ERROR (and its POS_STATUS)
  resend-after-last sends the last payment again once the simulator says the steps are over
  ignore-eth-error  asks for no status after a link error
  wrong-command     sends its first payment as POS_PAGAME instead of POS_PAGEXT
  no-ecr-id         sends its first command without the E field
  idle              does nothing at all
With --script it follows no set: it sends the given command lines, one after the other ("{N}" in
a line stands for the STAN the terminal approved the N-th with), as a developer clicking through
a sale would."""
import argparse
import json
import os
import re
import sys
import time

SEP = "-" * 52
STEP_LINE = re.compile(r"^\[(\d+)/(\d+)\] ")


def wait_for(predicate, seconds, what):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.02)
    sys.exit("register: gave up waiting for %s" % what)


def read(path, encoding="cp1252"):
    try:
        with open(path, "rb") as f:
            return f.read().decode(encoding, errors="replace")
    except OSError:
        return None


def stamp(path):
    try:
        st = os.stat(path)
    except OSError:
        return None
    return st.st_ino, st.st_size, st.st_mtime_ns


class Register:
    def __init__(self, data, mistake):
        self.command_file = os.path.join(data, "SRINPF.TXT")
        self.log = os.path.join(data, "LogVnxPos.TXT")
        self.mistake = mistake
        self.stans = {}  # step name -> STAN of its approved answer, as printed on the receipt
        self.late = None  # a declined payment to send again at the next step
        self.last_payment = None
        self.first = True

    def send(self, line):
        """One command: written whole through a temporary name, taken by VarnixPos, and its
        log record read back: (ESITO_COMANDO, ESITO_TRANSAZ, STAN)."""
        before = stamp(self.log)
        temporary = self.command_file + ".tmp"
        with open(temporary, "wb") as f:
            f.write((line + "\r\n").encode("cp1252"))
        os.replace(temporary, self.command_file)
        wait_for(lambda: not os.path.exists(self.command_file), 180, "VarnixPos to take " + line)
        head = "TIPO_COMANDO  = %s\r\n" % line.upper()

        def record():
            if stamp(self.log) == before:
                return None
            text = read(self.log)
            complete = (text and text.startswith(head)
                        and text.endswith(SEP + "\r\n" + SEP + "\r\n"))
            return text if complete else None

        text = wait_for(record, 10, "the log record of " + line)
        fields = {}
        for row in text.split("\r\n"):
            key, _, value = row.partition(" = ")
            fields[key.strip()] = value
        # The values carry the record's blank padding ("00 " in a three-character field).
        outcome = tuple(fields.get(key, "").strip()
                        for key in ("ESITO_COMANDO", "ESITO_TRANSAZ", "POSDATA.STAN"))
        print("register: %s -> %s / %s" % (line, outcome[0], outcome[1]), flush=True)
        return outcome

    def command_for(self, step):
        expect = step["expect"]
        command = expect["command"]
        amount = expect.get("amount")
        if isinstance(amount, dict):
            amount = amount.get("min", amount.get("max"))
        if command == "POS_PAGEXT":
            return "POS_PAGEXT,T1,E42,A%d,P0" % amount
        if command == "POS_ACCRED":
            return "POS_ACCRED,T1,E42,A%d" % amount
        if command == "POS_STORNO":
            stan = expect.get("stan") or self.stans.get(expect.get("stan_of"), "")
            return "POS_STORNO,T1,E42,S%s" % stan
        return "%s,T1,E42" % command

    def do_step(self, step):
        if self.late:
            self.send(self.late)
            self.late = None
        line = self.command_for(step)
        sent = line
        if self.first and self.mistake == "wrong-command":
            sent = line.replace("POS_PAGEXT", "POS_PAGAME")
        if self.first and self.mistake == "no-ecr-id":
            sent = line.replace(",E42", "")
        self.first = False
        outcome, transaction, stan = self.send(sent)
        if line.startswith("POS_PAGEXT"):
            self.last_payment = line
        if outcome == "OK" and transaction == "00" and stan:
            self.stans[step["name"]] = stan
        if outcome in ("ETH ERROR", "COM ERROR") and self.mistake != "ignore-eth-error":
            self.send("POS_STATUS")
        declined = outcome == "OK" and transaction != "00"
        if ((declined and self.mistake == "resend-declined")
                or (outcome == "TIMEOUT ERROR" and self.mistake == "resend-timeout")
                or (outcome == "ETH ERROR" and self.mistake == "resend-drop")):
            self.send(line)
        if declined and self.mistake == "resend-late":
            self.late = line


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--data", required=True, help="VarnixPos's data folder")
    parser.add_argument("--set", help="the test set the simulator plays")
    parser.add_argument("--simulator-output", help="the simulator's stdout")
    parser.add_argument("--script", help="command lines to send, separated by \";\"")
    parser.add_argument("--mistake", default="none",
                        choices=["none", "resend-declined", "resend-late", "resend-timeout",
                                 "resend-drop", "resend-after-last", "ignore-eth-error",
                                 "wrong-command", "no-ecr-id", "idle"])
    args = parser.parse_args()
    if args.script:
        register = Register(args.data, "none")
        for n, line in enumerate(args.script.split(";"), 1):
            for k, stan in register.stans.items():
                line = line.replace("{%s}" % k, stan)
            outcome, transaction, stan = register.send(line)
            if outcome == "OK" and transaction == "00" and stan:
                register.stans[str(n)] = stan
        return
    with open(args.set, encoding="utf-8") as f:
        steps = json.load(f)["steps"]
    register = Register(args.data, args.mistake)
    done = 0
    while True:
        text = read(args.simulator_output, "utf-8") or ""
        if "\nRisultato: " in text:
            return
        if "\n[fine]" in text and args.mistake == "resend-after-last" and register.last_payment:
            register.send(register.last_payment)
            register.last_payment = None
        announced = [int(m.group(1)) for m in map(STEP_LINE.match, text.split("\n")) if m]
        if args.mistake == "idle":
            time.sleep(0.05)
        elif announced and announced[-1] > done:
            done = announced[-1]
            register.do_step(steps[done - 1])
        else:
            time.sleep(0.05)


if __name__ == "__main__":
    main()

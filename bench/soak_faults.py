#!/usr/bin/env python3
"""make soak, second part: the faults a cash register, the disk or the process can throw at the
real headless resident (varnixpos-cli) against the real loopback simulator answering after
1.5 s. Each phase drops payments with unique amounts and counts, from the simulator's journal,
how often each amount reached the terminal:

  undeletable   the command file cannot be deleted for 12 s (immutable, or a read-only folder)
  kill          SIGKILL at a random moment of an exchange, then a restart (SOAK_KILLS times)
  two           a second resident on the same command file, then payments
  slow          writers that keep the file open and pause up to 5 s before, within and between
                lines
  rewrite       the register rewrites the file in place while its first payment runs
  huge          a 1 GB sparse command file (one line of NULs): the resident's peak memory

Every phase must show 0 executed twice, 0 lost (an interrupted exchange that is recorded as
such counts as recorded, not lost) and no command file left behind except one that could not be
deleted. Environment: SOAK_KILLS (20), SOAK_SEED, SOAK_PHASES (all, comma-separated)."""
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import time

from harness import (exe, print_table, private_data_folder, read_bytes, start_simulator, wait_for,
                     write_config)

SEED = int(os.environ.get("SOAK_SEED", "17"))
KILLS = int(os.environ.get("SOAK_KILLS", "20"))
PHASES = os.environ.get("SOAK_PHASES", "undeletable,kill,two,slow,rewrite,huge").split(",")
DELAY_MS = 1500
INTERRUPTED = b"ERROR_DESCRIZ = Esito sconosciuto: esecuzione interrotta"


class Rig:
    """One phase's world: a private data folder, the simulator, and residents started on demand."""

    def __init__(self, name):
        self.work, self.data, self.env = private_data_folder("varnixpos-fault-%s-" % name)
        self.journal = os.path.join(self.work, "journal.jsonl")
        self.sim, self.port = start_simulator(self.journal, "--delay-ms", str(DELAY_MS))
        write_config(self.data, self.port)
        with open(os.path.join(self.data, "ParamVnxPos.TXT"), "wb") as f:
            f.write(b"1\r\n0\r\n0\r\n0\r\n")  # log on
        self.command = os.path.join(self.data, "SRINPF.TXT")
        self.residents = []
        self.amount = 200000 + random.Random(name).randint(0, 99) * 1000

    def start(self, wait_connected=True):
        """A new resident; with wait_connected, once its status exchange is over (it leaves the
        dump; the status asks nothing of the terminal)."""
        dump = os.path.join(self.data, "POSDUMPOUT.TXT")
        if wait_connected and os.path.exists(dump):
            os.remove(dump)
        err = open(os.path.join(self.work, "resident-%d.err" % len(self.residents)), "wb")
        proc = subprocess.Popen([exe("varnixpos-cli")], env=self.env, stdout=subprocess.DEVNULL,
                                stderr=err)  # messages only: a line per exchange goes to stdout
        proc.err_path = err.name
        err.close()
        self.residents.append(proc)
        if wait_connected:
            if not wait_for(lambda: os.path.exists(dump), 30):
                sys.exit("soak: the resident did not connect: %s" % (read_bytes(proc.err_path) or b"").decode("utf-8", "replace"))
            time.sleep(0.5)
        return proc

    def entries(self):
        text = (read_bytes(self.journal) or b"").decode()
        return [json.loads(line) for line in text.splitlines() if line.strip()]

    def requests(self, function, amount=None):
        return [e for e in self.entries() if e.get("function") == function
                and (amount is None or e.get("amount") == amount)]

    def payment(self):
        """A payment line with a fresh amount, and that amount."""
        self.amount += 1
        return "POS_PAGEXT,T1,E1,A%d" % self.amount, str(self.amount)

    def drop(self, text):
        with open(self.command + ".tmp", "wb") as f:
            f.write(text.encode())
        os.replace(self.command + ".tmp", self.command)

    def gone(self, seconds=30):
        return wait_for(lambda: not os.path.exists(self.command), seconds)

    def messages(self):
        return sum(len((read_bytes(p.err_path) or b"").splitlines()) for p in self.residents)

    def close(self):
        for proc in self.residents:
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(timeout=20)
                except subprocess.TimeoutExpired:
                    proc.kill()
        self.sim.terminate()
        self.sim.wait(timeout=10)
        shutil.rmtree(self.work, ignore_errors=True)


def count(rig, amounts, verdict):
    """Tallies each amount's requests into once / lost / twice."""
    for amount in amounts:
        n = len(rig.requests("IAE17AX_PaymentExt", amount))
        verdict["once" if n == 1 else "lost" if n == 0 else "twice"] += 1


def phase_undeletable(rig, rng, verdict):
    if os.geteuid() != 0:
        return "SKIPPED: an immutable file needs root"
    rig.start()
    amounts = []
    for _ in range(3):
        line, amount = rig.payment()
        amounts.append(amount)
        # Made immutable before its writer closes it: the resident cannot have run it yet.
        with open(rig.command, "wb") as f:
            f.write((line + "\r\n").encode())
            f.flush()
            subprocess.check_call(["chattr", "+i", rig.command])
        wait_for(lambda: rig.requests("IAE17AX_PaymentExt", amount), 20)
        time.sleep(12)  # held well beyond the ten delete tries and many cycles
        subprocess.check_call(["chattr", "-i", rig.command])
        if not rig.gone():
            verdict["left"] += 1
    count(rig, amounts, verdict)
    return "immutable file, held 12 s each; %d lines on standard error" % rig.messages()


def phase_kill(rig, rng, verdict):
    amounts, recorded = [], 0
    rig.start()
    for _ in range(KILLS):
        line, amount = rig.payment()
        amounts.append(amount)
        rig.drop(line + "\r\n")
        # Before the pick-up, during the terminal's 1.5 s, or right after its answer.
        time.sleep(rng.uniform(0.0, 2.8))
        rig.residents[-1].send_signal(signal.SIGKILL)
        rig.residents[-1].wait()
        rig.start(wait_connected=False)
        if not rig.gone():
            verdict["left"] += 1
            continue
        time.sleep(0.3)
        outcome = read_bytes(os.path.join(rig.data, "LogVnxPos.TXT")) or b""
        if outcome.startswith(("TIPO_COMANDO  = " + line).encode()) and INTERRUPTED in outcome:
            recorded += 1
        time.sleep(0.5)  # a restart that recovered its payment runs its status exchange first
    time.sleep(DELAY_MS / 1000 + 1)
    count(rig, amounts, verdict)
    return "%d kills; %d exchanges recorded as interrupted" % (KILLS, recorded)


def phase_two(rig, rng, verdict):
    # Started together: one takes the command file, the other says so and ends.
    first = rig.start(wait_connected=False)
    second = rig.start(wait_connected=False)
    wait_for(lambda: first.poll() is not None or second.poll() is not None, 20)
    codes = sorted(str(p.poll()) for p in (first, second))
    code = 6 if codes == ["6", "None"] else " and ".join(codes)
    time.sleep(DELAY_MS / 1000 + 1)
    amounts = []
    for _ in range(8):
        line, amount = rig.payment()
        amounts.append(amount)
        rig.drop(line + "\r\n")
        if not rig.gone():
            verdict["left"] += 1
    count(rig, amounts, verdict)
    if code != 6:
        verdict["twice"] += 1
    return "second resident ended with exit code %s" % code


def phase_slow(rig, rng, verdict):
    rig.start()
    amounts = []
    for n in range(6):
        lines = [rig.payment() for _ in range(1 + n % 3)]
        amounts += [a for _, a in lines]
        with open(rig.command, "wb", buffering=0) as f:
            if n % 2 == 0:
                time.sleep(rng.uniform(2, 5))  # created, nothing written yet
            for i, (line, _) in enumerate(lines):
                cut = rng.randint(1, len(line) - 1)
                f.write(line[:cut].encode())
                time.sleep(rng.uniform(0, 5))  # within a line
                f.write((line[cut:] + "\r\n").encode())
                if i + 1 < len(lines):
                    time.sleep(rng.uniform(0, 5))  # between lines
        if not rig.gone(60):
            verdict["left"] += 1
    count(rig, amounts, verdict)
    return "%d files of 1-3 lines, pauses up to 5 s" % 6


def phase_rewrite(rig, rng, verdict):
    rig.start()
    amounts = []
    for _ in range(5):
        first, a = rig.payment()
        second, b = rig.payment()
        amounts += [a, b]
        rig.drop(first + "\r\n")
        wait_for(lambda: rig.requests("IAE17AX_PaymentExt", a), 20)
        with open(rig.command, "r+b") as f:  # the same file, new bytes, while the first runs
            f.truncate(0)
            f.write((second + "\r\n").encode())
        if not rig.gone(30):
            verdict["left"] += 1
    count(rig, amounts, verdict)
    return "rewritten in place during the exchange"


def phase_huge(rig, rng, verdict):
    proc = rig.start()
    with open(rig.command, "wb") as f:
        f.truncate(1 << 30)
    peak = 0.0
    deadline = time.time() + 180
    while os.path.exists(rig.command) and time.time() < deadline and proc.poll() is None:
        with open("/proc/%d/status" % proc.pid) as f:
            for field in f:
                if field.startswith("VmHWM:"):
                    peak = max(peak, int(field.split()[1]) / 1024)
        time.sleep(0.05)
    if os.path.exists(rig.command):
        verdict["left"] += 1
        os.remove(rig.command)
    alive = proc.poll() is None
    verdict["once" if alive else "lost"] += 1
    if peak >= 16:
        verdict["twice"] += 1  # counted as a failure: the memory bound is broken
    return "peak resident memory %.1f MB, %s" % (peak, "alive" if alive else "DIED")


def main():
    rng = random.Random(SEED)
    rows, ok = [], True
    for name in PHASES:
        rig = Rig(name)
        verdict = {"once": 0, "lost": 0, "twice": 0, "left": 0}
        start = time.time()
        try:
            note = globals()["phase_" + name](rig, rng, verdict)
            crashed = [p.returncode for p in rig.residents
                       if p.poll() is not None and p.returncode not in (0, 6, -signal.SIGKILL)]
        finally:
            rig.close()
        if crashed:
            note += "; crashed: %s" % crashed
        passed = not verdict["lost"] and not verdict["twice"] and not verdict["left"] and not crashed
        ok = ok and passed
        rows.append((name, "%d once, %d lost, %d twice, %d left; %s (%.0f s)%s" % (
            verdict["once"], verdict["lost"], verdict["twice"], verdict["left"], note,
            time.time() - start, "" if passed else "  FAILED")))
        print("soak: phase %s done" % name, flush=True)
    print_table(rows)
    print("soak faults: %s" % ("PASSED" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

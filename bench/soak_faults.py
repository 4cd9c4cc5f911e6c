#!/usr/bin/env python3
"""make soak, second part: the faults a cash register, the disk or the process can throw at the
real headless varnixpos-cli (resident or run-once) against the real loopback simulator answering
after 1.5 s. Each phase drops payments with unique amounts and counts, from the simulator's
journal, how often each amount reached the terminal:

  undeletable   the command file cannot be deleted for 12 s (immutable, or a read-only folder)
  kill          SIGKILL at a random moment of an exchange, then a restart (SOAK_KILLS times)
  two           a second resident on the same command file, then payments
  slow          writers that keep the file open and pause up to 5 s before, within and between
                lines
  rewrite       the register rewrites the file in place while its first payment runs
  huge          a 1 GB sparse command file (one line of NULs): the resident's peak memory
  folder        the command folder (apart from the data folder) deleted and made again under a
                polling resident; second residents (another data folder, another user, the
                path through a link, the folder missing or not) and run-onces beside it must
                end with 6; payments after each game, written as registers write them
  shared        two registers, each with its own configuration and folder, one data folder,
                run-once in loops killed at random moments and started again
  full          the journal folder on a full, inode-less or read-only tmpfs (root: a mount
                namespace of the phase's own): no terminal-bound command is sent, each is
                recorded "non inviato" (exit 9); a simulated payment still runs
  samebytes     the register writes the very bytes again (time stamp, in place, truncated
                across the answer, deleted and created, renamed) while the file is unconsumed,
                to the resident and to run-once; once gone, the same bytes are a new payment
  twopay        two payments in one file, the resident killed at a random moment of either

Every phase must show 0 executed twice, 0 lost (a command recorded as interrupted, not run or
not sent never reached the terminal and counts as recorded, not lost), no command file left
behind except one that could not be deleted, and, where it checks the dump or the log, a record
that tells what happened: an approved payment OK, an interrupted one "Esito sconosciuto", never
a status answer in place of an interrupted payment. Environment: SOAK_KILLS (20), SOAK_SEED
(17; each phase draws from its own sequence of it), SOAK_PHASES (all, comma-separated)."""
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import threading
import time

from harness import (exe, print_table, private_data_folder, read_bytes, start_simulator, wait_for,
                     write_config)

SEED = int(os.environ.get("SOAK_SEED", "17"))
KILLS = int(os.environ.get("SOAK_KILLS", "20"))
PHASES = os.environ.get("SOAK_PHASES", "undeletable,kill,two,slow,rewrite,huge,folder,shared,full,"
                        "samebytes,twopay").split(",")
OWN_FOLDER = ("folder", "full")  # phases whose command file is in a folder of its own
SHARED_PAYMENTS = 20  # each register's, in the shared phase
TWOPAY_KILLS = 12
DELAY_MS = 1500
# What the program records for a command that has no answer from the terminal.
UNKNOWN = "Esito sconosciuto: esecuzione interrotta"
NOT_RUN = "Comando non eseguito: esecuzione interrotta"
NOT_SENT = "Comando non inviato al terminale: impossibile registrarne l'esecuzione su disco ("
INTERRUPTED = ("ERROR_DESCRIZ = " + UNKNOWN).encode()
# The machine-wide folder of the journals, one per command path.
JOURNALS = "/var/tmp/ZANDRIKVarnixPosJournal"


class Rig:
    """One phase's world: a private data folder, the simulator, and residents started on demand.
    The command file is in the data folder, or in a folder of its own (`io`) as INPF/OUTF say."""

    def __init__(self, name, io=None):
        self.work, self.data, self.env = private_data_folder("varnixpos-fault-%s-" % name)
        self.journal = os.path.join(self.work, "journal.jsonl")
        self.sim, self.port = start_simulator(self.journal, "--delay-ms", str(DELAY_MS))
        self.io = os.path.join(self.work, io) if io else self.data
        os.makedirs(self.io, exist_ok=True)
        write_config(self.data, self.port, self.io if io else None)
        with open(os.path.join(self.data, "ParamVnxPos.TXT"), "wb") as f:
            f.write(b"1\r\n0\r\n0\r\n0\r\n")  # log on; a simulated payment waits 1 s
        self.command = os.path.join(self.io, "SRINPF.TXT")
        self.dump = os.path.join(self.io, "POSDUMPOUT.TXT")
        self.log = os.path.join(self.data, "LogVnxPos.TXT")
        self.residents = []
        self.problems = []
        self.amount = 200000 + random.Random(name).randint(0, 99) * 1000

    def start(self, wait_connected=True, prefix=()):
        """A new resident (run through `prefix`, if any); with wait_connected, once its status
        exchange is over (it leaves the dump; the status asks nothing of the terminal)."""
        dump = self.dump
        if wait_connected and os.path.exists(dump):
            os.remove(dump)
        err = open(os.path.join(self.work, "resident-%d.err" % len(self.residents)), "wb")
        proc = subprocess.Popen([*prefix, exe("varnixpos-cli")], env=self.env,
                                stdout=subprocess.DEVNULL,
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

    def sent(self, amount):
        return len(self.requests("IAE17AX_PaymentExt", amount))

    def history(self):
        """The data folder's exchange history: its records, and how many lines were torn."""
        records, torn = [], 0
        text = read_bytes(os.path.join(self.data, "HistoryVnxPos.jsonl")) or b""
        for line in text.split(b"\n"):
            if line.strip():
                try:
                    records.append(json.loads(line))
                except ValueError:
                    torn += 1
        return records, torn

    def descriptions(self, line, records=None):
        """What the history says of each exchange of `line`, oldest first: "" for an answer,
        else the reason it has none."""
        records = self.history()[0] if records is None else records
        return [r.get("description", "") for r in records if r.get("command") == line]

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

    def note(self, verdict, key, problem):
        verdict[key] += 1
        self.problems.append(problem)

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


def tally(rig, verdict, payments, records=None):
    """Each payment (line, amount, times written anew): once when the terminal saw it that many
    times; recorded when it never got there and the history says why (interrupted, not run, not
    sent); lost otherwise; twice when the terminal saw it more often. A history that says "not
    run" or "not sent" of one the terminal saw, or nothing at all, is untrue."""
    records = rig.history()[0] if records is None else records
    for line, amount, times in payments:
        n = rig.sent(amount)
        said = rig.descriptions(line, records)
        if n and any(d.startswith((NOT_RUN, NOT_SENT)) for d in said):
            rig.note(verdict, "untrue", "%s reached the terminal, yet the history says %s" % (
                line, said))
        elif n and not said:
            rig.note(verdict, "untrue", "%s reached the terminal, and the history has no record "
                     "of it" % line)
        if n == times:
            verdict["once"] += 1
        elif n > times:
            rig.note(verdict, "twice", "%s reached the terminal %d times, written %d" % (
                line, n, times))
        elif n == 0 and times == 1 and any(d.startswith((UNKNOWN, NOT_RUN, NOT_SENT))
                                           for d in said):
            verdict["recorded"] += 1
        else:
            rig.note(verdict, "lost", "%s reached the terminal %d times, written %d; history %s" % (
                line, n, times, [(r.get("description"), r.get("handler")) for r in records
                                 if r.get("command") == line]))


def record_of(path):
    """The command, outcome and description of the one record a dump or a log holds, or None."""
    text = read_bytes(path)
    if not text:
        return None
    fields = {}
    for row in text.decode("cp1252").split("\r\n"):
        key, _, value = row.partition(" = ")
        fields.setdefault(key.strip(), value.strip())
    return (fields.get("TIPO_COMANDO"), fields.get("ESITO_COMANDO"),
            fields.get("ERROR_DESCRIZ") or "")


def judge(rig, verdict, where, found, accepted):
    """Counts as untrue a record that is none of `accepted`: command line -> "" for an answer OK,
    else the start of the reason recorded with KO."""
    verdict["checks"] += 1
    if found is not None and found[0] in accepted:
        reason = accepted[found[0]]
        if found[1] == ("KO" if reason else "OK") and (
                found[2].startswith(reason) if reason else not found[2]):
            return
    rig.note(verdict, "untrue", "%s reads %s; true: one of %s" % (where, found, accepted))


def expect_record(rig, verdict, path, accepted, missing_ok=False):
    found = record_of(path)
    if found is not None or not missing_ok:
        judge(rig, verdict, os.path.basename(path), found, accepted)


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


def write_command(path, text, how, pause=0.0):
    """Writes a command file as registers do: to a temporary name and renamed ("rename"), in one
    write ("whole"), or held open with `pause` seconds after each line but the last ("slow")."""
    if how == "rename":
        with open(path + ".tmp", "wb") as f:
            f.write(text.encode())
        os.replace(path + ".tmp", path)
        return
    with open(path, "wb", buffering=0) as f:
        lines = text.splitlines(keepends=True) if how == "slow" else [text]
        for i, line in enumerate(lines):
            f.write(line.encode())
            if i + 1 < len(lines):
                time.sleep(pause)


def second_home(rig, name, spelling, owner=None):
    """A data folder of another VarnixPos whose configuration names the phase's command file as
    `spelling`: its environment. With `owner`, that user owns it."""
    home = os.path.join(rig.work, name)
    data = os.path.join(home, "share", "ZANDRIKVarnixPos")
    os.makedirs(data)
    write_config(data, rig.port, spelling)
    if owner is not None:
        for folder, _, files in os.walk(home):
            for entry in [folder] + [os.path.join(folder, f) for f in files]:
                os.chown(entry, owner, owner)
    return dict(rig.env, XDG_DATA_HOME=os.path.dirname(data),
                XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_RUNTIME_DIR=home)


def phase_folder(rig, rng, verdict):
    rig.start()
    payments, refusals, waiting = [], [], []

    def pay(how):
        lines = [rig.payment() for _ in range(2 if how == "slow" else 1)]
        payments.extend((line, amount, 1) for line, amount in lines)
        write_command(rig.command, "".join(line + "\r\n" for line, _ in lines), how,
                      rng.uniform(0.5, 3.0))
        if not rig.gone():
            verdict["left"] += 1
            os.remove(rig.command)
        wait_for(lambda: rig.descriptions(lines[-1][0]), 10)
        # The resident, connected, leaves the dump alone: whatever it holds must still be true.
        truths = {line: "" for line, _, _ in payments}
        expect_record(rig, verdict, rig.log, truths)
        expect_record(rig, verdict, rig.dump, dict(truths, POS_STATUS=""), missing_ok=True)

    def second_resident(label, env, prefix=()):
        """Another resident on the same command file: it must end with 6 at once."""
        proc = subprocess.Popen([*prefix, exe("varnixpos-cli")], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            code = proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.terminate()
            proc.wait(timeout=20)
            code = "still running after 5 s"
        refusals.append(code == 6)
        if code != 6:
            rig.note(verdict, "faults", "a second resident (%s) was not refused: %s" % (
                label, code))

    def run_once(label):
        """A run-once on the same command file, through a configuration of its own, timed by a
        thread of its own: it must wait its 30 s and end with 6."""
        folder = os.path.join(rig.work, "register-%d" % len(waiting))
        os.makedirs(folder)
        config = write_config(folder, rig.port, rig.io)
        outcome = {"label": label}

        def wait():
            started = time.time()
            proc = subprocess.Popen([exe("varnixpos-cli"), "-E" + config], env=rig.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                outcome["code"] = proc.wait(timeout=45)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                outcome["code"] = "still waiting after 45 s"
            outcome["seconds"] = time.time() - started

        waiting.append((threading.Thread(target=wait), outcome))
        waiting[-1][0].start()

    # Another user meets the claim too: only root can be another user here.
    other_user = os.geteuid() == 0 and shutil.which("setpriv") is not None
    if other_user:
        os.chmod(rig.work, 0o711)
    os.symlink(rig.work, os.path.join(rig.work, "link"))
    by_link = os.path.join(rig.work, "link", os.path.basename(rig.io))
    pay("rename")
    for n, how in enumerate(("rename", "whole", "slow", "rename", "slow", "whole")):
        shutil.rmtree(rig.io)
        time.sleep(rng.uniform(0, 2.5))  # the resident polls a missing folder meanwhile
        if n == 1:
            second_resident("own data folder, folder missing", second_home(rig, "missing", rig.io))
            second_resident("own data folder, folder missing, through a link",
                            second_home(rig, "missing-link", by_link))
            run_once("folder missing")
        os.mkdir(rig.io)
        if n == 2:
            second_resident("own data folder", second_home(rig, "again", rig.io))
            second_resident("through a link", second_home(rig, "again-link", by_link))
            if other_user:
                second_resident("another user", second_home(rig, "nobody", rig.io, 65534),
                                ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"))
            run_once("folder recreated")
        time.sleep(rng.uniform(0, 1.0))
        pay(how)
    for thread, outcome in waiting:
        thread.join()
        if outcome["code"] != 6 or outcome["seconds"] < 29:
            rig.note(verdict, "faults", "a run-once (%s) ended with %s after %.1f s" % (
                outcome["label"], outcome["code"], outcome["seconds"]))
    pay("rename")
    tally(rig, verdict, payments)
    return "6 deletions of the folder; second residents refused with 6 at once: %d of %d%s; " \
        "run-once refused with 6 after %s s" % (
            sum(refusals), len(refusals), "" if other_user else " (another user: not root)",
            " and ".join("%.0f" % outcome["seconds"] for _, outcome in waiting))


def run_register(rig, register):
    """One register's loop on its own folder and configuration: each payment's run-once killed at
    a random moment and started again (at most three kills), then its dump read."""
    command = os.path.join(register["folder"], "SRINPF.TXT")
    dump = os.path.join(register["folder"], "POSDUMPOUT.TXT")
    err = open(register["folder"] + ".err", "ab")  # what the run-onces say, for the problems
    pick = register["rng"]
    for line, amount in register["payments"]:
        write_command(command, line + "\r\n", "rename")
        run = {"line": line, "amount": amount, "kills": [], "exit": None}
        for attempt in range(4):
            recorded = rig.descriptions(line).count(UNKNOWN)
            proc = subprocess.Popen([exe("varnixpos-cli"), "-E" + register["config"]],
                                    env=rig.env, stdout=subprocess.DEVNULL, stderr=err)
            if attempt < 3 and pick.random() < 0.6:
                # At the start, during the terminal's 1.5 s, or about its answer.
                time.sleep(pick.choice((pick.uniform(0, 0.02), pick.uniform(0, 1.5),
                                        pick.uniform(1.48, 1.56))))
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
                    time.sleep(0.1)  # a request on its way reaches the simulator's journal
                    run["kills"].append(rig.sent(amount))
                    continue
            try:
                run["exit"] = proc.wait(timeout=60)
            except subprocess.TimeoutExpired:
                proc.kill()
                run["exit"] = "hung"
            run["recovered"] = rig.descriptions(line).count(UNKNOWN) > recorded
            break
        run["dump"] = record_of(dump)
        run["left"] = os.path.exists(command)
        if run["left"]:
            os.remove(command)
        register["runs"].append(run)
    err.close()


def phase_shared(rig, rng, verdict):
    registers = []
    for name in ("a", "b"):
        folder = os.path.join(rig.work, "register-" + name)
        os.makedirs(folder)
        registers.append({"folder": folder, "config": write_config(folder, rig.port, folder),
                          "rng": random.Random(rng.random()), "runs": [],
                          "payments": [rig.payment() for _ in range(SHARED_PAYMENTS)]})
    threads = [threading.Thread(target=run_register, args=(rig, r)) for r in registers]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    records, torn = rig.history()
    kills, codes, payments = 0, {}, []
    for run in (run for register in registers for run in register["runs"]):
        line, amount = run["line"], run["amount"]
        payments.append((line, amount, 1))
        kills += len(run["kills"])
        codes[run["exit"]] = codes.get(run["exit"], 0) + 1
        verdict["left"] += run["left"]
        interrupted = UNKNOWN in rig.descriptions(line, records)
        if interrupted and run["kills"] and rig.sent(amount) > run["kills"][-1]:
            rig.note(verdict, "twice", "%s: recorded as interrupted, sent after the restart" % line)
        # The run that records the command interrupted ends with 8; after one killed once it had
        # recorded and deleted it, there is no file (4). Without an interruption: 0, or the kill
        # came after the run (8: found run, deleted now; 4: deleted already).
        if run["exit"] not in ((8,) if run["recovered"] else (4,) if interrupted else (0, 8, 4)):
            rig.note(verdict, "faults", "%s: the last run-once ended with %s" % (line, run["exit"]))
        judge(rig, verdict, "the dump after " + line, run["dump"],
              {line: UNKNOWN if interrupted else ""})
    tally(rig, verdict, payments, records)
    if torn:
        rig.note(verdict, "untrue", "%d torn lines in the shared history" % torn)
    said = [line for register in registers
            for line in (read_bytes(register["folder"] + ".err") or b"").splitlines()]
    if rig.problems:
        rig.problems += sorted(set("run-once said: " + line.decode("cp1252") for line in said))
    recorded = sum(UNKNOWN in rig.descriptions(line, records) for line, _, _ in payments)
    return "2 registers, %d payments, %d kills, %d recorded as interrupted; last exit codes %s; " \
        "%d lines on standard error" % (
            len(payments), kills, recorded,
            ", ".join("%s: %d" % (code, n) for code, n in sorted(codes.items(), key=str)),
            len(said))


# Run inside a mount namespace of the phase's own: a tmpfs over the journal folder ($0) with the
# options $1, made unusable by $2, proved so (a byte cannot be written: else exit 97), then the
# program ("$@").
FULL_DISK = '''mount -t tmpfs -o "$1" varnixpos-soak-full "$0" || exit 96
eval "$2"
if { printf x > "$0/probe"; } 2>/dev/null; then exit 97; fi
shift 2
exec "$@"'''
FULL_DISKS = (
    ("full", "size=16k", '{ cat /dev/zero > "$0/filler"; } 2>/dev/null'),
    ("no inodes left", "nr_inodes=8",
     'i=0; while { printf "" > "$0/f$i"; } 2>/dev/null; do i=$((i+1)); done'),
    ("read-only", "ro,size=16k", "true"),
)


def phase_full(rig, rng, verdict):
    if os.geteuid() != 0 or shutil.which("unshare") is None:
        return "SKIPPED: a tmpfs over %s in a mount namespace needs root and unshare" % JOURNALS
    if not os.path.isdir(JOURNALS):
        os.makedirs(JOURNALS)
        os.chmod(os.path.dirname(JOURNALS), 0o1777)  # as the program makes them
        os.chmod(JOURNALS, 0o1777)
    probe = subprocess.run(["unshare", "-m", "--propagation", "private", "true"],
                           capture_output=True, text=True)
    if probe.returncode != 0:
        return "SKIPPED: unshare -m refused: %s" % probe.stderr.strip()
    config = os.path.join(rig.data, "ConfigVnxPos.TXT")
    result = os.path.join(rig.data, "SROUTF.TXT")  # the simulated payment's, whatever OUTF says
    codes = {}

    def inside(disk):
        return ("unshare", "-m", "--propagation", "private", "--", "sh", "-c", FULL_DISK,
                JOURNALS, disk[1], disk[2])

    def run_once(disk, lines, want):
        """The lines as one command file, through a run-once on `disk`: its exit code must be
        `want`, the file gone."""
        write_command(rig.command, "".join(line + "\r\n" for line in lines), "rename")
        code = subprocess.run([*inside(disk), exe("varnixpos-cli"), "-E" + config], env=rig.env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=60).returncode
        codes[code] = codes.get(code, 0) + 1
        if code != want:
            rig.note(verdict, "faults", "%s on a %s journal disk: exit %s, not %s" % (
                lines, disk[0], code, want))
        if os.path.exists(rig.command):
            verdict["left"] += 1
            os.remove(rig.command)

    def refused(line, records):
        if any(d.startswith(NOT_SENT) for d in rig.descriptions(line, records)):
            verdict["recorded"] += 1
        else:
            rig.note(verdict, "lost", "%s: not recorded as not sent" % line)

    def simulated():
        line = "POS_PAGAME,A%s,P0" % rig.payment()[1]
        return line, line.split(",")[1]

    terminal_bound = ("POS_PAGEXT,T1,E1,A%s", "POS_ACCRED,T1,E1,A%s", "POS_STORNO,T1,E1,S%s",
                      "POS_TOTTER,T%s", "POS_CHCASS,T%s")
    for disk in FULL_DISKS:
        for pattern in terminal_bound:
            line = pattern % rig.payment()[1]
            run_once(disk, [line], 9)
            accepted = {line: NOT_SENT}
            expect_record(rig, verdict, rig.dump, accepted)
            expect_record(rig, verdict, rig.log, accepted)
            refused(line, None)
        # Not sent, and the simulated payment after it runs all the same; then one alone.
        for lines, want in (([rig.payment()[0]], 9), ([], 0)):
            pagame, amount = simulated()
            run_once(disk, lines + [pagame], want)
            for line in lines:
                refused(line, None)
            expect_record(rig, verdict, rig.dump, {pagame: ""})
            head = record_of(result)
            if head and head[0].endswith(amount + ",P0") and head[1] == "OK":
                verdict["once"] += 1
            else:
                rig.note(verdict, "lost", "%s: SROUTF.TXT reads %s" % (pagame, head))
    # The resident under a full journal disk refuses the same way, file by file.
    resident = rig.start(prefix=inside(FULL_DISKS[0]))
    lines = []
    for _ in range(3):
        line, _ = rig.payment()
        lines.append(line)
        write_command(rig.command, line + "\r\n", "rename")
        if not rig.gone():
            verdict["left"] += 1
            os.remove(rig.command)
        wait_for(lambda: rig.descriptions(line), 10)
        expect_record(rig, verdict, rig.log, {line: NOT_SENT})
    records = rig.history()[0]
    for line in lines:
        refused(line, records)
    reached = rig.entries()
    if reached:
        rig.note(verdict, "twice", "%d requests reached the terminal without their intent on the "
                 "disk: %s" % (len(reached), [e.get("function") for e in reached]))
    if resident.poll() is not None:
        rig.note(verdict, "faults", "the resident on a full journal disk ended: %s" %
                 resident.returncode)
    return "%s; run-once exit codes %s; a resident (full): 3 payments; %d requests reached the " \
        "terminal" % (", ".join(d[0] for d in FULL_DISKS),
                      ", ".join("%s: %d" % c for c in sorted(codes.items())), len(reached))


def rewrite(path, data, kind, rng):
    """The register writes `data`, the very bytes the command file holds, again: the time stamp
    only, over them in place, truncated first and the bytes written after a pause (across the
    terminal's answer), deleted and created, or through a rename."""
    if kind == "touch":
        os.utime(path)
    elif kind == "inplace":
        with open(path, "r+b") as f:
            f.write(data)
    elif kind == "truncate":
        with open(path, "wb", buffering=0) as f:
            time.sleep(rng.uniform(1.6, 2.0))
            f.write(data)
    elif kind == "recreate":
        os.remove(path)
        with open(path, "wb") as f:
            f.write(data)
    else:
        write_command(path, data.decode(), "rename")


def phase_samebytes(rig, rng, verdict):
    resident = rig.start()
    payments = []
    kinds = ["touch", "inplace", "truncate", "recreate", "rename", "stopped"] * 2
    rng.shuffle(kinds)
    for kind in kinds:
        line, amount = rig.payment()
        data = (line + "\r\n").encode()
        if kind == "stopped":
            # Between two of the resident's looks: stopped, it sees the file only once the
            # register has written it, rewritten it in place, deleted and created it, touched it.
            resident.send_signal(signal.SIGSTOP)
            write_command(rig.command, line + "\r\n", "whole")
            for again in ("inplace", "recreate", "touch"):
                time.sleep(0.05)
                rewrite(rig.command, data, again, rng)
            resident.send_signal(signal.SIGCONT)
        else:
            rig.drop(line + "\r\n")
            wait_for(lambda: rig.sent(amount), 10)
            time.sleep(rng.uniform(0.1, 0.8))  # while the terminal takes its 1.5 s
            rewrite(rig.command, data, kind, rng)
        if not rig.gone():
            verdict["left"] += 1
            os.remove(rig.command)
        wait_for(lambda: rig.descriptions(line), 10)
        expect_record(rig, verdict, rig.log, {line: ""})
        # Gone now: the same bytes again are a new payment.
        rig.drop(line + "\r\n")
        if not rig.gone():
            verdict["left"] += 1
            os.remove(rig.command)
        payments.append((line, amount, 2))
    resident.send_signal(signal.SIGTERM)
    resident.wait(timeout=20)
    # The same with run-once, where a file the register rewrote during the run may stay: run
    # again, it is the command that ran (exit 8), not sent again.
    config = os.path.join(rig.data, "ConfigVnxPos.TXT")
    codes = []

    def run_once(line, want):
        code = subprocess.run([exe("varnixpos-cli"), "-E" + config], env=rig.env, timeout=60,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        codes.append(code)
        if code not in want:
            rig.note(verdict, "faults", "%s: run-once ended with %s" % (line, code))
        expect_record(rig, verdict, rig.dump, {line: ""})

    for kind in ("inplace", "truncate", "recreate", "touch"):
        line, amount = rig.payment()
        data = (line + "\r\n").encode()
        rig.drop(line + "\r\n")
        proc = subprocess.Popen([exe("varnixpos-cli"), "-E" + config], env=rig.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: rig.sent(amount), 10)
        time.sleep(rng.uniform(0.1, 0.8))
        rewrite(rig.command, data, kind, rng)
        codes.append(proc.wait(timeout=60))
        if codes[-1] != 0:
            rig.note(verdict, "faults", "%s: run-once ended with %s" % (line, codes[-1]))
        if os.path.exists(rig.command):
            run_once(line, (8,))
        if os.path.exists(rig.command):
            verdict["left"] += 1
            os.remove(rig.command)
        rig.drop(line + "\r\n")
        run_once(line, (0,))
        payments.append((line, amount, 2))
    tally(rig, verdict, payments)
    return "%d rewrites to the resident (%s), 4 to run-once (exit codes %s); each written " \
        "again once gone" % (len(kinds), ", ".join(sorted(set(kinds))), codes)


def phase_twopay(rig, rng, verdict):
    rig.start()
    payments, moments = [], {"nothing in flight": 0, "first in flight": 0, "second in flight": 0}
    for _ in range(TWOPAY_KILLS):
        pair = [rig.payment(), rig.payment()]
        payments += [(line, amount, 1) for line, amount in pair]
        rig.drop("".join(line + "\r\n" for line, _ in pair))
        # Before the pick-up, during either payment's 1.5 s at the terminal, or after both.
        time.sleep(rng.uniform(0.0, 4.2))
        rig.residents[-1].send_signal(signal.SIGKILL)
        rig.residents[-1].wait()
        time.sleep(0.1)  # a request on its way reaches the simulator's journal
        sent_before = [rig.sent(amount) for _, amount in pair]
        before = len(rig.history()[0])
        rig.start(wait_connected=False)
        if not rig.gone():
            verdict["left"] += 1
            os.remove(rig.command)
        # Connected again (its status exchange is in the history), and a few polls more: the
        # status exchanges must not replace the record the register is to read.
        wait_for(lambda: any(r.get("command") == "POS_STATUS"
                             for r in rig.history()[0][before:]), 15)
        time.sleep(2)
        records = rig.history()[0]
        said = [rig.descriptions(line, records[before:]) for line, _ in pair]
        interrupted = [pair[i][0] for i in (0, 1) if UNKNOWN in said[i]]
        begun = any(sent_before) or interrupted
        for (line, amount), n in zip(pair, sent_before):
            if begun and rig.sent(amount) > n:
                rig.note(verdict, "twice", "%s sent after the restart" % line)
        if interrupted:
            moments["first in flight" if interrupted[-1] == pair[0][0] else
                    "second in flight"] += 1
            if interrupted[-1] == pair[0][0] and NOT_RUN not in said[1]:
                rig.note(verdict, "lost", "%s: not recorded as not run after the interrupted "
                         "one" % pair[1][0])
            accepted = {interrupted[-1]: UNKNOWN}
        else:
            moments["nothing in flight"] += 1
            finished = "" in rig.descriptions(pair[1][0], records[:before])
            if any(sent_before) and not finished:
                rig.note(verdict, "untrue", "%s: at the terminal when killed, and the restart "
                         "recorded nothing" % pair[sent_before[1] > 0][0])
            accepted = {"POS_STATUS": "", pair[0][0]: "", pair[1][0]: ""}
        expect_record(rig, verdict, rig.dump, accepted)
        expect_record(rig, verdict, rig.log, accepted)
    tally(rig, verdict, payments)
    return "%d kills with 2 payments in the file: %s" % (
        TWOPAY_KILLS, ", ".join("%d %s" % (n, what) for what, n in moments.items()))


def main():
    rows, problems, ok = [], [], True
    for name in PHASES:
        # Each phase's own sequence: one phase run alone with a seed repeats its moments.
        rng = random.Random("%s:%d" % (name, SEED))
        rig = Rig(name, "io" if name in OWN_FOLDER else None)
        verdict = {"once": 0, "recorded": 0, "lost": 0, "twice": 0, "left": 0, "checks": 0,
                   "untrue": 0, "faults": 0}
        start = time.time()
        try:
            note = globals()["phase_" + name](rig, rng, verdict)
            crashed = [p.returncode for p in rig.residents
                       if p.poll() is not None and p.returncode not in (0, 6, -signal.SIGKILL)]
        finally:
            rig.close()
        if crashed:
            note += "; crashed: %s" % crashed
        passed = not (verdict["lost"] or verdict["twice"] or verdict["left"] or verdict["untrue"]
                      or verdict["faults"] or crashed)
        ok = ok and passed
        rows.append((name, "%d once, %d recorded, %d lost, %d twice, %d left, %d of %d records "
                     "untrue, %d other faults; %s (%.0f s)%s" % (
                         verdict["once"], verdict["recorded"], verdict["lost"], verdict["twice"],
                         verdict["left"], verdict["untrue"], verdict["checks"], verdict["faults"],
                         note, time.time() - start, "" if passed else "  FAILED")))
        problems += ["%s: %s" % (name, problem) for problem in rig.problems]
        print("soak: phase %s %s" % (name, note if note.startswith("SKIPPED") else "done"),
              flush=True)
    print_table(rows)
    for problem in problems[:60]:
        print("  " + problem)
    print("soak faults: seed %d, %s" % (SEED, "PASSED" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""make soak: the real headless resident process (varnixpos-cli) and the real loopback simulator
through SOAK_COMMANDS (1000) command files that cover every keyword, dropped as a cash register
drops them: the next one only once the previous SRINPF.TXT is gone; a third written in chunks
with pauses of up to 500 ms, the rest in one write or through a rename.

Exactly once is proved three ways: the log record of each command is seen written once (its
modification time is watched while the command is pending); the simulator's journal shows just
the requests the command makes, carrying its unique amount or transaction number; the
simulated payment's SROUTF.TXT names its unique amount. Environment: SOAK_COMMANDS, SOAK_SEED."""
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

from harness import (exe, log_record_complete, print_table, private_data_folder, read_bytes, rss_mb,
                     start_simulator, wait_for, write_config)

COMMANDS = int(os.environ.get("SOAK_COMMANDS", "1000"))
SEED = int(os.environ.get("SOAK_SEED", "17"))
PENDING_LIMIT_S = 60  # a command still pending after this is reported lost



def keyword_table():
    """The command keywords and the library operation each reaches the terminal through (None
    for those whose row says Never), read from VARNIX_KEYWORDS in src/iae17/Keywords.h."""
    header = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "iae17",
                          "Keywords.h")
    with open(header, encoding="latin-1") as f:
        rows = re.findall(r"\bX\(\s*(POS_\w+)\s*,\s*\w+\s*,\s*(\w+)", f.read())
    if not rows:
        sys.exit("soak: no keyword rows in %s" % header)
    return [(k, None if reaches == "Never" else "IAE17AX_" + reaches) for k, reaches in rows]


KEYWORDS = [keyword for keyword, _ in keyword_table()]
# The one terminal request each command makes (the handlers' status check asks nothing of the
# terminal; POS_STATUS and the simulated POS_PAGAME make none, and neither do the three that are
# not available).
OPERATION = {keyword: function for keyword, function in keyword_table() if function}


class Journal:
    """The simulator's JSON lines, read on from where the last look stopped."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.partial = b""

    def new_entries(self):
        data = read_bytes(self.path) or b""
        chunk, self.offset = data[self.offset:], len(data)
        lines = (self.partial + chunk).split(b"\n")
        self.partial = lines.pop()
        return [json.loads(line) for line in lines if line.strip()]


def file_stamp(path):
    try:
        st = os.stat(path)
    except OSError:
        return None
    return st.st_ino, st.st_size, st.st_mtime_ns


def command_line(n, keyword, pending_stans):
    amount = str(100000 + n)  # unique, and never one of the simulator's magic amounts
    if keyword in ("POS_PAGAME", "POS_PAGEXT"):
        return "%s,T1,E1,A%s,P%d" % (keyword, amount, n % 4), amount
    if keyword == "POS_ACCRED":
        return "%s,T1,E1,A%s" % (keyword, amount), amount
    if keyword == "POS_STORNO":
        stan = pending_stans.pop(0) if pending_stans else str(8000000 + n)
        return "%s,T1,E1,S%s" % (keyword, stan), stan
    return "%s,T%d" % (keyword, n), None  # the number only makes the line unique


def drop(path, content, mode, rng):
    """Writes the command file the way mode says; the chunked writer keeps the file open between
    its pieces, as a slow cash register does."""
    if mode == "rename":
        with open(path + ".tmp", "wb") as f:
            f.write(content)
        os.replace(path + ".tmp", path)
    elif mode == "whole":
        with open(path, "wb") as f:
            f.write(content)
    else:
        cuts = sorted(rng.sample(range(1, len(content)), min(rng.randint(1, 4), len(content) - 1)))
        with open(path, "wb", buffering=0) as f:
            start = 0
            for cut in cuts + [len(content)]:
                f.write(content[start:cut])
                start = cut
                if cut != len(content):
                    time.sleep(rng.uniform(0, 0.5))


def main():
    rng = random.Random(SEED)
    keywords = [KEYWORDS[i % len(KEYWORDS)] for i in range(COMMANDS)]
    rng.shuffle(keywords)

    work, data, env = private_data_folder("varnixpos-soak-")
    journal = Journal(os.path.join(work, "journal.jsonl"))
    sim, port = start_simulator(journal.path)
    write_config(data, port)
    # Log on (the per-command record we watch), 1 s simulated wait, outcome "transaction OK".
    with open(os.path.join(data, "ParamVnxPos.TXT"), "wb") as f:
        f.write(b"1\r\n0\r\n0\r\n0\r\n")
    command = os.path.join(data, "SRINPF.TXT")
    log = os.path.join(data, "LogVnxPos.TXT")
    result = os.path.join(data, "SROUTF.TXT")
    err = open(os.path.join(work, "resident.err"), "wb")
    # Standard output has a line per exchange; what counts as a message is standard error.
    resident = subprocess.Popen([exe("varnixpos-cli")], env=env, stdout=subprocess.DEVNULL,
                                stderr=err)

    verdicts = {"once": 0, "lost": 0, "twice": 0}
    problems = []
    pending_stans = []
    messages = []
    start_time = time.time()
    try:
        # Connected once the start-up status exchange is done: then only commands reach the
        # terminal, so every later journal entry belongs to the command pending at the time.
        if not wait_for(lambda: os.path.exists(os.path.join(data, "POSDUMPOUT.TXT")), 30):
            sys.exit("soak: the resident process did not connect to the simulator")
        time.sleep(2)
        journal.new_entries()
        rss_start = rss_mb(resident.pid)

        for n, keyword in enumerate(keywords, 1):
            line, key = command_line(n, keyword, pending_stans)
            mode = "chunks" if n % 3 == 0 else ("whole" if n % 2 == 0 else "rename")
            marker = ("TIPO_COMANDO  = %s\r\n" % line).encode()
            before = file_stamp(log)
            drop(command, (line + "\r\n").encode(), mode, rng)

            # Every complete log record written while the command is pending: ours counts the
            # runs, any other means a half-written file ran.
            runs, foreign, seen = set(), [], before
            deadline = time.time() + PENDING_LIMIT_S
            while time.time() < deadline:
                # A record counts only when the file did not change while it was read: a read
                # that straddles the record's two writes would otherwise count one run twice.
                stamp = file_stamp(log)
                text = read_bytes(log) if stamp is not None and stamp != seen else None
                if text is not None and file_stamp(log) == stamp:
                    if log_record_complete(text, b"TIPO_COMANDO  = "):
                        seen = stamp
                        if text.startswith(marker):
                            runs.add(stamp)
                        else:
                            foreign.append(text.split(b"\r\n", 1)[0].decode("cp1252"))
                if runs and not os.path.exists(command):
                    break
                if resident.poll() is not None:
                    break
                time.sleep(0.002)

            entries = journal.new_entries()
            functions = [e.get("function") for e in entries]
            expected = [OPERATION[keyword]] if keyword in OPERATION else []
            keyed = [e for e in entries if e.get("function") == OPERATION.get(keyword)]
            if keyword == "POS_PAGEXT":
                pending_stans += [e["stan"] for e in keyed if e.get("stan")]

            if resident.poll() is not None:
                problems.append("%d %s: the resident process ended (%s)" % (n, line,
                                                                           resident.returncode))
                verdicts["lost"] += 1
                break
            if len(runs) > 1 or (expected and functions == expected * 2):
                verdicts["twice"] += 1
                problems.append("%d %s: ran %d times, requests %s" % (n, line, len(runs),
                                                                     functions))
            elif not runs:
                verdicts["lost"] += 1
                problems.append("%d %s: never ran (file %s), requests %s" % (
                    n, line, "left" if os.path.exists(command) else "gone", functions))
            elif functions != expected:
                verdicts["lost" if len(functions) < len(expected) else "twice"] += 1
                problems.append("%d %s: requests %s, expected %s" % (n, line, functions, expected))
            else:
                verdicts["once"] += 1
            if foreign:
                problems.append("%d %s: a half-written file ran: %s" % (n, line, foreign))
            if key and keyword in OPERATION:
                field = "void_stan" if keyword == "POS_STORNO" else "amount"
                if [e.get(field) for e in keyed] != [key]:
                    problems.append("%d %s: journal carries %s" % (n, line,
                                                                  [e.get(field) for e in keyed]))

            outcome = (read_bytes(log) or b"").split(b"\r\n")
            if keyword in OPERATION or keyword in ("POS_STATUS", "POS_PAGAME"):
                # A void of a number the terminal does not know may be refused; the rest is OK.
                if keyword != "POS_STORNO" and b"ESITO_COMANDO = OK" not in outcome:
                    problems.append("%d %s: outcome %s" % (n, line, outcome[1:3]))
            if keyword == "POS_PAGAME":
                head = (read_bytes(result) or b"").split(b"\r\n")[:3]
                want = [("TIPO_COMANDO  = TIPO_COMANDO = POS_PAGAME,A%s,P%d" % (key, n % 4)).encode(),
                        b"ESITO_COMANDO = OK", b"ESITO_TRANSAZ = 00"]
                if head != want:
                    problems.append("%d %s: SROUTF.TXT starts %s" % (n, line, head))
            if n % 100 == 0:
                print("soak: %d of %d commands, %.0f s" % (n, COMMANDS, time.time() - start_time),
                      flush=True)

        rss_end = rss_mb(resident.pid) if resident.poll() is None else 0.0
        alive = resident.poll() is None and sim.poll() is None
        left = sorted(f for f in os.listdir(data)
                      if f.upper().startswith("SRINPF") and not f.endswith(".lock"))
        err.flush()
        messages = (read_bytes(err.name) or b"").decode("cp1252").splitlines()  # before the close
        resident.send_signal(signal.SIGTERM)
        try:
            exit_code = resident.wait(timeout=20)
        except subprocess.TimeoutExpired:
            resident.kill()
            exit_code = "hung at SIGTERM"
    finally:
        if resident.poll() is None:
            resident.kill()
        sim.terminate()
        sim.wait(timeout=10)
        err.close()
    shutil.rmtree(work, ignore_errors=True)

    crashes = (0 if alive else 1) + (0 if exit_code == 0 else 1)
    print_table([
        ("command files dropped (every keyword, a third in chunks)", "%d" % COMMANDS),
        ("executed exactly once", "%d" % verdicts["once"]),
        ("lost", "%d" % verdicts["lost"]),
        ("executed twice or more", "%d" % verdicts["twice"]),
        ("command files left behind", "%d %s" % (len(left), " ".join(left))),
        ("crashes (resident or simulator gone; exit at SIGTERM)", "%d (exit %s)" % (crashes,
                                                                                   exit_code)),
        ("message boxes or errors printed", "%d" % len(messages)),
        ("resident memory, start / end / growth",
         "%.1f / %.1f / %+.1f MB" % (rss_start, rss_end, rss_end - rss_start)),
        ("duration", "%.0f s" % (time.time() - start_time)),
    ])
    for problem in problems[:50]:
        print("  " + problem)
    for message in messages[:20]:
        print("  resident: " + message)
    ok = (verdicts["once"] == COMMANDS and not left and not crashes and not problems
          and rss_end - rss_start < 5)
    print("soak: %s" % ("PASSED" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

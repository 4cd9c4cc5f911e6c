#!/usr/bin/env python3
"""The exchange history's figures: BENCH_HISTORY_EXCHANGES (20,000) exchanges through the real
varnixpos-cli against the loopback simulator — one run-once command file of payments, refunds,
voids and totals, so each line is a real exchange with the simulator's receipt — then the disk
the history takes, how many it keeps, and how long `varnixpos-cli --history 20000` takes (median
of BENCH_RUNS, 5). Part of make bench; runs alone too: python3 bench/history.py"""
import glob
import os
import statistics
import subprocess
import time

from harness import exe, print_table, private_data_folder, start_simulator, write_config

EXCHANGES = int(os.environ.get("BENCH_HISTORY_EXCHANGES", "20000"))
RUNS = int(os.environ.get("BENCH_RUNS", "5"))
BUDGET = 40_000_000  # ExchangeHistory::kBudgetBytes
FILE_SHARE = BUDGET // 8  # kRotateBytes: the current file and seven older generations


def command_lines(count):
    lines = []
    for n in range(count):
        kind = n % 10
        if kind < 7:
            lines.append(b"POS_PAGEXT,A%d,P0" % (100 + n % 9000))
        elif kind == 7:
            lines.append(b"POS_ACCRED,A%d" % (100 + n % 900))
        elif kind == 8:
            lines.append(b"POS_STORNO,S%06d" % (n % 999999 + 1))
        else:
            lines.append(b"POS_TOTTER")
    return b"\r\n".join(lines) + b"\r\n"


def main():
    work, data, env = private_data_folder("varnixpos-bench-history-")
    sim, port = start_simulator(os.path.join(work, "journal.jsonl"))
    rows = []
    try:
        config = write_config(data, port)
        with open(os.path.join(data, "SRINPF.TXT"), "wb") as f:
            f.write(command_lines(EXCHANGES))
        start = time.perf_counter()
        subprocess.run([exe("varnixpos-cli"), "-E" + config], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ran = time.perf_counter() - start
        files = glob.glob(os.path.join(data, "HistoryVnxPos.jsonl*"))
        disk = sum(os.path.getsize(f) for f in files)
        listed = subprocess.run([exe("varnixpos-cli"), "--history", str(EXCHANGES * 2), "--all"],
                                env=env, check=True, capture_output=True).stdout
        kept = listed.count(b"\n")
        times = []
        for _ in range(RUNS):
            begin = time.perf_counter()
            out = subprocess.run([exe("varnixpos-cli"), "--history", "20000"], env=env,
                                 check=True, capture_output=True).stdout
            times.append((time.perf_counter() - begin) * 1000)
        per = disk / max(kept, 1)
        rows += [
            ("exchanges run (one run-once command file, %.0f s)" % ran, "%d" % EXCHANGES),
            ("history files / disk for them", "%d / %.1f MB" % (len(files), disk / 1e6)),
            ("exchanges kept (--history --all)", "%d" % kept),
            ("bytes per exchange (mean)", "%.0f" % per),
            ("kept within the 40 MB budget right after a rotation (7 full generations)",
             "%d" % (7 * (FILE_SHARE // per))),
            ("--history 20000: lines / time (median of %d)" % RUNS,
             "%d / %.0f ms" % (out.count(b"\n"), statistics.median(times))),
        ]
    finally:
        sim.terminate()
        sim.wait(timeout=10)
    print_table(rows)


if __name__ == "__main__":
    main()

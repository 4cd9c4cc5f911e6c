#!/usr/bin/env python3
"""make bench: VarnixPos's figures on this machine, printed as a table.

run-once (varnixpos-cli -E, POS_TOTTER against the loopback simulator) against a trivial C++ file
copy; varnixpos -E under Xvfb; resident pickup latency for four ways a register writes its
command file; idle cost of the resident mode; one stand-in library round trip; the wall time of
the starter test set with the scripted register. Environment: BENCH_RUNS (30), BENCH_FILES (200,
the files written in one go; a quarter of it for each other way), BENCH_IDLE_SECONDS (60),
BENCH_BIN (the programs' folder, build/bin), BENCH_ONLY (a comma list of parts: runonce, pickup,
idle, testset)."""
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

from harness import (cpu_seconds, exe, log_record_complete, print_table, private_data_folder,
                     read_bytes, rss_mb, start_simulator, wait_for, write_config)

RUNS = int(os.environ.get("BENCH_RUNS", "30"))
FILES = int(os.environ.get("BENCH_FILES", "200"))
IDLE = int(os.environ.get("BENCH_IDLE_SECONDS", "60"))
ONLY = set(filter(None, os.environ.get("BENCH_ONLY", "runonce,pickup,idle,testset").split(",")))
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


# The ways a cash register writes its command file. Each gets the command's text and the path,
# and returns when the writer is done with the file: pickup latency is counted from there.
def write_in_one_go(path, command):
    with open(path, "wb") as f:
        f.write(command)


def write_through_rename(path, command):
    with open(path + ".tmp", "wb") as f:
        f.write(command)
    os.replace(path + ".tmp", path)


def write_in_three_rounds(path, command):
    # Open, write a piece, close; 50 ms later the next piece (pieces of the one line, so that a
    # file run after a round would be seen: the command would be cut).
    pieces = (command[:5], command[5:-4], command[-4:])
    for i, piece in enumerate(pieces):
        if i:
            time.sleep(0.05)
        with open(path, "ab") as f:
            f.write(piece)


def write_with_pauses(path, command):
    # One open for the whole command, written in three pieces 100 ms apart, then closed.
    with open(path, "wb") as f:
        for i, piece in enumerate((command[:5], command[5:-4], command[-4:])):
            if i:
                time.sleep(0.1)
            f.write(piece)
            f.flush()


WRITERS = [("written in one go and closed", write_in_one_go, 1),
           ("written to another name and renamed", write_through_rename, 4),
           ("three open-write-close rounds 50 ms apart", write_in_three_rounds, 4),
           ("held open, written with two 100 ms pauses", write_with_pauses, 4)]


def pickup_rows(command, log, keyword):
    """Pickup latency of a running resident for each way of writing, as table rows: from the
    writer done with `command` to the complete record of it in `log`."""
    rows = []
    serial = 0
    for name, write, share in WRITERS:
        latencies = []
        for _ in range(max(1, FILES // share)):
            # A cash register's next command does not wait for our tick: it starts at a random
            # moment of the 900 ms period.
            time.sleep(random.uniform(0, 0.9))
            serial += 1
            line = "%s,T%d" % (keyword, serial)
            marker = ("TIPO_COMANDO  = %s\r\n" % line).encode()
            write(command, line.encode() + b"\r\n")
            start = time.perf_counter()
            if not wait_for(lambda: log_record_complete(read_bytes(log), marker)):
                sys.exit("no record of %s in %s" % (line, log))
            latencies.append((time.perf_counter() - start) * 1000)
            wait_for(lambda: not os.path.exists(command))
        rows.append(("pickup, %s, %d files (p50 / p95)" % (name, len(latencies)),
                     "%.0f / %.0f ms" % (percentile(latencies, 50), percentile(latencies, 95))))
    return rows


def test_set_wall_time():
    """Seconds the starter test set takes end to end with the careful scripted register."""
    start = time.perf_counter()
    subprocess.run([sys.executable, os.path.join(SOURCE, "tests", "simulator", "test-set-e2e.py"),
                    os.path.dirname(exe("pos-simulator")), SOURCE, "careful"], check=True,
                   stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def timed(argv, env=None):
    start = time.perf_counter()
    subprocess.run(argv, env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(len(values) * p / 100))]


def start_xvfb(work):
    if shutil.which("Xvfb") is None or not os.path.exists(exe("varnixpos")):
        return None, None
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1000x24",
                             "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    display = os.read(read, 16).decode().strip()
    os.close(read)
    return xvfb, ":" + display


def main():
    work, data, env = private_data_folder("varnixpos-bench-")
    sim, port = start_simulator(os.path.join(work, "journal.jsonl"))
    xvfb, display = start_xvfb(work)
    rows = []
    try:
        config = write_config(data, port)
        command = os.path.join(data, "SRINPF.TXT")

        def run_once(argv, run_env):
            times = []
            for _ in range(RUNS):
                with open(command, "wb") as f:
                    f.write(b"POS_TOTTER\r\n")
                times.append(timed(argv + ["-E" + config], run_env))
            return statistics.median(times)

        if "runonce" in ONLY:
            cli = run_once([exe("varnixpos-cli")], env)
            copy = statistics.median(
                timed([exe("trivial_copy"), config, os.path.join(work, "copy")])
                for _ in range(RUNS))
            rows.append(("run-once, varnixpos-cli -E (median)", "%.1f ms" % cli))
            rows.append(("trivial C++ file copy (median)", "%.1f ms" % copy))
            rows.append(("run-once ratio to the file copy", "%.2fx" % (cli / copy)))
            if display:
                gui_env = dict(env, DISPLAY=display)
                rows.append(("run-once, varnixpos -E under Xvfb (median)",
                             "%.1f ms" % run_once([exe("varnixpos")], gui_env)))

            out = subprocess.run([exe("roundtrip"), str(port), "200"], capture_output=True,
                                 text=True, check=True).stdout.split()
            rows.append(("library round trip POS_TOTTER (median / p95)",
                         "%s / %s us" % (out[0], out[1])))

        # Resident: pickup latency with the log on, then the idle cost.
        with open(os.path.join(data, "ParamVnxPos.TXT"), "wb") as f:
            f.write(b"1\r\n0\r\n0\r\n0\r\n")
        log = os.path.join(data, "LogVnxPos.TXT")
        resident = subprocess.Popen([exe("varnixpos-cli")], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(os.path.join(data, "POSDUMPOUT.TXT")))
        time.sleep(1)
        rss_start = rss_mb(resident.pid)
        if "pickup" in ONLY:
            rows.extend(pickup_rows(command, log, "POS_TOTTER"))
        if "pickup" in ONLY:
            rows.append(("resident memory, varnixpos-cli (start / after the files)",
                         "%.1f / %.1f MB" % (rss_start, rss_mb(resident.pid))))

        def idle_cost(pid):
            before = cpu_seconds(pid)
            time.sleep(IDLE)
            return 100 * (cpu_seconds(pid) - before) / IDLE, rss_mb(pid)

        if "idle" in ONLY:
            share, rss = idle_cost(resident.pid)
            rows.append(("idle %d s, varnixpos-cli (CPU of one core / RSS)" % IDLE,
                         "%.2f %% / %.1f MB" % (share, rss)))
        resident.terminate()
        resident.wait(timeout=20)
        if display and "idle" in ONLY:
            gui = subprocess.Popen([exe("varnixpos")], env=dict(env, DISPLAY=display),
                                   stderr=subprocess.DEVNULL)
            time.sleep(3)
            share, rss = idle_cost(gui.pid)
            rows.append(("idle %d s, varnixpos under Xvfb (CPU of one core / RSS)" % IDLE,
                         "%.2f %% / %.1f MB" % (share, rss)))
            gui.kill()
            gui.wait()
        if "testset" in ONLY:
            rows.append(("starter test set, careful scripted register (wall time)",
                         "%.1f s" % test_set_wall_time()))
    finally:
        sim.terminate()
        sim.wait(timeout=10)
        if xvfb:
            xvfb.terminate()
            xvfb.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)

    print_table(rows)


if __name__ == "__main__":
    main()

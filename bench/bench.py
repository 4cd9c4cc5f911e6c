#!/usr/bin/env python3
"""make bench: VarnixPos's figures on this machine, printed as a table.

run-once (varnixpos-cli -E, POS_TOTTER against the loopback simulator) against a trivial C++ file
copy; varnixpos -E under Xvfb; resident pickup latency; idle cost of the resident mode; one
stand-in library round trip. Environment: BENCH_RUNS (30), BENCH_FILES (200), BENCH_IDLE_SECONDS
(60)."""
import os
import random
import shutil
import statistics
import subprocess
import time

from harness import (cpu_seconds, exe, log_record_complete, print_table, private_data_folder,
                     read_bytes, rss_mb, start_simulator, wait_for, write_config)

RUNS = int(os.environ.get("BENCH_RUNS", "30"))
FILES = int(os.environ.get("BENCH_FILES", "200"))
IDLE = int(os.environ.get("BENCH_IDLE_SECONDS", "60"))


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

        cli = run_once([exe("varnixpos-cli")], env)
        copy = statistics.median(timed([exe("trivial_copy"), config, os.path.join(work, "copy")])
                                 for _ in range(RUNS))
        rows.append(("run-once, varnixpos-cli -E (median)", "%.1f ms" % cli))
        rows.append(("trivial C++ file copy (median)", "%.1f ms" % copy))
        rows.append(("run-once ratio to the file copy", "%.2fx" % (cli / copy)))
        if display:
            gui_env = dict(env, DISPLAY=display)
            rows.append(("run-once, varnixpos -E under Xvfb (median)",
                         "%.1f ms" % run_once([exe("varnixpos")], gui_env)))

        out = subprocess.run([exe("roundtrip"), str(port), "200"], capture_output=True, text=True,
                             check=True).stdout.split()
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
        latencies = []
        for i in range(FILES):
            # A cash register's next command does not wait for our tick: drop it at a random
            # moment of the 900 ms period.
            time.sleep(random.uniform(0, 0.9))
            marker = ("TIPO_COMANDO  = POS_TOTTER,T%d\r\n" % i).encode()
            with open(command + ".tmp", "wb") as f:
                f.write(b"POS_TOTTER,T%d\r\n" % i)
            start = time.perf_counter()
            os.replace(command + ".tmp", command)

            wait_for(lambda: log_record_complete(read_bytes(log), marker))
            latencies.append((time.perf_counter() - start) * 1000)
            wait_for(lambda: not os.path.exists(command))
        rows.append(("resident pickup latency over %d files (p50 / p95)" % FILES,
                     "%.0f / %.0f ms" % (percentile(latencies, 50), percentile(latencies, 95))))
        rows.append(("resident memory, varnixpos-cli (start / after the files)",
                     "%.1f / %.1f MB" % (rss_start, rss_mb(resident.pid))))

        def idle_cost(pid):
            before = cpu_seconds(pid)
            time.sleep(IDLE)
            return 100 * (cpu_seconds(pid) - before) / IDLE, rss_mb(pid)

        share, rss = idle_cost(resident.pid)
        rows.append(("idle %d s, varnixpos-cli (CPU of one core / RSS)" % IDLE,
                     "%.2f %% / %.1f MB" % (share, rss)))
        resident.terminate()
        resident.wait(timeout=20)
        if display:
            gui = subprocess.Popen([exe("varnixpos")], env=dict(env, DISPLAY=display),
                                   stderr=subprocess.DEVNULL)
            time.sleep(3)
            share, rss = idle_cost(gui.pid)
            rows.append(("idle %d s, varnixpos under Xvfb (CPU of one core / RSS)" % IDLE,
                         "%.2f %% / %.1f MB" % (share, rss)))
            gui.kill()
            gui.wait()
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

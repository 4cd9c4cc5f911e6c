#!/usr/bin/env python3
"""make bench-wine: the resident's pickup latency of the Windows build (varnixpos-cli.exe under
Wine, in a throw-away prefix), for the same ways of writing a command file as make bench, with
the Linux simulator on loopback as the terminal. Wine turns the folder's change notifications
into inotify, so the figures say what the Windows code does with them, not what Windows's own
notifications cost. Environment: BENCH_FILES (200), WINE_BIN (build-mingw64/bin)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import bench
from harness import exe, print_table, start_simulator, wait_for

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
WINE_BIN = os.environ.get("WINE_BIN") or os.path.join(SOURCE, "build-mingw64", "bin")


def main():
    cli = os.path.join(WINE_BIN, "varnixpos-cli.exe")
    if not os.path.exists(cli) or not shutil.which("wine"):
        sys.exit("bench-wine: needs wine and %s (make test-windows builds it)" % cli)
    work = tempfile.mkdtemp(prefix="varnixpos-bench-wine-")
    env = dict(os.environ, WINEPREFIX=os.path.join(work, "prefix"), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    env.pop("DISPLAY", None)
    sim, port = start_simulator(os.path.join(work, "journal.jsonl"))
    resident = None
    try:
        subprocess.run(["wineboot", "-i"], env=env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        data = os.path.join(env["WINEPREFIX"], "drive_c", "ProgramData", "ZANDRIKVarnixPos")
        os.makedirs(data, exist_ok=True)
        folder = b"C:\\ProgramData\\ZANDRIKVarnixPos\\"
        with open(os.path.join(data, "ConfigVnxPos.TXT"), "wb") as f:
            f.write(b"TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:%d\r\nINPF:%sSRINPF.TXT\r\n"
                    b"OUTF:%sSROUTF.TXT\r\n" % (port, folder, folder))
        with open(os.path.join(data, "ParamVnxPos.TXT"), "wb") as f:
            f.write(b"1\r\n0\r\n0\r\n0\r\n")  # the log on: pickup is timed to its record
        resident = subprocess.Popen(["wine", cli], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        if not wait_for(lambda: os.path.exists(os.path.join(data, "POSDUMPOUT.TXT")), 120):
            sys.exit("bench-wine: the resident under Wine never polled")
        time.sleep(2)
        rows = bench.pickup_rows(os.path.join(data, "SRINPF.TXT"),
                                 os.path.join(data, "LogVnxPos.TXT"), "POS_TOTTER")
        print_table([(name + ", under Wine", figure) for name, figure in rows])
    finally:
        if resident is not None:
            resident.kill()
            resident.wait()
        subprocess.run(["wineserver", "-k"], env=env, timeout=30, check=False)
        sim.terminate()
        sim.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

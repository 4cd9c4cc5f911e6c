#!/usr/bin/env python3
"""The starter test set end to end: the real simulator playing test-sets/base.json, the real
headless resident VarnixPos (varnixpos-cli) in a private data folder, and the scripted register
of register.py. Passes when the simulator's verdicts are exactly the expected ones: every step
passed for the careful register, and just the steps the careless register gets wrong failed.

Usage: test-set-e2e.py BIN_DIR SOURCE_DIR MISTAKE [FAILED_STEP...]
The work folder is removed after a pass unless VARNIX_KEEP_WORK is set (then the report's path
is printed); a failure keeps it and names it."""
import os
import random
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

# The private data folder and the configuration are the benchmarks' own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import harness  # noqa: E402

RUN_LIMIT_S = 240  # the whole set takes about 40 s; a hang must not pass for slowness


def start_simulator(bin_dir, out_path, test_set, report, history):
    """On a free loopback port below 10000, the console's port limit: (process, port)."""
    for _ in range(20):
        port = random.randint(9000, 9999)
        out = open(out_path, "wb")
        sim = subprocess.Popen([os.path.join(bin_dir, "pos-simulator"), "--tcp", str(port),
                                "--test-set", test_set, "--report", report, "--history", history],
                               stdout=out, stderr=subprocess.STDOUT)
        deadline = time.time() + 10
        while time.time() < deadline and sim.poll() is None:
            with open(out_path, "rb") as f:
                if f.read().startswith(b"tcp "):
                    return sim, port
            time.sleep(0.05)
        if sim.poll() is None:
            sim.kill()
        sim.wait()
    sys.exit("the simulator did not start")


def main():
    bin_dir, source, mistake = sys.argv[1:4]
    expected_failed = set(sys.argv[4:])
    test_set = os.path.join(source, "test-sets", "base.json")
    work, data, env = harness.private_data_folder("varnixpos-testset-")
    env.update(VARNIXPOS_IAE17_ANSWER_MS="3000", VARNIXPOS_IAE17_CONNECT_MS="1000")
    report = os.path.join(work, "report")
    sim_out = os.path.join(work, "simulator.out")

    sim, port = start_simulator(bin_dir, sim_out, test_set, report,
                                os.path.join(data, "HistoryVnxPos.jsonl"))
    harness.write_config(data, port)
    with open(os.path.join(data, "ParamVnxPos.TXT"), "wb") as f:
        f.write(b"1\r\n0\r\n0\r\n0\r\n")  # the log on: the register reads its outcomes there
    resident = subprocess.Popen([os.path.join(bin_dir, "varnixpos-cli")], env=env,
                                stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "cli.err"), "wb"))
    register = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), "register.py"),
                                 "--data", data, "--set", test_set, "--simulator-output", sim_out,
                                 "--mistake", mistake],
                                stdout=open(os.path.join(work, "register.out"), "wb"),
                                stderr=subprocess.STDOUT)
    try:
        code = sim.wait(timeout=RUN_LIMIT_S)
    except subprocess.TimeoutExpired:
        sim.terminate()  # the simulator writes the report of the steps so far
        code = sim.wait(timeout=10)
    finally:
        for process in (register, resident):
            if process.poll() is None:
                process.terminate()
            process.wait(timeout=10)

    for name in ("simulator.out", "register.out", "cli.err"):
        print("---- %s" % name)
        with open(os.path.join(work, name), "rb") as f:
            print(f.read().decode("utf-8", "replace"))

    problems = []
    with open(sim_out, "rb") as f:
        complaints = [line for line in f.read().decode("utf-8", "replace").split("\n")
                      if line.startswith("pos-simulator:")]
    if complaints:
        problems.append("the simulator complained: %s" % complaints[:3])
    suite = ET.parse(os.path.join(report, "report.xml")).getroot().find("testsuite")
    verdicts = {}
    for case in suite.findall("testcase"):
        name = case.get("name").split(" ", 1)[1]
        verdicts[name] = ("failed" if case.find("failure") is not None else
                          "skipped" if case.find("skipped") is not None else "passed")
    failed = {name for name, verdict in verdicts.items() if verdict != "passed"}
    if failed != expected_failed:
        problems.append("not passed: %s; expected: %s" % (sorted(failed), sorted(expected_failed)))
    if code != (1 if expected_failed else 0):
        problems.append("exit code %d" % code)
    with open(os.path.join(report, "report.html"), encoding="utf-8") as f:
        html = f.read()
    # Failures first: the first step row of the page is a failed one whenever any failed.
    first_row = html.find("<tr class=\"", html.find("</th></tr>"))
    if expected_failed and not html.startswith("<tr class=\"fail\"", first_row):
        problems.append("the HTML report does not open with a failure")
    if problems:
        sys.exit("FAIL: " + "; ".join(problems) + " (files in %s)" % work)
    print("ok: %d steps, not passed: %s" % (len(verdicts), sorted(failed) or "none"))
    if os.environ.get("VARNIX_KEEP_WORK"):
        print("report: %s" % os.path.join(report, "report.html"))
    else:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The starter test set end to end: the real simulator playing test-sets/base.json (or a few of
its steps), the real headless resident VarnixPos (varnixpos-cli) in a private data folder, and the
scripted register of register.py. Passes when the simulator's verdicts are exactly the expected
ones, each failure naming the mistake, in both reports, and when two real JUnit consumers
(junitparser and npm's test-results-parser) read the same counts from report.xml.

Usage: test-set-e2e.py BIN_DIR SOURCE_DIR CASE (one of CASES below)
The work folder is removed after a pass unless VARNIX_KEEP_WORK is set (then the report's path
is printed); a failure keeps it and names it."""
import json
import os
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

# The private data folder and the configuration are the benchmarks' own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import harness  # noqa: E402

RUN_LIMIT_S = 240  # the whole set takes about 90 s; a hang must not pass for slowness

# Each case: the register's mistake, the steps of base.json it runs (all of them, with the set's
# own windows, when None; else with 6 s windows, to keep the run short), what VarnixPos is told
# (its port, whether the cash-register id is required), and each step expected to fail with a
# text its failure must hold. A step not named must pass, unless `not_judged` names it.
CASES = {
    "careful": dict(mistake="none"),
    "resend-declined-early": dict(
        mistake="resend-declined", steps=["negato", "nessuna risposta"],
        failed={"negato": "la cassa ha ripetuto il comando dopo"}),
    "resend-declined-late": dict(
        mistake="resend-late", steps=["negato", "nessuna risposta"],
        failed={"negato": "la cassa ha ripetuto il comando"}, also="dopo la fine del passo"),
    "resend-after-timeout": dict(
        mistake="resend-timeout", steps=["nessuna risposta", "totali"],
        failed={"nessuna risposta": "la cassa ha ripetuto il comando dopo"}),
    "resend-after-drop": dict(
        mistake="resend-drop", steps=["collegamento interrotto", "totali"],
        failed={"collegamento interrotto": "la cassa ha ripetuto il comando dopo"}),
    "resend-after-last-step": dict(
        mistake="resend-after-last", steps=["totali", "primo di due pagamenti"],
        failed={"primo di due pagamenti": "dopo la fine del passo"}),
    "ignore-eth-error": dict(
        mistake="ignore-eth-error", steps=["collegamento interrotto", "connessione rifiutata"],
        failed={"collegamento interrotto": "nessun POS_STATUS entro 10 s",
                "connessione rifiutata": "nessun POS_STATUS entro 10 s"}),
    "wrong-command": dict(
        mistake="wrong-command", steps=["approvato", "totali"],
        failed={"approvato": "comando POS_PAGAME,T1,E42,A1250,P0 invece di POS_PAGEXT"},
        quick=True),
    "missing-parameters": dict(
        mistake="no-ecr-id", steps=["approvato", "totali"], ecr_id_required=True,
        failed={"approvato": "VarnixPos ha risposto \"Parametri mancanti\""}, quick=True),
    "misconfigured-port": dict(
        mistake="none", steps=["approvato", "connessione rifiutata"], port=0,
        failed={"approvato": "VarnixPos ha risposto \"Connessione assente\"",
                "connessione rifiutata": "VarnixPos non ha tentato la connessione"},
        quick=True),
    "stopped": dict(
        mistake="idle", steps=["approvato", "negato"], stop_after_s=2,
        not_judged=["approvato", "negato"]),
    # A session recorded at the simulator (or from VarnixPos's history of it) replays green with
    # the register that made it, and red with one that changed.
    "replay-recorded": dict(mistake="none", record="simulator"),
    "replay-from-history": dict(mistake="none", record="history"),
    "replay-changed-register": dict(
        mistake="resend-declined", record="simulator",
        failed={"pagamento 2": "la cassa ha ripetuto il comando dopo"}),
}
# The session recorded: an approved payment, a declined one (a magic amount), the void of the
# first by its STAN, the totals.
SESSION = "POS_PAGEXT,T1,E42,A1250,P0;POS_PAGEXT,T1,E42,A990001,P0;POS_STORNO,T1,E42,S{1};POS_TOTTER,T1,E42"
WINDOW_S = 6
QUICK_S = 30  # a mistake said at once: well within the steps' limits of 60 s and more


def start_simulator(bin_dir, out_path, test_set, report, history):
    """With a port of its own choosing, which VarnixPos can use: (process, port)."""
    out = open(out_path, "wb")
    sim = subprocess.Popen([os.path.join(bin_dir, "pos-simulator"), "--tcp", "0",
                            "--test-set", test_set, "--report", report, "--history", history],
                           stdout=out, stderr=subprocess.STDOUT)
    deadline = time.time() + 10
    while time.time() < deadline and sim.poll() is None:
        with open(out_path, "rb") as f:
            first = f.read().split(b"\n", 1)
        if len(first) > 1 and first[0].startswith(b"tcp 127.0.0.1:"):
            return sim, int(first[0].rsplit(b":", 1)[1])
        time.sleep(0.05)
    sys.exit("the simulator did not start")


def recorded_set(bin_dir, how, into):
    """Records SESSION with the real simulator, VarnixPos and register: the set's path (in
    `into`)."""
    work, data, env = harness.private_data_folder("varnixpos-record-")
    recorded = os.path.join(work, "recorded.json")
    history = os.path.join(data, "HistoryVnxPos.jsonl")
    out = os.path.join(work, "simulator.out")
    sim = subprocess.Popen([os.path.join(bin_dir, "pos-simulator"), "--tcp", "0",
                            "--record-test-set", recorded, "--history", history],
                           stdout=open(out, "wb"), stderr=subprocess.STDOUT)
    if not harness.wait_for(lambda: (harness.read_bytes(out) or b"").startswith(b"tcp "), 10):
        sys.exit("the simulator did not start to record")
    harness.write_config(data, int(harness.read_bytes(out).split(b"\n")[0].rsplit(b":", 1)[1]))
    with open(os.path.join(data, "ParamVnxPos.TXT"), "wb") as f:
        f.write(b"1\r\n0\r\n0\r\n0\r\n")
    resident = subprocess.Popen([os.path.join(bin_dir, "varnixpos-cli")], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "register.py"),
                    "--data", data, "--script", SESSION], timeout=120, check=True)
    for process in (resident, sim):
        process.terminate()
        process.wait(timeout=10)
    print(harness.read_bytes(out).decode("utf-8", "replace"))
    if how == "history":
        recorded = os.path.join(work, "from-history.json")
        subprocess.run([os.path.join(bin_dir, "pos-simulator"), "--record-test-set", recorded,
                        "--from-history", history], timeout=30, check=True)
    with open(recorded, encoding="utf-8") as f:
        text = f.read()
    print(text)
    recorded = os.path.join(into, "recorded.json")
    with open(recorded, "w", encoding="utf-8") as f:
        f.write(text)
    shutil.rmtree(work, ignore_errors=True)
    if json.loads(text)["steps"][2]["expect"].get("stan_of") != "pagamento 1":
        sys.exit("the void was not recorded by the STAN of the first payment")
    return recorded


def the_set(source, work, steps):
    path = os.path.join(source, "test-sets", "base.json")
    if steps is None:
        return path
    with open(path, encoding="utf-8") as f:
        base = json.load(f)
    base["steps"] = [s for s in base["steps"] if s["name"] in steps]
    base["no_repeat_within_s"] = WINDOW_S
    path = os.path.join(work, "set.json")
    with open(path, "w", encoding="utf-8") as f:
        json.dump(base, f)
    return path


# Each consumer prints what it read as [passed, failed, errors]. junitparser is Debian's, for
# Debian's Python, which need not be the one running this.
JUNITPARSER = """
import json, sys
from junitparser import Error, Failure, JUnitXml
counts = [0, 0, 0]
for suite in JUnitXml.fromfile(sys.argv[1]):
    for case in suite:
        results = case.result if isinstance(case.result, list) else [case.result]
        kinds = [type(r) for r in results if r is not None]
        counts[1 if Failure in kinds else 2 if Error in kinds else 0] += 1
print(json.dumps(counts))
"""
TEST_RESULTS_PARSER = """
const r = require('test-results-parser').parse({type: 'junit', files: [process.argv[1]]});
console.log(JSON.stringify([r.passed, r.failed, r.errors]));
"""


def consumers(report_xml):
    """What two CI readers make of the report: {consumer: (passed, failed, errors)}."""
    node_path = subprocess.run(["npm", "root", "-g"], capture_output=True, text=True).stdout.strip()
    runs = {"junitparser": [[python, "-c", JUNITPARSER, report_xml]
                            for python in (sys.executable, "/usr/bin/python3")],
            "test-results-parser": [["node", "-e", TEST_RESULTS_PARSER, report_xml]]}
    read = {}
    for consumer, commands in runs.items():
        for command in commands:
            done = subprocess.run(command, capture_output=True, text=True,
                                  env=dict(os.environ, NODE_PATH=node_path))
            if done.returncode == 0:
                read[consumer] = tuple(json.loads(done.stdout))
                break
        else:
            sys.exit("%s missing or failing (scripts/install-deps.sh installs it): %s"
                     % (consumer, done.stderr))
    return read


def main():
    bin_dir, source, case_name = sys.argv[1:4]
    case = CASES[case_name]
    failed_expected = case.get("failed", {})
    not_judged = set(case.get("not_judged", []))
    work, data, env = harness.private_data_folder("varnixpos-testset-")
    env.update(VARNIXPOS_IAE17_ANSWER_MS="3000", VARNIXPOS_IAE17_CONNECT_MS="1000")
    report = os.path.join(work, "report")
    sim_out = os.path.join(work, "simulator.out")
    test_set = (recorded_set(bin_dir, case["record"], work) if "record" in case
                else the_set(source, work, case.get("steps")))

    began = time.time()
    sim, port = start_simulator(bin_dir, sim_out, test_set, report,
                                os.path.join(data, "HistoryVnxPos.jsonl"))
    config = harness.write_config(data, case.get("port", port))
    if case.get("ecr_id_required"):
        with open(config, "ab") as f:
            f.write(b"ECRI:S\r\n")
    with open(os.path.join(data, "ParamVnxPos.TXT"), "wb") as f:
        f.write(b"1\r\n0\r\n0\r\n0\r\n")  # the log on: the register reads its outcomes there
    resident = subprocess.Popen([os.path.join(bin_dir, "varnixpos-cli")], env=env,
                                stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "cli.err"), "wb"))
    register = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), "register.py"),
                                 "--data", data, "--set", test_set, "--simulator-output", sim_out,
                                 "--mistake", case["mistake"]],
                                stdout=open(os.path.join(work, "register.out"), "wb"),
                                stderr=subprocess.STDOUT)
    try:
        code = sim.wait(timeout=case.get("stop_after_s", RUN_LIMIT_S))
    except subprocess.TimeoutExpired:
        sim.terminate()  # the simulator writes the report of the steps so far
        code = sim.wait(timeout=10)
    finally:
        for process in (register, resident):
            if process.poll() is None:
                process.terminate()
            process.wait(timeout=10)
    took = time.time() - began

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
    report_xml = os.path.join(report, "report.xml")
    suite = ET.parse(report_xml).getroot().find("testsuite")
    verdicts, why = {}, {}
    for case_xml in suite.findall("testcase"):
        name = case_xml.get("name").split(" ", 1)[1]
        failure, error = case_xml.find("failure"), case_xml.find("error")
        verdicts[name] = ("failed" if failure is not None else
                          "not judged" if error is not None else "passed")
        if failure is not None:
            why[name] = failure.text or ""
            if not failure.get("type"):
                problems.append("the failure of %s has no type" % name)
        if error is not None and not error.get("type"):
            problems.append("the error of %s has no type" % name)
    failed = {n for n, v in verdicts.items() if v == "failed"}
    if failed != set(failed_expected):
        problems.append("failed: %s; expected: %s" % (sorted(failed), sorted(failed_expected)))
    if {n for n, v in verdicts.items() if v == "not judged"} != not_judged:
        problems.append("not judged: %s" % verdicts)
    with open(os.path.join(report, "report.html"), encoding="utf-8") as f:
        html = f.read()
    for name, text in failed_expected.items():
        for wanted in (text, case.get("also", text)):
            if wanted not in why.get(name, ""):
                problems.append("the failure of %s does not say %r: %r" % (name, wanted, why.get(name)))
            if wanted.replace('"', "&quot;") not in html:
                problems.append("the HTML report does not say %r" % wanted)
    if code != (1 if failed_expected or not_judged else 0):
        problems.append("exit code %d" % code)
    if case.get("quick") and took > QUICK_S:
        problems.append("the mistake took %.0f s to be said" % took)
    # Failures first: the first step row of the page is a failed one whenever any failed.
    first_row = html.find("<tr class=\"", html.find("</th></tr>"))
    if failed_expected and not html.startswith("<tr class=\"fail\"", first_row):
        problems.append("the HTML report does not open with a failure")
    read = consumers(report_xml)
    meant = (len(verdicts) - len(failed) - len(not_judged), len(failed), len(not_judged))
    for consumer, counts in read.items():
        if counts != meant:
            problems.append("%s reads %s (passed, failed, errors), the run meant %s"
                            % (consumer, counts, meant))
    if problems:
        sys.exit("FAIL: " + "; ".join(problems) + " (files in %s)" % work)
    print("ok: %d steps in %.0f s, failed: %s" % (len(verdicts), took, sorted(failed) or "none"))
    if os.environ.get("VARNIX_KEEP_WORK"):
        print("report: %s" % os.path.join(report, "report.html"))
    else:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

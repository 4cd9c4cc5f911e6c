"""Pieces shared by make bench and make soak (and the test-set run of make test): the built
programs, a private data folder, the loopback simulator, and what /proc says of a process."""
import os
import random
import subprocess
import sys
import tempfile
import time

BIN = os.environ.get("BENCH_BIN") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                                  "build", "bin")
SEP = "-" * 52


def exe(name):
    return os.path.join(BIN, name)


def private_data_folder(prefix):
    """A throw-away home for one run: (work folder, data folder, environment without a display)."""
    work = tempfile.mkdtemp(prefix=prefix)
    os.chmod(work, 0o700)
    data = os.path.join(work, "share", "ZANDRIKVarnixPos")
    os.makedirs(data)
    env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "share"),
               XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_RUNTIME_DIR=work)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return work, data, env


def write_config(data, port, folder=None):
    """ConfigVnxPos.TXT in `data` for the simulator at `port`, with the command and result files
    in `folder` (bare names, so the configuration's own folder, when None)."""
    config = os.path.join(data, "ConfigVnxPos.TXT")
    where = b"" if folder is None else os.fsencode(folder) + b"/"
    with open(config, "wb") as f:
        f.write(b"TIPO:ETH\r\nIPAD:127.0.0.1\r\nPORT:%d\r\nINPF:%sSRINPF.TXT\r\n"
                b"OUTF:%sSROUTF.TXT\r\n" % (port, where, where))
    return config


def start_simulator(journal, *options):
    """pos-simulator on a free loopback port picked from 9000-9999: (process, port)."""
    for _ in range(20):
        port = random.randint(9000, 9999)
        sim = subprocess.Popen([exe("pos-simulator"), "--tcp", str(port), "--journal", journal,
                                *options], stdout=subprocess.PIPE, text=True)
        line = sim.stdout.readline()
        if line.startswith("tcp "):
            return sim, port
        sim.wait(timeout=5)
    sys.exit("the simulator did not start")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def wait_for(predicate, seconds=30, step=0.005):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return False


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def log_record_complete(text, marker):
    """A log or dump record is whole once it starts with its command and ends with the two
    separator lines of its POSData block."""
    return (text is not None and text.startswith(marker)
            and text.endswith((SEP + "\r\n" + SEP + "\r\n").encode()))


def print_table(rows):
    width = max(len(r[0]) for r in rows)
    print("%-*s  %s" % (width, "measure", "figure"))
    print("%s  %s" % ("-" * width, "-" * 20))
    for name, figure in rows:
        print("%-*s  %s" % (width, name, figure))

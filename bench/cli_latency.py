#!/usr/bin/env python3
# skylark-cli status --json against skylark-sim (paced at 4800 baud, status every second, each
# sentence numbered by its signal strength): how long after a sentence's last byte its reading is
# printed. The simulator's clock (its log, seconds since its start) is matched to ours at its
# "ready" line. Phases: the first readings after open, steady state, and after a backlog of
# sentences queued before the command opened the port.
#   bench/cli_latency.py BUILD_DIR [SECONDS]
import json, os, subprocess, sys, tempfile, time

build, seconds = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 30
home = tempfile.mkdtemp()
env = dict(os.environ, XDG_CONFIG_HOME=home, XDG_RUNTIME_DIR=home)
log = os.path.join(home, "sim.log")
sim = subprocess.Popen([f"{build}/sim/skylark-sim", "--hear", "306:20:60", "--settle-ms", "0", "--numbered",
                        "--log", log], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env, text=True)
sim.stdout.readline()
zero = time.monotonic()
cli = [f"{build}/cli/skylark-cli"]
subprocess.run(cli + ["tune", "--port", "COM4:", "--station", "306", "--interval", "1", "--sites",
                      "data/DGPSSites.csv"], env=env, check=True, capture_output=True)


def watch(count):
    out = subprocess.Popen(cli + ["status", "--port", "COM4:", "--json", "--count", str(count)], env=env,
                           stdout=subprocess.PIPE, text=True)
    printed = [(time.monotonic(), int(json.loads(line)["signal_strength"])) for line in out.stdout]
    out.wait()
    return printed


def ages(printed):
    sent = {}
    for line in open(log):
        at, tag, text = line.split(" ", 2)
        if tag == "TX" and text.startswith("$CRMSS,"):
            # The sentence ends its length in bytes (and CR LF) at 2.083 ms a byte after it starts.
            sent[int(text[7:].split(",")[0])] = float(at) + (len(text.strip()) + 2) * 10 / 4800
    return [((shown - zero) - sent[n]) * 1000 for shown, n in printed if n in sent]


def report(what, values):
    values = sorted(values)
    pick = lambda q: values[int(q * (len(values) - 1) + 0.5)]
    print(f"{what:36} n={len(values):3}  "
          f"p50 {pick(0.5):6.1f} ms  p95 {pick(0.95):6.1f} ms  max {values[-1]:6.1f} ms")


first = []
for _ in range(3):
    got = ages(watch(2))
    first += got
    print("first two readings after open, ms:", [round(a, 1) for a in got])
report("first two after open", first)
report("steady state", ages(watch(seconds)))
time.sleep(60)  # 60 sentences queue up with nobody reading
report("after a 60-sentence backlog", ages(watch(seconds)))
sim.communicate("quit\n", timeout=10)

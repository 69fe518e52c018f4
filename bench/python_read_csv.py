#!/usr/bin/env python3
"""kaskad.read_csv against pandas.read_csv, measured by hand (not by ctest).

    PYTHONPATH=build/python python3 bench/python_read_csv.py [--cli build/bin/kaskad-cli]

kaskad-cli writes a sweep of 41,700 24-reactor bubble-column points, 1,000,800
rows (214 MB of CSV); each reader then reads it in a process of its own,
which reports its time and the growth of its peak memory (VmHWM) over the
read, beside the bytes of the frame it returns. Each figure is the best of
--repeat runs, the readers interleaved, so that other work on the machine
weighs on both alike.
"""

import argparse
import os
import subprocess
import sys
import tempfile

FIELDS = dict(N="24", y10="3", y50="2.5", wg="0.05", t="400:499:1", dtr="2", d="3", ts="1000:42600:100")

# Run in a process of its own: reads the file and prints seconds, peak growth and frame bytes.
READER = """
import sys, time
import pandas, kaskad

def peak():
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) * 1024 for line in status if line.startswith("VmHWM"))

before = peak()
start = time.perf_counter()
frame = kaskad.read_csv(sys.argv[2]) if sys.argv[1] == "kaskad" else pandas.read_csv(sys.argv[2])
seconds = time.perf_counter() - start
print(seconds, peak() - before, frame.memory_usage(deep=True).sum(), len(frame))
"""


def write_sweep(cli, path):
    arguments = [cli, "sweep", "bubble", "--format", "csv"]
    for name, text in FIELDS.items():
        arguments += [f"--{name}", text]
    with open(path, "wb") as file:
        subprocess.run(arguments, stdout=file, check=True, env={**os.environ, "LC_ALL": "C"})


def read_once(reader, path):
    output = subprocess.run([sys.executable, "-c", READER, reader, path], check=True, capture_output=True,
                            text=True).stdout.split()
    return float(output[0]), int(output[1]), int(output[2]), int(output[3])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default="build/bin/kaskad-cli")
    parser.add_argument("--repeat", type=int, default=3)
    arguments = parser.parse_args()
    print("load average before:", " ".join(f"{x:.2f}" for x in os.getloadavg()))
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "sweep.csv")
        write_sweep(arguments.cli, path)
        best = {}
        for _ in range(arguments.repeat):
            for reader in ("pandas", "kaskad"):
                figures = read_once(reader, path)
                best[reader] = min(best.get(reader, figures), figures)
        print(f"{best['kaskad'][3]} rows, {os.path.getsize(path) / 1e6:.0f} MB of CSV")
    for reader, (seconds, peak, frame, _) in best.items():
        print(f"  {reader + '.read_csv':20} {seconds:6.2f} s  peak +{peak / 1e6:5.0f} MB  frame {frame / 1e6:5.0f} MB"
              f"  peak/frame {peak / frame:4.2f}")
    print(f"  kaskad.read_csv {best['pandas'][0] / best['kaskad'][0]:.2f}x as fast as pandas'")
    print("load average after:", " ".join(f"{x:.2f}" for x in os.getloadavg()))


if __name__ == "__main__":
    main()

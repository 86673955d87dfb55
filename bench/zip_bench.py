#!/usr/bin/env python3
"""Builds the benchmark package and times three extractors on it.

  zip_bench.py make <package>
      Writes a package of about 200 MB shaped like a presentation: one
      100 MB stored video, 40 deflated pictures of incompressible data and
      1,500 small deflated XML parts. Reproducible: a fixed seed.

  zip_bench.py run <package> <work folder> <zip_bench.exe> [--repeat N]
      Extracts the package N times with each of Info-ZIP unzip, Python's
      zipfile and ZipExtractor (zip_bench.exe under Wine; the Wine session
      must be set up by the caller), and once more with zip_bench --floor
      (the same tree written without reading the archive: what Wine's file
      system alone costs). Reports the median and best times, the ratios to
      unzip, the throughput and the peak memory.
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import time
import zipfile

MB = 1024 * 1024


def entry_writer(package, date_time):
    """add(name, data, method): one regular file entry of the package."""

    def add(name, data, method):
        info = zipfile.ZipInfo(name, date_time=date_time)
        info.compress_type = method
        info.external_attr = 0o644 << 16
        package.writestr(info, data)

    return add


def make_package(path):
    rng = random.Random(20240611)
    partial = path + ".partial"
    with zipfile.ZipFile(partial, "w") as package:
        add = entry_writer(package, (2024, 6, 11, 10, 0, 0))
        add("[Content_Types].xml", b'<?xml version="1.0"?><Types/>' * 20, zipfile.ZIP_DEFLATED)
        add("ppt/media/media1.mp4", rng.randbytes(100 * MB), zipfile.ZIP_STORED)
        for i in range(1, 41):
            add(f"ppt/media/image{i}.png", rng.randbytes(int(2.5 * MB)), zipfile.ZIP_DEFLATED)
        words = [b"<a:t>", b"</a:t>", b"<p:sp>", b"</p:sp>", b"slide", b"text", b" ", b"\n", b"42", b"x=\"1\""]
        for i in range(1, 1501):
            body = b"".join(rng.choice(words) for _ in range(rng.randint(300, 1500)))
            add(f"ppt/slides/slide{i}.xml", b'<?xml version="1.0"?>\n<p:sld>' + body + b"</p:sld>",
                zipfile.ZIP_DEFLATED)
    os.replace(partial, path)


def tree_summary(root):
    files, size = 0, 0
    for folder, _, names in os.walk(root):
        for name in names:
            files += 1
            size += os.path.getsize(os.path.join(folder, name))
    return files, size


def run_measured(command, work, quiet=False):
    """Runs a command; answers (seconds, peak RSS in MB, stdout). quiet
    drops what the command writes to its standard error.

    GNU time measures the peak: the rusage of a child forked from this
    interpreter would count the interpreter's own pages, copied at the fork.
    """
    report = os.path.join(work, "rss.txt")
    start = time.perf_counter()
    process = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + command, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL if quiet else None)
    seconds = time.perf_counter() - start
    if process.returncode != 0:
        sys.exit(f"{command[0]} failed with {process.returncode}: {process.stdout.decode(errors='replace')}")
    with open(report) as f:
        rss_kb = int(f.read().split()[-1])
    return seconds, rss_kb / 1024, process.stdout.decode()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


PYTHON_EXTRACT = (
    "import sys, time, zipfile\n"
    "start = time.perf_counter()\n"
    "zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])\n"
    "print(time.perf_counter() - start)\n"
)


def run(package, work, bench_exe, repeat):
    os.makedirs(work, exist_ok=True)
    with open(package, "rb") as f:  # into the page cache, for every contender alike
        while f.read(16 * MB):
            pass
    entries = zipfile.ZipFile(package).infolist()
    total = sum(e.file_size for e in entries)

    contenders = {
        "unzip": lambda out: ["unzip", "-qq", "-o", package, "-d", out],
        "python": lambda out: [sys.executable, "-c", PYTHON_EXTRACT, package, out],
        "dovrel": lambda out: ["wine", bench_exe, windows_path(package), windows_path(out)],
        "floor": lambda out: ["wine", bench_exe, "--floor", windows_path(package), windows_path(out)],
    }
    times = {name: [] for name in contenders}
    inner = {name: [] for name in contenders}
    memory = {name: [] for name in contenders}
    dovrel_memory = []
    reference = None
    for _ in range(repeat):
        for name, command in contenders.items():
            out = os.path.join(work, "out-" + name)
            shutil.rmtree(out, ignore_errors=True)
            subprocess.run(["sync"], check=True)
            seconds, rss, stdout = run_measured(command(out), work)
            times[name].append(seconds)
            memory[name].append(rss)
            if name == "python":
                inner[name].append(float(stdout.strip()))
            elif name in ("dovrel", "floor"):
                fields = dict(item.split("=") for item in stdout.split())
                if fields["result"] != "1":
                    sys.exit(f"{name} answered {fields['result']}")
                inner[name].append(float(fields["seconds"]))
                if name == "dovrel":
                    dovrel_memory.append(fields)
            else:
                inner[name].append(seconds)
            summary = tree_summary(out)
            if reference is None:
                reference = summary
            elif summary != reference:
                sys.exit(f"{name} extracted {summary}, unzip {reference}")
    for name in contenders:
        shutil.rmtree(os.path.join(work, "out-" + name), ignore_errors=True)

    median = {name: statistics.median(values) for name, values in inner.items()}
    best = {name: min(values) for name, values in inner.items()}
    print(f"package: {os.path.getsize(package) / MB:.1f} MB, {len(entries)} entries, "
          f"{total / MB:.1f} MB uncompressed; {repeat} interleaved runs each")
    print(f"{'extractor':<32}{'median s':>9}{'best s':>8}{'vs unzip':>10}{'MB/s':>6}{'peak memory':>18}")
    peak_private = statistics.median(float(m["peak_private_mb"]) for m in dovrel_memory)
    private_before = statistics.median(float(m["private_before_mb"]) for m in dovrel_memory)
    peak_ws = statistics.median(float(m["peak_working_set_mb"]) for m in dovrel_memory)
    ws_before = statistics.median(float(m["working_set_before_mb"]) for m in dovrel_memory)
    rows = [
        ("Info-ZIP unzip -qq -o", "unzip", f"{statistics.median(memory['unzip']):.1f} MB RSS"),
        ("Python zipfile.extractall", "python", f"{statistics.median(memory['python']):.1f} MB RSS"),
        ("ZipExtractor (Wine)", "dovrel", f"+{peak_private - private_before:.1f} MB private"),
        ("same tree, no zip (Wine floor)", "floor", ""),
    ]
    for label, name, mem in rows:
        print(f"{label:<32}{median[name]:>9.3f}{best[name]:>8.3f}{median[name] / median['unzip']:>9.2f}x"
              f"{total / MB / median[name]:>6.0f}{mem:>18}")
    print(f"ratio to unzip from the best runs: ZipExtractor {best['dovrel'] / best['unzip']:.2f}x, "
          f"python {best['python'] / best['unzip']:.2f}x")
    print(f"ZipExtractor above the Wine floor: {median['dovrel'] - median['floor']:.3f} s (median)")
    print(f"ZipExtractor process memory (GetProcessMemoryInfo): private {private_before:.1f} MB before, "
          f"{peak_private:.1f} MB peak; working set {ws_before:.1f} MB before, {peak_ws:.1f} MB peak")
    print(f"wall time of the whole Wine process, start-up included: "
          f"{statistics.median(times['dovrel']):.3f} s; python with interpreter start-up: "
          f"{statistics.median(times['python']):.3f} s")


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    make = sub.add_parser("make")
    make.add_argument("package")
    bench = sub.add_parser("run")
    bench.add_argument("package")
    bench.add_argument("work")
    bench.add_argument("bench_exe")
    bench.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    if args.command == "make":
        make_package(args.package)
    else:
        run(args.package, args.work, args.bench_exe, args.repeat)


if __name__ == "__main__":
    main()

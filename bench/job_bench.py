#!/usr/bin/env python3
"""Times the extraction job against native tools doing the user's task.

  job_bench.py run <work folder> <job_bench.exe> <window_bench.exe>
               [--rounds N] [--picture-rounds M]

Three documents, made once in the work folder (reproducible, fixed seeds):
the benchmark package of zip_bench.py (about 201 MB: 1,500 small XML parts,
40 pictures, a 100 MB stored video), a 1 MB presentation (60 XML parts,
8 pictures) and a presentation of 6,000 small pictures (25 MB). For each,
N interleaved rounds (default 5; M, default 3, for the 6,000 pictures) of:

  job        the job as the extract button runs it (job_bench.exe under Wine;
             the Wine session is set up by the caller), timed inside the
             process, from the click to the message, scratch clean-up included
  window     the job the way a user lives it: the real Dovrel.exe started
             (window_bench.exe), the document in its path box, 提取 clicked,
             timed from the click until the 提示 box shows
  floor      Wine's own cost of the output: the media files created new in
             one folder, written and closed, nothing read (job_bench --floor)
  7zz        7-Zip unpacking the whole package            7zz x
  unzip      Info-ZIP unzip, the whole package            unzip -qq -o
  unzip media  unzip restricted to ppt/media/*
  7zz media    7-Zip restricted to ppt/media/*

Every output is removed and `sync` run before each contender. Reports the
medians and best times, the ratios, the job's longest gap between two
progress reports and the peak memory: the job's private bytes above its
start (in process and in the real program) and, from one more run of the
job that samples them, its mapped file bytes (the document's views, which
the system reclaims at will); the tools' peak RSS.
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
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import zip_bench  # noqa: E402


def make_small(path):
    rng = random.Random(20261208)
    partial = path + ".partial"
    with zipfile.ZipFile(partial, "w") as package:
        add = zip_bench.entry_writer(package, (2026, 12, 8, 10, 0, 0))
        add("[Content_Types].xml", b'<?xml version="1.0"?><Types/>', zipfile.ZIP_DEFLATED)
        for i in range(1, 9):
            add(f"ppt/media/image{i}.png", rng.randbytes(110 * 1024), zipfile.ZIP_DEFLATED)
        words = [b"<a:t>", b"</a:t>", b"<p:sp>", b"slide", b"text", b" ", b"42"]
        for i in range(1, 61):
            body = b"".join(rng.choice(words) for _ in range(800))
            add(f"ppt/slides/slide{i}.xml", b"<p:sld>" + body + b"</p:sld>", zipfile.ZIP_DEFLATED)
    os.replace(partial, path)


def make_pictures(path):
    """A presentation of 6,000 small pictures (2 to 6 KB each) in one media folder."""
    rng = random.Random(20261209)
    partial = path + ".partial"
    with zipfile.ZipFile(partial, "w") as package:
        add = zip_bench.entry_writer(package, (2026, 12, 9, 10, 0, 0))
        add("[Content_Types].xml", b'<?xml version="1.0"?><Types/>', zipfile.ZIP_DEFLATED)
        add("ppt/slides/slide1.xml", b"<p:sld/>", zipfile.ZIP_DEFLATED)
        for i in range(1, 6001):
            add(f"ppt/media/image{i}.png", rng.randbytes(rng.randint(2048, 6144)), zipfile.ZIP_DEFLATED)
    os.replace(partial, path)


def job_fields(stdout):
    fields = dict(item.split("=") for item in stdout.split())
    if fields["result"] != "extracted":
        sys.exit(f"the job answered {fields['result']}")
    return fields


def bench_document(document, work, bench_exe, window_exe, rounds):
    out = os.path.join(work, "out")
    wine_job = ["wine", bench_exe, zip_bench.windows_path(document), zip_bench.windows_path(out)]
    contenders = {
        "job": lambda: wine_job,
        "window": lambda: ["wine", window_exe, zip_bench.windows_path(document), zip_bench.windows_path(out)],
        "floor": lambda: ["wine", bench_exe, "--floor", zip_bench.windows_path(document),
                          zip_bench.windows_path(os.path.join(out, "floor"))],
        "7zz": lambda: ["7zz", "x", "-y", "-bd", "-bso0", "-o" + out, document],
        "unzip": lambda: ["unzip", "-qq", "-o", document, "-d", out],
        "unzip media": lambda: ["unzip", "-qq", "-o", document, "ppt/media/*", "-d", out],
        "7zz media": lambda: ["7zz", "x", "-y", "-bd", "-bso0", "-o" + out, document, "ppt/media/*"],
    }
    times = {name: [] for name in contenders}
    memory = {name: [] for name in contenders}
    fields = {name: [] for name in ("job", "window")}
    expected = None
    for _ in range(rounds):
        for name, command in contenders.items():
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            subprocess.run(["sync"], check=True)
            seconds, rss, stdout = zip_bench.run_measured(command(), work, quiet=True)
            if name in ("job", "window", "floor"):
                answer = job_fields(stdout)
                times[name].append(float(answer["seconds"]))
                if name == "floor":
                    media = zip_bench.tree_summary(os.path.join(out, "floor"))
                else:
                    fields[name].append(answer)
                    results = [d for d in os.listdir(os.path.join(out, "PPT_RES")) if d != "TMP"]
                    media = zip_bench.tree_summary(os.path.join(out, "PPT_RES", results[0]))
            else:
                times[name].append(seconds)
                memory[name].append(rss)
                media = zip_bench.tree_summary(os.path.join(out, "ppt", "media"))
            if expected is None:
                expected = media
            elif media != expected:
                sys.exit(f"{name} extracted {media} media, the job {expected}")
    # One more run of the job, sampling its mapped views (which slows it).
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    mapped = job_fields(zip_bench.run_measured(wine_job[:2] + ["--memory"] + wine_job[2:], work, quiet=True)[2])
    shutil.rmtree(out, ignore_errors=True)
    return times, memory, fields, mapped, expected


def report(label, document, result, rounds):
    times, memory, fields, mapped, media = result
    median = {name: statistics.median(values) for name, values in times.items()}
    best = {name: min(values) for name, values in times.items()}
    entries = len(zipfile.ZipFile(document).infolist())
    print(f"\n{label}: {os.path.getsize(document) / MB:.1f} MB, {entries} entries, "
          f"{media[0]} media files of {media[1] / MB:.1f} MB; {rounds} interleaved rounds")
    print(f"{'contender':<40}{'median s':>9}{'best s':>8}{'/7zz media':>11}{'peak memory':>20}")

    def growth(name):
        return statistics.median(float(f["peak_private_mb"]) - float(f["private_before_mb"]) for f in fields[name])

    rows = [
        ("the job (Wine, in process)", "job", f"+{growth('job'):.1f} MB private"),
        ("the job through the window", "window", f"+{growth('window'):.1f} MB private"),
        ("Wine's create floor (media files only)", "floor", "-"),
        ("7zz x (whole package)", "7zz", ""),
        ("unzip -qq -o (whole package)", "unzip", ""),
        ("unzip ... 'ppt/media/*'", "unzip media", ""),
        ("7zz x ... 'ppt/media/*'", "7zz media", ""),
    ]
    for text, name, mem in rows:
        if not mem:
            mem = f"{statistics.median(memory[name]):.1f} MB RSS"
        print(f"{text:<40}{median[name]:>9.3f}{best[name]:>8.3f}{median[name] / median['7zz media']:>10.2f}x{mem:>20}")
    print(f"against Wine's create floor: the job {median['job'] / median['floor']:.2f}x, "
          f"through the window {median['window'] / median['floor']:.2f}x")
    print(f"the job's mapped file bytes: {float(mapped['mapped_before_mb']):.1f} MB before, "
          f"{float(mapped['peak_mapped_mb']):.1f} MB peak (sampled run); private "
          f"+{float(mapped['peak_private_mb']) - float(mapped['private_before_mb']):.1f} MB")
    gaps = [float(f["longest_gap_ms"]) for f in fields["job"]]
    reports = [int(f["reports"]) for f in fields["job"]]
    print(f"job progress: {statistics.median(reports):.0f} reports; longest gap between two "
          f"{statistics.median(gaps):.1f} ms median, {max(gaps):.1f} ms worst")
    for name in ("job", "window", "floor", "7zz media"):
        print(f"{name} per round (s): " + " ".join(f"{t:.3f}" for t in times[name]))


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    run = sub.add_parser("run")
    run.add_argument("work")
    run.add_argument("bench_exe")
    run.add_argument("window_exe")
    run.add_argument("--rounds", type=int, default=5)
    run.add_argument("--picture-rounds", type=int, default=3)
    args = parser.parse_args()

    os.makedirs(args.work, exist_ok=True)
    large = os.path.join(args.work, "package.pptx")
    small = os.path.join(args.work, "small.pptx")
    if not os.path.exists(large):
        zip_bench.make_package(large)
    pictures = os.path.join(args.work, "pictures.pptx")
    if not os.path.exists(small):
        make_small(small)
    if not os.path.exists(pictures):
        make_pictures(pictures)
    for document in (large, small, pictures):  # into the page cache, for every contender alike
        with open(document, "rb") as f:
            while f.read(16 * MB):
                pass
    print(f"{time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}; "
          f"{os.cpu_count()} CPUs; {subprocess.run(['7zz'], stdout=subprocess.PIPE).stdout.decode().splitlines()[1]}")
    print("medians of interleaved rounds; the machine is shared, so single rounds are noisy")
    for label, document, rounds in (("201 MB package", large, args.rounds), ("1 MB document", small, args.rounds),
                                    ("6,000 small pictures", pictures, args.picture_rounds)):
        report(label, document, bench_document(document, args.work, args.bench_exe, args.window_exe, rounds),
               rounds)


if __name__ == "__main__":
    main()

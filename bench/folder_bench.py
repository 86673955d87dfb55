#!/usr/bin/env python3
"""Times a folder of documents chosen as a folder against the same
documents chosen as files.

  folder_bench.py run <work folder> <job_bench.exe> [--rounds N] [--count C]

Makes, once, a folder of C documents (default 200) in four subfolders, each
the 1 MB presentation of job_bench.py (eight 110 KB pictures, 60 slides),
then runs N interleaved rounds (default 5) of the job (job_bench.exe under
Wine, timed inside the process; the Wine session is set up by the caller):

  folder   the folder chosen alone: the walk finds the documents, judges
           each one's kind by its content, and the batch extracts them
  files    the same documents chosen as files, in the walk's order
  walk     the folder walk alone (job_bench --walk), and the judging of the
           documents' kinds by content alone, once more over what it found

Every output is removed and `sync` run before each contender. Reports the
medians and ranges and what the folder adds over the files.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import job_bench  # noqa: E402
import zip_bench  # noqa: E402


def make_folder(folder, count):
    if os.path.isdir(folder) and sum(len(files) for _, _, files in os.walk(folder)) == count:
        return
    shutil.rmtree(folder, ignore_errors=True)
    one = folder + ".pptx"
    job_bench.make_small(one)
    for i in range(count):
        sub = os.path.join(folder, f"part{i % 4 + 1}")
        os.makedirs(sub, exist_ok=True)
        shutil.copyfile(one, os.path.join(sub, f"deck{i + 1:03}.pptx"))
    os.remove(one)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=["run"])
    parser.add_argument("work")
    parser.add_argument("bench_exe")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--count", type=int, default=200)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    folder = os.path.join(args.work, "decks")
    make_folder(folder, args.count)
    documents = sorted(os.path.join(root, name) for root, _, names in os.walk(folder) for name in names)
    listing = os.path.join(args.work, "decks.txt")
    with open(listing, "w", encoding="ascii") as out:
        out.write("".join(zip_bench.windows_path(path) + "\n" for path in documents))

    out = os.path.join(args.work, "out")
    contenders = {
        "folder": ["wine", args.bench_exe, zip_bench.windows_path(folder), zip_bench.windows_path(out)],
        "files": ["wine", args.bench_exe, "@" + zip_bench.windows_path(listing), zip_bench.windows_path(out)],
    }
    times = {name: [] for name in contenders}
    walks, judges = [], []
    walk = ["wine", args.bench_exe, "--walk", zip_bench.windows_path(folder)]
    for round_number in range(args.rounds):
        # Interleaved, each first in every other round.
        order = list(contenders) if round_number % 2 == 0 else list(reversed(contenders))
        for name in order:
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            subprocess.run(["sync"], check=True)
            fields = job_bench.job_fields(zip_bench.run_measured(contenders[name], args.work, quiet=True)[2])
            times[name].append(float(fields["seconds"]))
            results = len(os.listdir(os.path.join(out, "PPT_RES")))
            if results != len(documents):
                sys.exit(f"{name}: {results} result folders for {len(documents)} documents")
        fields = job_bench.job_fields(zip_bench.run_measured(walk, args.work, quiet=True)[2])
        walks.append(float(fields["seconds"]))
        judges.append(float(fields["judge_seconds"]))
    shutil.rmtree(out, ignore_errors=True)

    print(f"{len(documents)} documents of {os.path.getsize(documents[0]) / 2**20:.2f} MB, {args.rounds} rounds")
    for name, values in times.items():
        print(f"{name:8} median {statistics.median(values):.3f} s  range {min(values):.3f}-{max(values):.3f} s")
    print(f"walk     median {statistics.median(walks):.3f} s  range {min(walks):.3f}-{max(walks):.3f} s")
    print(f"judging  median {statistics.median(judges):.3f} s  range {min(judges):.3f}-{max(judges):.3f} s")
    added = statistics.median(times["folder"]) - statistics.median(times["files"])
    print(f"the folder adds {added * 1000:.0f} ms ({added / statistics.median(times['files']) * 100:+.1f} %), "
          f"{added / len(documents) * 1000:.2f} ms a document")


if __name__ == "__main__":
    main()

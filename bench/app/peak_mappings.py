#!/usr/bin/env python3
"""Where a process's peak resident memory lies, mapping by mapping.

As a wrapper: peak_mappings.py PROGRAM ARGS... runs the program, reads /proc/PID/smaps every
few milliseconds and keeps the reading with the highest resident total; at the end it writes
that reading's resident KiB per mapped file (anonymous memory as [anon], the break heap as
[heap]) to DIR/NAME-PID.txt, DIR being $PEAK_MAPPINGS_DIR (default: the temporary folder) and
NAME the program's first argument. It exits with the program's status.

To compare two such files: peak_mappings.py --diff A.txt B.txt prints B minus A per mapping.

    BENCH_EXPORT_WRAPPER=bench/app/peak_mappings.py PEAK_MAPPINGS_DIR=/tmp/peaks \\
        build/release/bench/app/bench_export_memory 13000 1
    bench/app/peak_mappings.py --diff /tmp/peaks/fetch-*.txt /tmp/peaks/export-*.txt
"""
import collections
import os
import re
import subprocess
import sys
import tempfile
import time

MAPPING = re.compile(r"^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(.*)$")
RSS = re.compile(r"^Rss:\s+(\d+) kB")
# Often enough to catch a peak that lasts a page or two of an export.
SAMPLE_SECONDS = 0.002


def resident_by_mapping(smaps):
    sizes = collections.Counter()
    name = None
    for line in smaps.splitlines():
        m = MAPPING.match(line)
        if m:
            name = m.group(1) or "[anon]"
            continue
        m = RSS.match(line)
        if m and name is not None:
            sizes[name] += int(m.group(1))
    return sizes


def run(argv):
    child = subprocess.Popen(argv)
    peak = collections.Counter()
    while child.poll() is None:
        try:
            with open("/proc/%d/smaps" % child.pid) as f:
                sizes = resident_by_mapping(f.read())
        except OSError:
            break
        if sum(sizes.values()) > sum(peak.values()):
            peak = sizes
        time.sleep(SAMPLE_SECONDS)
    status = child.wait()
    folder = os.environ.get("PEAK_MAPPINGS_DIR") or tempfile.gettempdir()
    os.makedirs(folder, exist_ok=True)
    name = os.path.basename(argv[1]) if len(argv) > 1 else os.path.basename(argv[0])
    path = os.path.join(folder, "%s-%d.txt" % (name, child.pid))
    with open(path, "w") as out:
        out.write("%d total\n" % sum(peak.values()))
        for mapping, kib in peak.most_common():
            out.write("%d %s\n" % (kib, mapping))
    return status if status >= 0 else 128 - status


def read(path):
    sizes = collections.Counter()
    with open(path) as f:
        for line in f:
            kib, _, mapping = line.rstrip("\n").partition(" ")
            if mapping != "total":
                sizes[mapping] = int(kib)
    return sizes


def diff(a_path, b_path, least_kib=16):
    a, b = read(a_path), read(b_path)
    print("%8d KiB  %s\n%8d KiB  %s\n%+8d KiB  difference" % (
        sum(a.values()), a_path, sum(b.values()), b_path, sum(b.values()) - sum(a.values())))
    for mapping in sorted(set(a) | set(b), key=lambda m: a[m] - b[m]):
        if abs(b[mapping] - a[mapping]) >= least_kib:
            print("%8d %8d %+8d  %s" % (a[mapping], b[mapping], b[mapping] - a[mapping], mapping))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--diff":
        diff(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 2 and not sys.argv[1].startswith("-"):
        sys.exit(run(sys.argv[1:]))
    else:
        sys.exit(__doc__)

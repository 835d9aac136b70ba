#!/usr/bin/env python3
"""Times whole commands as a user runs them, alternating between them round by round so that
a change in the machine's load hits every command alike. Prints one markdown table: median,
minimum and maximum wall time in milliseconds and the peak resident memory of each command.

Usage: bench/timing.py RUNS NAME -- COMMAND ARGS... [;; NAME -- COMMAND ARGS...]...
Standard output of the commands goes to /dev/null; a failing command stops the run.
"""
import os
import statistics
import sys
import time


def parse(argv):
    runs = int(argv[0])
    commands, current = [], []
    for arg in argv[1:] + [";;"]:
        if arg == ";;":
            if current:
                sep = current.index("--")
                commands.append((" ".join(current[:sep]), current[sep + 1:]))
            current = []
        else:
            current.append(arg)
    return runs, commands


def run_once(argv):
    """Wall time in seconds and peak resident memory in MB of one run."""
    null = os.open(os.devnull, os.O_WRONLY)
    actions = [(os.POSIX_SPAWN_DUP2, null, 1)]
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    os.close(null)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: " + " ".join(argv))
    return elapsed, usage.ru_maxrss / 1024.0


def main():
    runs, commands = parse(sys.argv[1:])
    times = {name: [] for name, _ in commands}
    memory = {name: 0.0 for name, _ in commands}
    for name, argv in commands:  # one warm-up each: the file in the page cache
        run_once(argv)
    for _ in range(runs):
        for name, argv in commands:
            elapsed, rss = run_once(argv)
            times[name].append(elapsed * 1000)
            memory[name] = max(memory[name], rss)
    print("| Command | Median ms | Min ms | Max ms | Peak RSS MB |")
    print("|---|---:|---:|---:|---:|")
    for name, _ in commands:
        t = times[name]
        print("| %s | %.1f | %.1f | %.1f | %.1f |" % (name, statistics.median(t), min(t), max(t), memory[name]))


if __name__ == "__main__":
    main()

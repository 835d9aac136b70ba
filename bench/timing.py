#!/usr/bin/env python3
"""Times whole commands as a user runs them, alternating between them round by round so that
a change in the machine's load hits every command alike. Prints one markdown table: median,
minimum and maximum wall time in milliseconds and the peak resident memory of each command.

Usage: bench/timing.py RUNS [--allow-failure] NAME -- COMMAND ARGS... [;; NAME -- ...]...
Standard output and error of the commands go to /dev/null; a failing command stops the run
unless --allow-failure is given (for timing refusals).
"""
import os
import statistics
import subprocess
import sys
import time


def parse(argv):
    runs = int(argv[0])
    argv = argv[1:]
    global allowFailure
    if argv and argv[0] == "--allow-failure":
        allowFailure = True
        argv = argv[1:]
    commands, current = [], []
    for arg in argv + [";;"]:
        if arg == ";;":
            if current:
                sep = current.index("--")
                commands.append((" ".join(current[:sep]), current[sep + 1:]))
            current = []
        else:
            current.append(arg)
    return runs, commands


allowFailure = False


def run_once(argv):
    """Wall time in seconds of one run."""
    null = os.open(os.devnull, os.O_WRONLY)
    actions = [(os.POSIX_SPAWN_DUP2, null, 1), (os.POSIX_SPAWN_DUP2, null, 2)]
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=actions)
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter() - start
    os.close(null)
    if os.waitstatus_to_exitcode(status) != 0 and not allowFailure:
        sys.exit("failed: " + " ".join(argv))
    return elapsed


def peak_mb(argv):
    """Peak resident memory of one run, as GNU time reports it (a child of this process would
    count this process's own pages from before its exec)."""
    run = subprocess.run(["/usr/bin/time", "-f", "%M"] + argv, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True)
    return int(run.stderr.strip().splitlines()[-1]) / 1024.0


def main():
    runs, commands = parse(sys.argv[1:])
    times = {name: [] for name, _ in commands}
    memory = {name: 0.0 for name, _ in commands}
    for name, argv in commands:  # one warm-up each (the file in the page cache), and memory
        run_once(argv)
        memory[name] = peak_mb(argv)
    for _ in range(runs):
        for name, argv in commands:
            times[name].append(run_once(argv) * 1000)
    print("| Command | Median ms | Min ms | Max ms | Peak RSS MB |")
    print("|---|---:|---:|---:|---:|")
    for name, _ in commands:
        t = times[name]
        print("| %s | %.1f | %.1f | %.1f | %.1f |" % (name, statistics.median(t), min(t), max(t), memory[name]))


if __name__ == "__main__":
    main()

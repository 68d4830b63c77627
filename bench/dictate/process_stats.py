"""CPU time and peak memory of a running process, read from /proc."""

import os


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def thread_cpu_seconds(pid):
    """CPU seconds of each thread, by thread id."""
    times = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        fields = open(f"/proc/{pid}/task/{tid}/stat").read().rsplit(")", 1)[1].split()
        times[tid] = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    return times


def peak_rss_mb(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1]) / 1024
    return 0

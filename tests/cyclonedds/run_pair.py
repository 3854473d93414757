#!/usr/bin/python3
"""Runs one reader and one writer process against each other and checks both.

    run_pair.py --timeout SEC --expect TEXT READER_ARGV... -- WRITER_ARGV...

Both get a topic of their own ("--topic rt/pelmora_<pid>"), so pairs that run
at the same time in one domain never see each other's samples. The reader
starts first; the writer waits for it. Passes when both exit 0 and the
reader's output contains TEXT. Every process is bounded by the timeout and
killed (by its own handle) when it overstays.
"""
import argparse
import os
import subprocess
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--expect", default="")
    parser.add_argument("--expect-stderr", default="")
    parser.add_argument("commands", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if "--" not in args.commands:
        parser.error("reader and writer commands are separated by --")
    split = args.commands.index("--")
    topic = ["--topic", "rt/pelmora_%d" % os.getpid()]
    reader_argv = args.commands[:split] + topic
    writer_argv = args.commands[split + 1:] + topic

    reader = subprocess.Popen(reader_argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    time.sleep(0.3)
    writer = subprocess.Popen(writer_argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    results = []
    deadline = time.monotonic() + args.timeout
    for name, process in (("writer", writer), ("reader", reader)):
        try:
            out, err = process.communicate(timeout=max(1.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            process.kill()
            out, err = process.communicate()
            print("%s overstayed the timeout and was killed" % name)
        results.append((name, process.returncode, out, err))

    ok = True
    for name, code, out, err in results:
        sys.stdout.write("--- %s exit %s\n%s%s" % (name, code, out, err))
        ok = ok and code == 0
    reader_out, reader_err = results[1][2], results[1][3]
    if args.expect and args.expect not in reader_out:
        print("reader output lacks %r" % args.expect)
        ok = False
    if args.expect_stderr and args.expect_stderr not in reader_err:
        print("reader errors lack %r" % args.expect_stderr)
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Throughput of Features with DDS Security against the same exchange
without, 1 kB to 4 MB per sample, measured in the same run.

    security_throughput.py --build BUILD_DIR [--repetitions 5] [--markdown]

A C publisher and a C receiver (pelmora-dds) run on two hosts made of network
namespaces (UDP over a veth pair and a bridge) and, for the shared-memory
column, both on one host. Each configuration runs plain and secured in
turn, repeated; the throughput is the receiver's (bytes between its first
and last sample over the time between them), the median of the repetitions.
The ratio is secured over plain: below 1 is the cost of authentication,
signing and AES-GCM encryption. Needs root for the namespaces; prints the
reason and exits 77 otherwise.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

from pelmora_harness import netns, peers

# (label, bytes per sample, samples per run): 20 to 128 MB a run, so that
# start-up and the last sample's round trip weigh little.
SIZES = [('1 kB', 1000, 20000), ('16 kB', 16000, 4000), ('256 kB', 256000, 400),
         ('1 MB', 1000000, 128), ('4 MB', 4000000, 32)]
TIMEOUT = 60


def run_once(build, keystore, sender, receiver, transport, size, count):
    """The receiver's throughput in MB/s for one exchange."""
    # Reliable keep-all: every sample arrives, so both modes move the same bytes.
    common = ['--count', str(count), '--timeout', str(TIMEOUT), '--transport', transport,
              '--qos-history', 'keep_all']
    if keystore is not None:
        common += ['--enclave', '/bench']
    env = peers.environment(build, **(peers.secured(keystore) if keystore is not None else {}))
    echo = peers.Peer(receiver, 'echo', peers.peer_command(
        build, 'c', 'echo', ['--quiet', '--largest', str(size + 100)] + common, topic='bench'), env)
    pub = peers.Peer(sender, 'pub', peers.peer_command(
        build, 'c', 'pub', ['--bytes', str(size)] + common, topic='bench'), env)
    echo.finish(TIMEOUT + 30)
    pub.finish(TIMEOUT + 30)
    if echo.killed or pub.killed:
        raise RuntimeError('a peer outlived its own timeout by 30 s and was killed')
    match = re.search(r'throughput=([\d.]+)MB/s', echo.stdout)
    if echo.returncode != 0 or pub.returncode != 0 or match is None:
        raise RuntimeError('exchange failed (echo %d, pub %d):\n%s%s'
                           % (echo.returncode, pub.returncode, echo.output, pub.output))
    return float(match.group(1))


def spread(values):
    return '%.0f (%.0f-%.0f)' % (statistics.median(values), min(values), max(values))


def describe(runs):
    return 'plain %s MB/s  secured %s MB/s  ratio %.2f' % (
        spread(runs['plain']), spread(runs['secured']),
        statistics.median(runs['secured']) / statistics.median(runs['plain']))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--build', required=True)
    parser.add_argument('--repetitions', type=int, default=5)
    parser.add_argument('--markdown', action='store_true', help='print a table for docs/benchmarks.md')
    args = parser.parse_args()
    netns.skip_unless_available()
    build = os.path.abspath(args.build)
    tool = os.path.join(build, 'bin', 'pelmora-dds')
    scratch = tempfile.mkdtemp(prefix='pelmora-secbench-')
    keystore = os.path.join(scratch, 'keystore')
    try:
        for command in (['create-keystore', keystore], ['create-enclave', keystore, '/bench']):
            subprocess.run([tool, 'security'] + command, check=True, stdout=subprocess.DEVNULL,
                           timeout=60)
        rows = []
        failures = []
        with netns.Network(hosts=2, label='secbench') as net:
            a, b = net.hosts
            for transport, sender, receiver in (('udp', a, b), ('shm', a, a)):
                for label, size, count in SIZES:
                    runs = {'plain': [], 'secured': []}
                    # Interleaved, so that a slow phase of the machine hits both.
                    for _ in range(args.repetitions):
                        for mode, ks in (('plain', None), ('secured', keystore)):
                            try:
                                runs[mode].append(run_once(build, ks, sender, receiver, transport,
                                                           size, count))
                            except RuntimeError as failure:
                                failures.append('%s %s %s: %s' % (transport, label, mode, failure))
                                print(failures[-1], file=sys.stderr, flush=True)
                    if not runs['plain'] or not runs['secured']:
                        continue
                    rows.append((transport, label, runs['plain'], runs['secured']))
                    print('%-4s %-7s %s' % (transport, label, describe(runs)), file=sys.stderr,
                          flush=True)
        if args.markdown:
            print('| transport | sample | plain MB/s, median (min-max) | secured MB/s, median (min-max) '
                  '| secured / plain |')
            print('|---|---:|---:|---:|---:|')
            for transport, label, plain, secured in rows:
                print('| %s | %s | %s | %s | %.2f |' % (transport, label, spread(plain), spread(secured),
                                                     statistics.median(secured) / statistics.median(plain)))
            if failures:
                print('\nRuns that failed and are left out: %s.' % '; '.join(failures))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == '__main__':
    sys.exit(main())

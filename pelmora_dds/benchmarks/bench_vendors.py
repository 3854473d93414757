#!/usr/bin/python3
"""Features throughput of Cyclone DDS against Fast DDS, in the same run.

    bench_vendors.py --build BUILD [--repetitions R] [--megabytes M]
                     [--sizes K[,K..]] [--json OUT]

For every size and repetition, and for each sender/receiver vendor pair
(Fast DDS to Fast DDS, Cyclone to Cyclone, and both mixed), one
pelmora-dds pub and one pelmora-dds echo process exchange about M
megabytes in samples of K keypoints (C side, reliable, keep-all) over UDP on 127.0.0.1 with unicast
discovery and no multicast. The receiver's own figure is used: bytes over
the time from its first to its last sample. The pairs take turns within a
repetition, so all see the same machine. Prints medians and the ratio of
each pair to Fast DDS to Fast DDS; exit status 1 when an exchange of every
repetition failed.
"""
import argparse
import json
import os
import re
import statistics
import sys
import time

from pelmora_harness.features_size import encoded_bytes
from pelmora_harness import hosts, peers

PAIRS = [('fastdds', 'fastdds'), ('cyclonedds', 'cyclonedds'),
         ('fastdds', 'cyclonedds'), ('cyclonedds', 'fastdds')]
THROUGHPUT = re.compile(r'throughput=([0-9.]+)MB/s result=ok')


def exchange(build, sender, receiver, keypoints, count, domain, topic):
    local = hosts.Local()
    common = ['--domain', str(domain), '--transport', 'udp', '--interface', '127.0.0.1',
              '--peer', '127.0.0.1', '--qos-history', 'keep_all', '--count', str(count),
              '--timeout', '60']
    echo = peers.Peer(local, 'echo', peers.peer_command(
        build, 'c', 'echo', ['--quiet'] + common, topic=topic, vendor=receiver))
    time.sleep(0.3)
    pub = peers.Peer(local, 'pub', peers.peer_command(
        build, 'c', 'pub', ['--size', str(keypoints)] + common, topic=topic, vendor=sender))
    pub.finish(90)
    echo.finish(90)
    match = THROUGHPUT.search(echo.stdout)
    if pub.returncode != 0 or match is None:
        return None
    return float(match.group(1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True)
    parser.add_argument('--repetitions', type=int, default=3)
    parser.add_argument('--megabytes', type=int, default=200,
                        help='bytes per exchange: N = this / sample size, between 20 and 2000')
    parser.add_argument('--sizes', default='1024,17477,69905')
    parser.add_argument('--json')
    parser.add_argument('--domain', type=int, default=None)
    args = parser.parse_args()
    domain = args.domain if args.domain is not None else 120 + os.getpid() % 100
    results = {}
    for keypoints in [int(k) for k in args.sizes.split(',')]:
        for repetition in range(args.repetitions):
            for sender, receiver in PAIRS:
                topic = '/pelmora_vendors_%d_%d_%d' % (os.getpid(), keypoints, repetition)
                count = max(20, min(2000, args.megabytes * 1000000 // encoded_bytes(keypoints)))
                figure = exchange(args.build, sender, receiver, keypoints, count, domain,
                                  topic + '_' + sender + '_' + receiver)
                results.setdefault((keypoints, sender, receiver), []).append(figure)

    print('| bytes | ' + ' | '.join('%s -> %s MB/s (ratio)' % p for p in PAIRS) + ' |')
    print('|---:|' + '---:|' * len(PAIRS))
    table = []
    for keypoints in sorted({k for k, _, _ in results}):
        base = None
        cells = []
        for sender, receiver in PAIRS:
            figures = [f for f in results[(keypoints, sender, receiver)] if f is not None]
            median = statistics.median(figures) if figures else None
            base = median if (sender, receiver) == PAIRS[0] else base
            ratio = median / base if median and base else None
            cells.append('failed' if median is None else '%.0f (%.2f)' % (median, ratio or 0))
            table.append({'keypoints': keypoints, 'sender': sender, 'receiver': receiver,
                          'median_mb_per_s': median, 'runs': results[(keypoints, sender, receiver)]})
        print('| %d | %s |' % (encoded_bytes(keypoints), ' | '.join(cells)))
    if args.json:
        with open(args.json, 'w') as f:
            json.dump(table, f, indent=1)
    return 0 if all(row['median_mb_per_s'] is not None for row in table) else 1


if __name__ == '__main__':
    sys.exit(main())

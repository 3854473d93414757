#!/usr/bin/python3
"""Features over UDP against the octet-sequence baseline, writer and reader
in two processes on two hosts: two network namespaces joined by a veth pair
(pelmora_harness.netns of pelmora_testing, found through PYTHONPATH), or, where
namespaces cannot be made, this machine's own namespace with UDP on
127.0.0.1 and no multicast. The writer runs
pelmora_bench_dds's Burst benchmarks (an iteration ends when the reader has
acknowledged four samples); the reader takes and decodes every sample.

    bench_udp.py --build BUILD --json OUT [--repetitions N] [--min-time S]
                 [--loopback] [--smoke]

--smoke runs each subject once at 1 kB and checks that all four reported
without error (the test suite's run; no figure is judged). It needs the
namespaces: where they cannot be made it skips as the namespace tests do.

The JSON is Google Benchmark's, its context naming where it ran
(udp_setting).
"""

import argparse
import json
import os
import subprocess
import sys

from pelmora_harness import hosts, netns


def run(args, reader_host, writer_host, transport, setting):
    program = os.path.join(args.build, 'bin', 'pelmora_bench_dds')
    env = dict(os.environ, PELMORA_BENCH_TRANSPORT=transport, PELMORA_BENCH_DOMAIN=str(args.domain),
               PELMORA_BENCH_READER_SECONDS='1800')
    reader = reader_host.popen([program], env=dict(env, PELMORA_BENCH_ROLE='reader'),
                               stderr=subprocess.PIPE, text=True)
    try:
        for line in reader.stderr:
            if 'ready' in line:
                break
        else:
            print('bench_udp: the reader did not start', file=sys.stderr)
            return 1
        writer = writer_host.popen(
            [program, '--benchmark_repetitions=%d' % args.repetitions,
             '--benchmark_report_aggregates_only=true', '--benchmark_min_time=%g' % args.min_time,
             '--benchmark_enable_random_interleaving=true', '--benchmark_out_format=json',
             '--benchmark_out=%s' % os.path.abspath(args.json),
             '--benchmark_context=udp_setting=%s' % setting] + args.extra,
            env=dict(env, PELMORA_BENCH_ROLE='writer'))
        return writer.wait(timeout=args.limit)
    finally:
        reader.terminate()
        try:
            reader.wait(timeout=30)
        except subprocess.TimeoutExpired:
            reader.kill()


def check_smoke(path):
    with open(path) as f:
        reported = json.load(f)['benchmarks']
    failed = [b['name'] for b in reported if b.get('error_occurred') or b.get('iterations', 0) < 1]
    if len(reported) != 4 or failed:
        print('bench_udp: %d benchmarks reported, failed: %s' % (len(reported), failed or 'none'))
        return 1
    print('bench_udp: 4 benchmarks ran and reported')
    return 0


def measure(args):
    if not args.loopback:
        try:
            with netns.Network(hosts=2, label='bench') as network:
                writer_host, reader_host = network.hosts
                return run(args, reader_host, writer_host, 'udp',
                           'two network namespaces joined by a veth pair')
        except netns.Unavailable as reason:
            if args.smoke:
                return netns.skip(reason)
            print('bench_udp: %s; measuring over 127.0.0.1 instead' % reason, file=sys.stderr)
    local = hosts.Local()
    return run(args, local, local, 'udp-loopback', '127.0.0.1 in one namespace')


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True)
    parser.add_argument('--json', required=True)
    parser.add_argument('--repetitions', type=int, default=10)
    parser.add_argument('--min-time', type=float, default=0.5)
    parser.add_argument('--domain', type=int, default=98)
    parser.add_argument('--limit', type=float, default=1500, help='seconds the writer may take')
    parser.add_argument('--loopback', action='store_true', help='do not try namespaces')
    parser.add_argument('--smoke', action='store_true', help='one quick run, checked')
    parser.add_argument('extra', nargs='*', help='more Google Benchmark arguments')
    args = parser.parse_args(argv)
    args.build = os.path.abspath(args.build)
    if args.smoke:
        args.repetitions, args.min_time = 1, 0
        args.extra = ['--benchmark_filter=keypoints:16/'] + args.extra
    status = measure(args)
    return check_smoke(args.json) if args.smoke and status == 0 else status


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/python3
"""Features between hosts: one publisher on host 0, receivers on host 1, each
host a network namespace made by netns.Network (a discovery server, when
used, on host 2). Every receiver checks every sample against the
publisher's seed.

Cases (--case):
  multicast         built-in transports and multicast discovery, as default
                    ROS 2 nodes have them; multicast UDP must be seen
  discovery-server  `fastdds discovery` on host 2, ROS_DISCOVERY_SERVER in
                    every peer's environment; no multicast UDP may be sent
  peers             --transport udp --peer <the other host>; no multicast UDP
  loopback          no namespaces: --transport udp --interface 127.0.0.1
                    --peer 127.0.0.1 in this machine's own namespace

Peers (--from, --to): c, cpp, py (pelmora-dds and the Python peer) and
standin (ros_node_standin: default participant, rclcpp's default QoS, raw
bytes). Exits 0 when every peer did its part, netns.SKIP with the reason
when namespaces cannot be made.

    dds_across_hosts.py --build BUILD --case multicast --from c --to cpp,py
                        [--count N] [--size K,..] [--timeout SEC]
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import time

from pelmora_harness import hosts, netns

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PEERS = ('c', 'cpp', 'py', 'standin')
SERVER_PORT = 11811


def peer_command(build, language, role, options):
    if language == 'standin':
        return [os.path.join(build, 'bin', 'ros_node_standin'), role] + options
    if language == 'py':
        return ['/usr/bin/python3', os.path.join(SOURCE, 'tools', 'dds', 'pelmora_dds_py.py'), role,
                '--lib', os.path.join(build, 'lib', 'libpelmora_dds.so')] + options
    return [os.path.join(build, 'bin', 'pelmora-dds'), role, '--side', language] + options


def endpoint_options(case, language, other):
    """Transport options for one peer; `other` is the far host's address."""
    if language == 'standin':
        return ['--loopback'] if case == 'loopback' else []
    if case == 'peers':
        return ['--transport', 'udp', '--peer', other]
    if case == 'loopback':
        return ['--transport', 'udp', '--interface', '127.0.0.1', '--peer', '127.0.0.1']
    return []


def role_options(language, role, args, topic, receivers):
    if language == 'standin':
        common = ['--topic', 'rt' + topic, '--count', str(args.count), '--timeout', str(args.timeout)]
        if role == 'pub':
            return common + ['--size', args.size, '--seed', str(args.seed), '--peers', str(receivers)]
        return common + ['--verify-seed', str(args.seed)]
    common = ['--topic', topic, '--count', str(args.count), '--timeout', str(args.timeout)]
    if role == 'pub':
        return common + ['--size', args.size, '--seed', str(args.seed), '--peers', str(receivers)]
    largest = 4 + 40 + 60 * max(int(k) for k in args.size.split(','))
    return common + ['--verify-seed', str(args.seed), '--largest', str(largest)]


def summary_ok(output, role):
    lines = [line for line in output.splitlines() if line.startswith(role + ' ')]
    return bool(lines) and lines[-1].endswith('result=ok'), (lines[-1] if lines else '(no summary)')


def run(args, found, network):
    # The multicast check needs tcpdump (a test-suite package); the demo may
    # run without it.
    watching = network is not None and shutil.which('tcpdump') is not None
    if watching:
        network.watch_multicast()
    env = dict(os.environ)
    env['PYTHONPATH'] = os.path.join(args.build, 'python')
    env['ROS_DOMAIN_ID'] = str(args.domain)
    for name in ('ROS_DISCOVERY_SERVER', 'ROS_LOCALHOST_ONLY', 'FASTRTPS_DEFAULT_PROFILES_FILE'):
        env.pop(name, None)
    if args.case == 'discovery-server':
        env['ROS_DISCOVERY_SERVER'] = '%s:%d' % (found[2].address, SERVER_PORT)
        found[2].popen(['fastdds', 'discovery', '-i', '0', '-l', found[2].address,
                        '-p', str(SERVER_PORT)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    topic = '/across_%d_%06x' % (os.getpid(), random.getrandbits(24))
    sender, receiver_host = found[0], found[1]
    started = time.monotonic()
    peers = []
    for language in args.to:
        command = peer_command(args.build, language, 'echo',
                               role_options(language, 'echo', args, topic, len(args.to)) +
                               endpoint_options(args.case, language, sender.address))
        peers.append(('echo', language, receiver_host.popen(
            command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)))
    command = peer_command(args.build, args.sender, 'pub',
                           role_options(args.sender, 'pub', args, topic, len(args.to)) +
                           endpoint_options(args.case, args.sender, receiver_host.address))
    peers.insert(0, ('pub', args.sender, sender.popen(
        command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)))

    all_ok = True
    print('%s: %s -> %s (%d samples, keypoints %s, topic %s)'
          % (args.case, args.sender, ','.join(args.to), args.count, args.size, topic))
    for role, language, process in peers:
        try:
            out, err = process.communicate(timeout=args.timeout + 20)
        except subprocess.TimeoutExpired:
            process.kill()
            out, err = process.communicate()
        ok, summary = summary_ok(out, role)
        ok = ok and process.returncode == 0
        all_ok = all_ok and ok
        print('  %-4s %-7s exit=%s %s' % (role, language, process.returncode, summary))
        if not ok:
            print('\n'.join('      ' + line for line in err.strip().splitlines()[-10:]))
    if network is not None and not watching:
        print('  multicast not checked: tcpdump is not installed')
    if watching:
        multicast = network.multicast_packets()
        expected = 'some' if args.case == 'multicast' else 'none'
        seen_ok = multicast > 0 if expected == 'some' else multicast == 0
        all_ok = all_ok and seen_ok
        print('  multicast UDP datagrams sent by the hosts: %d (expected %s)%s'
              % (multicast, expected, '' if seen_ok else ' FAILED'))
    print('  %s in %.1fs' % ('PASS' if all_ok else 'FAIL', time.monotonic() - started), flush=True)
    return 0 if all_ok else 1


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True)
    parser.add_argument('--case', required=True,
                        choices=('multicast', 'discovery-server', 'peers', 'loopback'))
    parser.add_argument('--from', dest='sender', choices=PEERS, required=True)
    parser.add_argument('--to', required=True, help='receivers, comma separated')
    parser.add_argument('--count', type=int, default=4)
    parser.add_argument('--size', default='0,1,17476,69905',
                        help='keypoints per sample, cycled (default: empty, 1, ~1 MB, ~4 MB)')
    parser.add_argument('--seed', type=int, default=None)
    parser.add_argument('--domain', type=int, default=0)
    parser.add_argument('--timeout', type=float, default=60.0)
    args = parser.parse_args(argv)
    args.build = os.path.abspath(args.build)
    args.to = args.to.split(',')
    if any(language not in PEERS for language in args.to):
        parser.error('--to takes a comma-separated list of %s' % ', '.join(PEERS))
    if args.seed is None:
        args.seed = random.getrandbits(32)
    count = 3 if args.case == 'discovery-server' else 2
    try:
        with hosts.hosts(count, args.case, local=args.case == 'loopback') as (found, network):
            return run(args, found, network)
    except netns.Unavailable as reason:
        return netns.skip(reason)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

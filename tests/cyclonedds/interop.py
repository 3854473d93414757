#!/usr/bin/python3
"""One Features exchange between DDS implementations, every sample checked.

    interop.py --build BUILD --from PEER --to PEER[,PEER..] [--count N]
               [--size K[,K..]] [--seed S] [--timeout SEC] [--hostile]
               [--where netns|loopback]

PEER is VENDOR:SIDE (VENDOR fastdds or cyclonedds, SIDE c, cpp or py: the
Python peer goes through the adapter's C interface) or "witness", the
Cyclone program whose type idlc generated from msg/Features.idl. With
--hostile the sender is the Cyclone hostile writer (PEER then names its
side), which puts three malformed samples before every good one.

--where netns (the default) runs the sender on one host and every receiver
on another, hosts being network namespaces of the harness
(pelmora_harness.netns: a private segment with no route out, a /dev/shm of
their own, everything removed on every way out), on the middlewares'
built-in transports (multicast discovery). When namespaces cannot be made,
the run says why and skips (see netns.skip). --where loopback runs UDP on
127.0.0.1 with multicast off and 127.0.0.1 as the unicast peer instead.

Prints each peer's output and a verdict; exit status 0 when every peer
exited 0 and every receiver checked --count samples.
"""
import argparse
import os
import signal
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(SOURCE))
from pelmora_harness import hosts, netns
QOS = ['--qos-reliability', 'reliable', '--qos-durability', 'transient_local',
       '--qos-history', 'keep_all']


def peer_command(args, peer, role, network):
    """argv of PEER as sender (role 'pub') or receiver ('echo')."""
    count = ['--count', str(args.count)]
    if peer == 'witness':
        argv = [os.path.join(args.build, 'bin', 'features_witness'), role, '--topic', 'rt' + args.topic,
                '--domain', str(args.domain), '--timeout', str(args.timeout - 5)] + count
        argv += ['--multicast'] if network == 'netns' else ['--interface', '127.0.0.1', '--peer', '127.0.0.1']
    else:
        vendor, side = peer.split(':')
        endpoint = ['--vendor', vendor, '--topic', args.topic, '--domain', str(args.domain)] + QOS
        endpoint += ['--transport', 'default'] if network == 'netns' else \
            ['--transport', 'udp', '--interface', '127.0.0.1', '--peer', '127.0.0.1']
        if role == 'pub' and args.hostile:
            return [os.path.join(args.build, 'bin', 'hostile_writer'), '--side', side, '--timeout',
                    str(args.timeout - 5), '--seed', str(args.seed), '--size', args.size,
                    '--peers', str(len(args.to))] + count + [e for e in endpoint if e not in ('--vendor', vendor)]
        if side == 'py':
            argv = ['/usr/bin/python3', os.path.join(ROOT, 'tools', 'dds', 'pelmora_dds_py.py'), role,
                    '--lib', os.path.join(args.build, 'lib', 'libpelmora_dds.so')]
        else:
            argv = [os.path.join(args.build, 'bin', 'pelmora-dds'), role, '--side', side]
        argv += endpoint + count + ['--timeout', str(args.timeout - 5)]
        if role == 'echo' and args.hostile:
            argv.append('--allow-loss')  # the malformed samples are dropped by design
    if role == 'pub':
        argv += ['--size', args.size, '--seed', str(args.seed), '--peers', str(len(args.to))]
    elif peer != 'witness':
        argv += ['--verify-seed', str(args.seed)]
    else:
        argv += ['--seed', str(args.seed)]
    return argv


def expected(peer, count):
    if peer == 'witness':
        return 'witness received %d verified %d' % (count, count)
    return 'received=%d verified=%d wrong=0' % (count, count)


def run(args, network, found):
    env = dict(os.environ)
    env['PYTHONPATH'] = os.path.join(args.build, 'python') + (
        os.pathsep + env['PYTHONPATH'] if env.get('PYTHONPATH') else '')
    env.pop('ROS_LOCALHOST_ONLY', None)
    env.pop('ROS_DISCOVERY_SERVER', None)
    sender_host, receiver_host = found
    processes = []
    for peer in args.to:
        argv = peer_command(args, peer, 'echo', network)
        processes.append((peer, 'echo', receiver_host.popen(
            argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)))
    time.sleep(0.5)
    argv = peer_command(args, args.sender, 'pub', network)
    processes.insert(0, (args.sender, 'pub', sender_host.popen(
        argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)))

    deadline = time.monotonic() + args.timeout
    ok = True
    for peer, role, process in processes:
        try:
            out, err = process.communicate(timeout=max(1.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            out, err = process.communicate()
            err += '\n(killed: overstayed the timeout)'
        good = process.returncode == 0 and (role == 'pub' or expected(peer, args.count) in out)
        if role == 'echo' and args.hostile and peer.startswith('cyclonedds') and 'dropped a malformed sample' not in err:
            good = False
            err += '\n(no dropped sample reported)'
        ok = ok and good
        print('--- %s %s: exit %s, %s' % (role, peer, process.returncode, 'ok' if good else 'FAILED'))
        sys.stdout.write(out + ''.join('  | %s\n' % line for line in err.splitlines()[-12:]))
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True)
    parser.add_argument('--from', dest='sender', required=True)
    parser.add_argument('--to', required=True)
    parser.add_argument('--count', type=int, default=5)
    parser.add_argument('--size', default='0,1,1000,17476,69905')
    parser.add_argument('--seed', type=int, default=None)
    parser.add_argument('--domain', type=int, default=None)
    parser.add_argument('--timeout', type=float, default=60)
    parser.add_argument('--hostile', action='store_true')
    parser.add_argument('--where', choices=('netns', 'loopback'), default='netns')
    args = parser.parse_args()
    args.to = args.to.split(',')
    pid = os.getpid()
    args.seed = args.seed if args.seed is not None else pid % 100000
    args.domain = args.domain if args.domain is not None else 100 + pid % 100
    args.topic = '/pelmora_interop_%d' % pid

    local = args.where == 'loopback'
    try:
        with hosts.hosts(2, 'interop', local=local) as (found, _):
            print('%s -> %s %s, %d samples of %s keypoints' % (
                args.sender, ','.join(args.to), 'on loopback' if local else 'across namespaces',
                args.count, args.size))
            ok = run(args, args.where, found)
    except netns.Unavailable as reason:
        return netns.skip(reason)
    print('verdict: %s' % ('ok' if ok else 'FAILED'))
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())

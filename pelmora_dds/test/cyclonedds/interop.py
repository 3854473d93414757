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
import sys
import time

from pelmora_harness import hosts, netns, peers

QOS = ['--qos-reliability', 'reliable', '--qos-durability', 'transient_local',
       '--qos-history', 'keep_all']
LOOPBACK = ['--interface', '127.0.0.1', '--peer', '127.0.0.1']


def command(args, peer, role, network):
    """argv of PEER as sender (role 'pub') or receiver ('echo')."""
    options = ['--domain', str(args.domain), '--count', str(args.count),
               '--timeout', str(args.timeout - 5)]
    if role == 'pub':
        options += ['--size', args.size, '--seed', str(args.seed), '--peers', str(len(args.to))]
    if peer == 'witness':
        options += ['--multicast'] if network == 'netns' else LOOPBACK
        options += [] if role == 'pub' else ['--seed', str(args.seed)]
        return peers.peer_command(args.build, 'witness', role, options, topic=args.topic)
    vendor, side = peer.split(':')
    options += QOS + (['--transport', 'default'] if network == 'netns' else
                      ['--transport', 'udp'] + LOOPBACK)
    if role == 'pub' and args.hostile:
        return peers.peer_command(args.build, 'hostile', role, ['--side', side] + options,
                                  topic=args.topic)
    if role == 'echo':
        options += ['--verify-seed', str(args.seed)]
        # The malformed samples are dropped by design.
        options += ['--allow-loss'] if args.hostile else []
    return peers.peer_command(args.build, side, role, options, topic=args.topic, vendor=vendor)


def expected(peer, count):
    if peer == 'witness':
        return 'witness received %d verified %d' % (count, count)
    return 'received=%d verified=%d wrong=0' % (count, count)


def run(args, network, found):
    env = peers.environment(args.build)
    sender_host, receiver_host = found
    started = [('echo', peer, peers.Peer(receiver_host, peer, command(args, peer, 'echo', network),
                                         env)) for peer in args.to]
    time.sleep(0.5)
    started.insert(0, ('pub', args.sender, peers.Peer(
        sender_host, args.sender, command(args, args.sender, 'pub', network), env)))

    deadline = time.monotonic() + args.timeout
    ok = True
    for role, kind, peer in started:
        peer.finish(max(1.0, deadline - time.monotonic()))
        err = peer.stderr + ('\n(killed: overstayed the timeout)' if peer.killed else '')
        good = peer.returncode == 0 and (role == 'pub' or expected(kind, args.count) in peer.stdout)
        if role == 'echo' and args.hostile and kind.startswith('cyclonedds') and 'dropped a malformed sample' not in err:
            good = False
            err += '\n(no dropped sample reported)'
        ok = ok and good
        print('--- %s %s: exit %s, %s' % (role, kind, peer.returncode, 'ok' if good else 'FAILED'))
        sys.stdout.write(peer.stdout + ''.join('  | %s\n' % line for line in err.splitlines()[-12:]))
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

"""One Features exchange between separate processes, judged: one publisher
sends --count samples of the --size shapes to one receiver per peer in --to,
and every receiver checks every sample against the publisher's seed.

    python3 -m pelmora_harness.exchange --build BUILD --where WHERE
        --from PEER --to PEER[,PEER..] [--domain D] [--count N] [--size K[,K..]]
        [--seed S] [--receiver-seed S] [--timeout SEC] [--label NAME]

WHERE (see WHERES):
  shm               this machine's own namespace, shared memory only: no peer
                    may hold an IP socket (bound or connected) while it runs,
                    and no Fast DDS file of the run's domain or participants
                    may remain in /dev/shm once they have exited (any found
                    is removed and fails the run)
  loopback          this machine's own namespace, UDP on 127.0.0.1, no
                    multicast
  multicast         the publisher on one host and the receivers on another,
                    hosts being network namespaces (netns): built-in
                    transports and multicast discovery, as default ROS 2
                    nodes have them; multicast UDP must be seen
  discovery-server  `fastdds discovery` on a third host, ROS_DISCOVERY_SERVER
                    in every peer's environment; no multicast UDP may be sent
  peers             --transport udp --peer <the other host>; no multicast UDP

PEER: c, cpp, py (pelmora-dds and the Python peer) or standin (the ROS-node
stand-in: a default participant with rclcpp's default QoS, raw bytes; not
with shm); 'none' as --from or --to leaves the other side alone, which then
gives up by its own timeout. A --receiver-seed other than the publisher's
expects every sample to be refused.

Prints one line per peer and a verdict; exit status 0 when everything held,
netns.SKIP with the reason when namespaces cannot be made.
"""

import argparse
import collections
import os
import random
import re
import shutil
import subprocess
import sys
import time

from pelmora_harness import hosts, isolation, netns, peers
from pelmora_harness.features_size import payload_bytes

PEERS = ('c', 'cpp', 'py', 'standin')
SERVER_PORT = 11811

# Where the peers run: how many namespace hosts (0: this machine's own
# namespace), the endpoint options of pelmora-dds and of the stand-in (None:
# it cannot run there; {other} is the far host's address), and how much
# multicast UDP the hosts must send (None: not watched).
Where = collections.namedtuple('Where', 'hosts tool standin multicast')
WHERES = {
    # Keep-all, so that a slow receiver holds the publisher back instead of
    # losing samples.
    'shm': Where(0, ['--transport', 'shm', '--qos-history', 'keep_all'], None, None),
    'loopback': Where(0, ['--transport', 'udp', '--interface', '127.0.0.1', '--peer', '127.0.0.1'],
                      ['--loopback'], None),
    'multicast': Where(2, [], [], 'some'),
    'discovery-server': Where(3, [], [], 'none'),
    'peers': Where(2, ['--transport', 'udp', '--peer', '{other}'], [], 'none'),
}
# A peer of the run, what it is and what it must do (see expectations()).
Started = collections.namedtuple('Started', 'peer role kind expect')


def command(args, kind, role, topic, receivers, other):
    """argv of one peer; `other` is the address of the far side's host."""
    options = ['--count', str(args.count), '--timeout', str(args.timeout)]
    if role == 'pub':
        options += ['--size', ','.join(map(str, args.size)), '--seed', str(args.seed),
                    '--peers', str(max(receivers, 1))]
    else:
        options += ['--verify-seed', str(args.receiver_seed)]
        if kind != 'standin':
            options += ['--largest', str(payload_bytes(max(args.size)))]
    endpoint = WHERES[args.where].standin if kind == 'standin' else WHERES[args.where].tool
    options += [option.format(other=other) for option in endpoint]
    return peers.peer_command(args.build, kind, role, options, topic=topic)


def expectations(args):
    """What the receivers and the publisher must do: 'ok'; 'refused' (every
    sample arrives and fails the check); 'alone' (no peer shows up and the
    process gives up by its own timeout)."""
    receiver = ('alone' if args.sender == 'none' else
                'refused' if args.receiver_seed != args.seed else 'ok')
    return receiver, 'ok' if args.to else 'alone'


def held(started):
    """Whether the peer did what is expected of it."""
    peer, expect = started.peer, started.expect
    summary = peer.summary_line(started.role)
    if peer.killed:
        return False
    if expect == 'refused':
        received = re.search(r' received=(\d+) verified=0 wrong=(\d+) .* expected=(\d+) ', summary)
        return (peer.returncode == 1 and received is not None
                and received.group(1) == received.group(2) == received.group(3))
    if expect == 'alone':
        return peer.returncode == 2
    return peer.returncode == 0 and summary.endswith('result=ok')


def report(started, ok, sockets):
    """One line for a peer, with the end of its standard error when it failed."""
    peer = started.peer
    # The topic and domain head the report already.
    summary = re.sub(r' (topic|domain)=\S+', '', peer.summary_line(started.role)) or '(no summary)'
    text = '  %-4s %-7s exit=%s %s' % (started.role, started.kind, peer.returncode, summary)
    if peer.killed:
        text += ' [killed at the deadline]'
    if sockets:
        text += ' [holds %d IP socket(s)]' % len(sockets)
    if not ok and peer.stderr.strip():
        text += '\n' + peer.tail()
    return text


def start_server(host, env):
    """A Fast DDS discovery server on `host`, named in every peer's
    environment."""
    env['ROS_DISCOVERY_SERVER'] = '%s:%d' % (host.address, SERVER_PORT)
    host.popen(['fastdds', 'discovery', '-i', '0', '-l', host.address, '-p', str(SERVER_PORT)],
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def start(args, found, topic, env):
    """Starts the receivers on the second host, then the publisher on the
    first; returns them publisher first."""
    sender, receiver = found[0], found[1]
    receiver_expects, sender_expects = expectations(args)
    started = [Started(peers.Peer(receiver, 'echo ' + kind, command(
        args, kind, 'echo', topic, len(args.to), sender.address), env), 'echo', kind,
        receiver_expects) for kind in args.to]
    if args.sender != 'none':
        started.insert(0, Started(peers.Peer(sender, 'pub ' + args.sender, command(
            args, args.sender, 'pub', topic, len(args.to), receiver.address), env), 'pub',
            args.sender, sender_expects))
    return started


def wait(started, deadline, sockets, segments):
    """Waits for every peer until `deadline`, then kills what still runs.
    While they run, notes the IP sockets of each (into `sockets`, when not
    None) and the shared-memory families they map (into `segments`)."""
    running = [one.peer for one in started]
    while any(peer.poll() is None for peer in running) and time.monotonic() < deadline:
        for peer in running:
            if sockets is not None and peer.poll() is None:
                sockets[peer] |= isolation.ip_socket_inodes(peer.pid)
                segments |= isolation.mapped_families(peer.pid)
        time.sleep(0.1)
    for peer in running:
        peer.finish(0)


def run(args, found, network):
    where = WHERES[args.where]
    on_shm = args.where == 'shm'
    # The multicast check needs tcpdump (a test-suite package); the demo may
    # run without it.
    watching = where.multicast is not None and shutil.which('tcpdump') is not None
    if watching:
        network.watch_multicast()
    env = peers.environment(args.build, domain=args.domain)
    if where.hosts == 3:
        start_server(found[2], env)
    # A topic no other run can share, even in the same domain.
    topic = '/%s_%d_%06x' % (args.label, os.getpid(), random.getrandbits(24))
    # Files of this domain that no one uses are stale, from a run that was
    # killed; they go first so that what remains afterwards is this run's.
    stale = isolation.dead_families(args.domain, set()) if on_shm else []
    isolation.remove_files(stale or [])
    print('%s: %s -> %s (%d samples, keypoints %s, domain %d, topic %s)'
          % (args.where, args.sender, ','.join(args.to) or 'none', args.count,
             ','.join(map(str, args.size)), args.domain, topic), flush=True)
    started_at = time.monotonic()

    started = start(args, found, topic, env)
    sockets = {one.peer: set() for one in started} if on_shm else None
    segments = set()
    wait(started, started_at + args.timeout + 20, sockets, segments)

    all_ok = True
    for one in started:
        held_sockets = sockets[one.peer] if on_shm else set()
        ok = held(one) and not held_sockets
        all_ok = all_ok and ok
        print(report(one, ok, held_sockets))
    if on_shm:
        all_ok = judge_shared_memory(args.domain, stale, segments) and all_ok
    if network is not None and where.multicast is not None and not watching:
        print('  multicast not checked: tcpdump is not installed')
    if watching:
        all_ok = judge_multicast(network.multicast_packets(), where.multicast) and all_ok
    print('  %s in %.1fs' % ('PASS' if all_ok else 'FAIL', time.monotonic() - started_at), flush=True)
    return 0 if all_ok else 1


def judge_shared_memory(domain, stale, segments):
    """A clean run leaves nothing: whatever of its families remains unused is
    removed and fails the run."""
    leftovers = isolation.dead_families(domain, {f for f in segments if not f.startswith('port')})
    isolation.remove_files(leftovers or [])
    if stale:
        print('  shared memory: removed %d stale file(s) of earlier runs first' % len(stale))
    if leftovers is None:
        print('  shared memory: not checked, another run uses domain %d' % domain)
    elif leftovers:
        print('  shared memory: %d file(s) left behind, removed: %s'
              % (len(leftovers), ' '.join(leftovers)))
    else:
        print('  shared memory: nothing left behind')
    return not leftovers


def judge_multicast(packets, expected):
    ok = packets > 0 if expected == 'some' else packets == 0
    print('  multicast UDP datagrams sent by the hosts: %d (expected %s)%s'
          % (packets, expected, '' if ok else ' FAILED'))
    return ok


def arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True, help='build folder with bin/, lib/, python/')
    parser.add_argument('--where', required=True, choices=sorted(WHERES))
    parser.add_argument('--from', dest='sender', choices=PEERS + ('none',), required=True,
                        help="publisher; 'none' leaves the receivers alone")
    parser.add_argument('--to', required=True,
                        help="receivers, comma separated; 'none' leaves the publisher alone")
    parser.add_argument('--domain', type=int, default=0)
    parser.add_argument('--count', type=int, default=4)
    parser.add_argument('--size', default='0,1,17476,69905',
                        help='keypoints per sample, cycled (default: empty, 1, ~1 MB, ~4 MB)')
    parser.add_argument('--seed', type=int, default=None)
    parser.add_argument('--receiver-seed', type=int, default=None,
                        help="seed the receivers check against (default: the publisher's); "
                             'a different one expects every sample to be refused')
    parser.add_argument('--timeout', type=float, default=60.0)
    parser.add_argument('--label', default='exchange', help='first part of the topic name')
    args = parser.parse_args(argv)
    args.build = os.path.abspath(args.build)
    args.to = [] if args.to == 'none' else args.to.split(',')
    if any(kind not in PEERS for kind in args.to):
        parser.error("--to takes a comma-separated list of %s, or 'none'" % ', '.join(PEERS))
    if args.sender == 'none' and not args.to:
        parser.error('a run needs a publisher or a receiver')
    if WHERES[args.where].standin is None and 'standin' in args.to + [args.sender]:
        parser.error('the stand-in has no shared-memory transport of its own')
    args.size = [int(k) for k in args.size.split(',')]
    if args.seed is None:
        args.seed = random.getrandbits(32)
    if args.receiver_seed is None:
        args.receiver_seed = args.seed
    return args


def main(argv):
    args = arguments(argv)
    where = WHERES[args.where]
    try:
        with hosts.hosts(where.hosts or 2, args.where, local=where.hosts == 0) as (found, network):
            return run(args, found, network)
    except netns.Unavailable as reason:
        return netns.skip(reason)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

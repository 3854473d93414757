#!/usr/bin/python3
"""Runs one Features exchange over Fast-DDS between separate processes and
judges it.

One publisher (C, C++ or Python peer) sends --count samples of the --size
shapes to one receiver per language in --to; every receiver checks every
sample against the publisher's seed. While they run, no peer may hold an IP
socket (bound or connected): the only transport is shared memory. When they
have exited, no Fast-DDS file of the run's domain or of its participants may
remain in /dev/shm; any found is removed and fails the run.

    dds_exchange.py --build BUILD_DIR --from py --to c,cpp [--domain D]
                    [--count N] [--size K[,K..]] [--seed S] [--timeout SEC]

Prints one line per peer and a verdict; exit status 0 when everything held.
"""

import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

SOURCE_DIR = os.path.dirname(os.path.abspath(__file__))
PEERS = ('c', 'cpp', 'py')
SHM_DIR = '/dev/shm'
IP_TABLES = ('tcp', 'tcp6', 'udp', 'udp6', 'raw', 'raw6')


def peer_command(build, peer, command, options):
    if peer == 'py':
        return ['/usr/bin/python3', os.path.join(SOURCE_DIR, 'pelmora_dds_py.py'), command,
                '--lib', os.path.join(build, 'lib', 'libpelmora_dds.so')] + options
    return [os.path.join(build, 'bin', 'pelmora-dds'), command, '--side', peer] + options


# Fast-DDS keeps, per participant segment and per port, a family of files
# under /dev/shm: "fastrtps_<name>" (mapped while in use), "_el"/"_sl" lock
# files (flock-ed by the live users) and "sem.fastrtps_<name>_mutex" (opened
# only for a moment). <name> is 16 hex digits for a participant's segment and
# "port<number>" for a port; a domain's ports lie in 7400 + 250·domain + [0, 250).
SHM_FAMILY = re.compile(r'^(?:sem\.)?fastrtps_(port\d+|[0-9a-f]{16})(?:_el|_sl|_mutex)?$')


def shm_families():
    """{family name: [file names]} of the Fast-DDS files in /dev/shm."""
    families = {}
    try:
        names = os.listdir(SHM_DIR)
    except FileNotFoundError:
        return families
    for name in names:
        match = SHM_FAMILY.match(name)
        if match:
            families.setdefault(match.group(1), []).append(name)
    return families


def mapped_families(pid):
    """Families whose files process `pid` maps (empty once it has exited)."""
    families = set()
    try:
        with open('/proc/%s/maps' % pid) as maps:
            for line in maps:
                at = line.find(SHM_DIR + '/')
                if at >= 0:
                    match = SHM_FAMILY.match(os.path.basename(line[at:].split()[0]))
                    if match:
                        families.add(match.group(1))
    except OSError:
        pass  # gone, or not ours to read
    return families


def live_families():
    """Families that some live process maps or holds a lock in."""
    live = set()
    for pid in filter(str.isdigit, os.listdir('/proc')):
        live |= mapped_families(pid)
    with open('/proc/locks') as locks:
        locked = {line.split()[5].rsplit(':', 1)[1] for line in locks if len(line.split()) > 5}
    for family, names in shm_families().items():
        for name in names:
            try:
                if str(os.stat(os.path.join(SHM_DIR, name)).st_ino) in locked:
                    live.add(family)
            except OSError:
                pass
    return live


def family_in_domain(family, domain):
    if not family.startswith('port'):
        return False
    first = 7400 + 250 * domain
    return first <= int(family[4:]) < first + 250


def youngest_age(names):
    ages = []
    for name in names:
        try:
            ages.append(time.time() - os.stat(os.path.join(SHM_DIR, name)).st_ctime)
        except OSError:
            pass
    return min(ages) if ages else float('inf')


def remove_files(names):
    for name in names:
        try:
            os.unlink(os.path.join(SHM_DIR, name))
        except OSError:
            pass


def dead_families(domain, segments):
    """Files that no live process uses of the ports of `domain` and of the
    participant `segments`. A family just being created has no user for an
    instant, so young files are looked at again a moment later. None when
    another run uses the domain."""
    for attempt in range(2):
        families = shm_families()
        live = live_families()
        if any(family_in_domain(f, domain) for f in live):
            return None
        dead = {f: names for f, names in families.items()
                if f not in live and (family_in_domain(f, domain) or f in segments)}
        if attempt == 0 and any(youngest_age(names) < 1.0 for names in dead.values()):
            time.sleep(1.0)
            continue
        return sorted(name for names in dead.values() for name in names)
    return []


def ip_socket_inodes(pid):
    """Inodes of the sockets of `pid` that are bound or connected to IP."""
    own = set()
    try:
        for fd in os.listdir('/proc/%d/fd' % pid):
            try:
                target = os.readlink('/proc/%d/fd/%s' % (pid, fd))
            except OSError:
                continue
            if target.startswith('socket:['):
                own.add(target[8:-1])
        bound = set()
        for table in IP_TABLES:
            with open('/proc/%d/net/%s' % (pid, table)) as rows:
                next(rows)
                for row in rows:
                    fields = row.split()
                    if len(fields) > 9:
                        bound.add(fields[9])
    except OSError:
        return set()  # the process has exited
    return own & bound


class Peer:
    def __init__(self, role, language, command, env, expect='ok'):
        """`expect`: 'ok'; 'refused' (every sample arrives and fails the
        check); 'alone' (no peer shows up and the process gives up by its
        own timeout)."""
        self.role, self.language = role, language
        self.expect = expect
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        env=env, start_new_session=True)
        self.ip_sockets = set()
        self.shm_families = set()
        self.killed = False

    def observe(self):
        """Notes the peer's IP sockets and the shared-memory files it maps."""
        if self.process.poll() is None:
            self.ip_sockets |= ip_socket_inodes(self.process.pid)
            self.shm_families |= mapped_families(self.process.pid)

    def kill(self):
        if self.process.poll() is None:
            self.killed = True
            os.killpg(self.process.pid, signal.SIGKILL)

    def finish(self):
        out, err = self.process.communicate()
        self.out, self.err = out.decode(errors='replace'), err.decode(errors='replace')
        lines = [line for line in self.out.splitlines() if line.startswith(self.role + ' ')]
        self.summary = lines[-1] if lines else ''

    @property
    def ok(self):
        if self.killed or self.ip_sockets:
            return False
        if self.expect == 'refused':
            received = re.search(r' received=(\d+) verified=0 wrong=(\d+) .* expected=(\d+) ',
                                 self.summary)
            return (self.process.returncode == 1 and received is not None
                    and received.group(1) == received.group(2) == received.group(3))
        if self.expect == 'alone':
            return self.process.returncode == 2
        return self.process.returncode == 0 and self.summary.endswith('result=ok')

    def report(self):
        verdict = 'ok' if self.ok else 'FAILED'
        # The topic and domain head the report already.
        summary = re.sub(r' topic=\S+ domain=\d+', '', self.summary) or '(no summary)'
        text = '  %-4s %-3s exit=%s %s' % (self.role, self.language, self.process.returncode, summary)
        if self.killed:
            text += ' [killed at the deadline]'
        if self.ip_sockets:
            text += ' [holds %d IP socket(s)]' % len(self.ip_sockets)
        if not self.ok and self.err.strip():
            text += '\n' + '\n'.join('      ' + line for line in self.err.strip().splitlines()[-8:])
        return verdict, text


def run(args):
    build = os.path.abspath(args.build)
    env = dict(os.environ)
    env['PYTHONPATH'] = os.path.join(build, 'python') + (
        os.pathsep + env['PYTHONPATH'] if env.get('PYTHONPATH') else '')
    # Nothing from the environment may redirect Fast-DDS to the network.
    for name in ('ROS_DISCOVERY_SERVER', 'ROS_SUPER_CLIENT', 'FASTRTPS_DEFAULT_PROFILES_FILE',
                 'FASTDDS_DEFAULT_PROFILES_FILE', 'FASTDDS_ENVIRONMENT_FILE', 'ROS_DOMAIN_ID',
                 'ROS_LOCALHOST_ONLY'):
        env.pop(name, None)
    # A topic no other run can share, even in the same domain.
    topic = '%s_%d_%06x' % (args.label, os.getpid(), random.getrandbits(24))
    largest = 4 + 40 + 60 * max(args.size)
    # This machine's own namespace: shared memory only. Keep-all, so that a
    # slow receiver holds the publisher back instead of losing samples.
    endpoint = ['--transport', 'shm', '--qos-history', 'keep_all']
    sizes = ','.join(str(k) for k in args.size)

    # Files of this domain that no one uses are stale, from a run that was
    # killed; they go first so that what remains afterwards is this run's.
    stale = dead_families(args.domain, set())
    remove_files(stale or [])
    started = time.monotonic()
    deadline = started + args.timeout + 15
    receiver_expects = ('alone' if args.sender == 'none' else
                        'refused' if args.receiver_seed != args.seed else 'ok')
    receivers = [Peer('echo', language, peer_command(build, language, 'echo', [
        '--domain', str(args.domain), '--topic', topic, '--count', str(args.count),
        '--verify-seed', str(args.receiver_seed), '--largest', str(largest),
        '--timeout', str(args.timeout)] + endpoint), env, receiver_expects)
        for language in args.to if language != 'none']
    peers = receivers
    if args.sender != 'none':
        peers = [Peer('pub', args.sender, peer_command(build, args.sender, 'pub', [
            '--domain', str(args.domain), '--topic', topic, '--count', str(args.count),
            '--size', sizes, '--seed', str(args.seed), '--peers', str(max(len(receivers), 1)),
            '--timeout', str(args.timeout)] + endpoint), env,
            'ok' if receivers else 'alone')] + receivers

    while any(peer.process.poll() is None for peer in peers):
        for peer in peers:
            peer.observe()
        if time.monotonic() > deadline:
            for peer in peers:
                peer.kill()
            break
        time.sleep(0.1)
    for peer in peers:
        peer.finish()

    # A clean run leaves nothing: whatever of its families remains unused is
    # removed and fails the run.
    segments = set().union(*(peer.shm_families for peer in peers))
    leftovers = dead_families(args.domain, {f for f in segments if not f.startswith('port')})
    remove_files(leftovers or [])

    print('%s -> %s  (%d samples, keypoints %s, domain %d, topic %s)'
          % (args.sender, ','.join(args.to), args.count, sizes, args.domain, topic))
    all_ok = True
    for peer in peers:
        verdict, text = peer.report()
        all_ok = all_ok and verdict == 'ok'
        print(text)
    if stale:
        print('  shared memory: removed %d stale file(s) of earlier runs first' % len(stale))
    if leftovers is None:
        print('  shared memory: not checked, another run uses domain %d' % args.domain)
    elif leftovers:
        all_ok = False
        print('  shared memory: %d file(s) left behind, removed: %s'
              % (len(leftovers), ' '.join(leftovers)))
    else:
        print('  shared memory: nothing left behind')
    print('  %s in %.1fs' % ('PASS' if all_ok else 'FAIL', time.monotonic() - started))
    sys.stdout.flush()
    return 0 if all_ok else 1


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True, help='build folder with bin/, lib/, python/')
    parser.add_argument('--from', dest='sender', choices=PEERS + ('none',), required=True,
                        help="publisher language; 'none' leaves the receivers alone")
    parser.add_argument('--to', required=True,
                        help="receiver languages, comma separated; 'none' leaves the publisher alone")
    parser.add_argument('--domain', type=int, default=0)
    parser.add_argument('--count', type=int, default=8)
    parser.add_argument('--size', default='0,1,1666,69905',
                        help='keypoints per sample, cycled (default: empty, 1, ~100 KB, ~4 MB)')
    parser.add_argument('--seed', type=int, default=None)
    parser.add_argument('--receiver-seed', type=int, default=None,
                        help='seed the receivers check against (default: the publisher\'s); '
                             'a different one expects every sample to be refused')
    parser.add_argument('--timeout', type=float, default=60.0)
    parser.add_argument('--label', default='exchange')
    args = parser.parse_args(argv)
    args.to = args.to.split(',')
    if args.to != ['none'] and any(language not in PEERS for language in args.to):
        parser.error("--to takes a comma-separated list of c, cpp, py, or 'none'")
    if args.sender == 'none' and args.to == ['none']:
        parser.error('a run needs a publisher or a receiver')
    args.size = [int(k) for k in args.size.split(',')]
    if args.seed is None:
        args.seed = random.getrandbits(32)
    if args.receiver_seed is None:
        args.receiver_seed = args.seed
    return run(args)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

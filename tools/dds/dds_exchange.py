#!/usr/bin/python3
"""Runs one Features exchange over Fast-DDS between separate processes and
judges it.

One publisher (C, C++ or Python peer) sends --count samples of the --size
shapes to one receiver per language in --to; every receiver checks every
sample against the publisher's seed. While they run, no peer may hold an IP
socket (bound or connected): the only transport is shared memory. When they
have exited, no shared-memory file they created may remain; any found is
removed and reported.

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
SHM_PATTERN = re.compile(r'^(sem\.)?fastrtps_')
IP_TABLES = ('tcp', 'tcp6', 'udp', 'udp6', 'raw', 'raw6')


def peer_command(build, peer, command, options):
    if peer == 'py':
        return ['/usr/bin/python3', os.path.join(SOURCE_DIR, 'pelmora_dds_py.py'), command,
                '--lib', os.path.join(build, 'lib', 'libpelmora_dds.so')] + options
    return [os.path.join(build, 'bin', 'pelmora-dds'), command, '--side', peer] + options


def shm_files():
    try:
        return {name for name in os.listdir(SHM_DIR) if SHM_PATTERN.match(name)}
    except FileNotFoundError:
        return set()


def mapped_shm_files():
    """Names under /dev/shm that some live process has mapped."""
    mapped = set()
    for pid in filter(str.isdigit, os.listdir('/proc')):
        try:
            with open('/proc/%s/maps' % pid) as maps:
                for line in maps:
                    at = line.find(SHM_DIR + '/')
                    if at >= 0:
                        mapped.add(line[at + len(SHM_DIR) + 1:].split()[0])
        except OSError:
            continue  # gone, or not ours to read
    return mapped


def in_use(name, mapped):
    """Fast-DDS maps each segment and port; its '_el'/'_sl' lock files are not
    mapped themselves and live as long as the file they lock."""
    base = re.sub(r'_(el|sl)$', '', name)
    return name in mapped or base in mapped


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
    def __init__(self, role, language, command, env):
        self.role, self.language = role, language
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        env=env, start_new_session=True)
        self.ip_sockets = set()
        self.killed = False

    def check_sockets(self):
        if self.process.poll() is None:
            self.ip_sockets |= ip_socket_inodes(self.process.pid)

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
        return (not self.killed and self.process.returncode == 0 and not self.ip_sockets
                and self.summary.endswith('result=ok'))

    def report(self):
        verdict = 'ok' if self.ok else 'FAILED'
        text = '  %-4s %-3s exit=%s %s' % (self.role, self.language, self.process.returncode,
                                           self.summary or '(no summary)')
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
                 'FASTDDS_DEFAULT_PROFILES_FILE', 'FASTDDS_ENVIRONMENT_FILE'):
        env.pop(name, None)
    # A topic no other run can share, even in the same domain.
    topic = '%s_%d_%06x' % (args.label, os.getpid(), random.getrandbits(24))
    largest = 4 + 40 + 60 * max(args.size)
    sizes = ','.join(str(k) for k in args.size)

    before = shm_files()
    started = time.monotonic()
    deadline = started + args.timeout + 15
    receivers = [Peer('echo', language, peer_command(build, language, 'echo', [
        '--domain', str(args.domain), '--topic', topic, '--count', str(args.count),
        '--verify-seed', str(args.seed), '--largest', str(largest),
        '--timeout', str(args.timeout)]), env) for language in args.to]
    publisher = Peer('pub', args.sender, peer_command(build, args.sender, 'pub', [
        '--domain', str(args.domain), '--topic', topic, '--count', str(args.count),
        '--size', sizes, '--seed', str(args.seed), '--peers', str(len(receivers)),
        '--timeout', str(args.timeout)]), env)
    peers = [publisher] + receivers

    while any(peer.process.poll() is None for peer in peers):
        for peer in peers:
            peer.check_sockets()
        if time.monotonic() > deadline:
            for peer in peers:
                peer.kill()
            break
        time.sleep(0.1)
    for peer in peers:
        peer.finish()

    # Leftovers: files that appeared during the run that no live process
    # maps. They are removed either way; a clean run must not leave any.
    new = shm_files() - before
    mapped = mapped_shm_files()
    leftovers = sorted(name for name in new if not in_use(name, mapped))
    for name in leftovers:
        try:
            os.unlink(os.path.join(SHM_DIR, name))
        except OSError:
            pass

    print('%s -> %s  (%d samples, keypoints %s, domain %d, topic %s)'
          % (args.sender, ','.join(args.to), args.count, sizes, args.domain, topic))
    all_ok = True
    for peer in peers:
        verdict, text = peer.report()
        all_ok = all_ok and verdict == 'ok'
        print(text)
    if leftovers:
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
    parser.add_argument('--from', dest='sender', choices=PEERS, required=True)
    parser.add_argument('--to', required=True, help='receiver languages, comma separated')
    parser.add_argument('--domain', type=int, default=0)
    parser.add_argument('--count', type=int, default=8)
    parser.add_argument('--size', default='0,1,1666,69905',
                        help='keypoints per sample, cycled (default: empty, 1, ~100 KB, ~4 MB)')
    parser.add_argument('--seed', type=int, default=None)
    parser.add_argument('--timeout', type=float, default=60.0)
    parser.add_argument('--label', default='exchange')
    args = parser.parse_args(argv)
    args.to = args.to.split(',')
    if not args.to or any(language not in PEERS for language in args.to):
        parser.error('--to takes a comma-separated list of c, cpp, py')
    args.size = [int(k) for k in args.size.split(',')]
    if args.seed is None:
        args.seed = random.getrandbits(32)
    return run(args)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

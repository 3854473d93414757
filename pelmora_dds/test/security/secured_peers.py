#!/usr/bin/python3
"""Secured pelmora-dds peers on hosts made of network namespaces: who is
admitted, who is refused, and what an observer of the wire sees.

    secured_peers.py --build BUILD_DIR [--vendor fastdds|cyclonedds] SCENARIO [--timeout SEC]

Scenarios:
  exchange FROM TO    two enclaved peers (c, cpp or py) exchange Features
                      from empty to about 4 MB, every sample checked
  unsecured           a participant with default settings neither reads the
                      secured writer nor gets its samples to the secured reader
  foreign             peers whose certificates come from another keystore's
                      authority are refused both ways
  subscribe-only      an enclave allowed only to subscribe cannot publish
  capture             a capture on the reader's host holds no sample bytes of
                      the secured exchange, and does hold those of the same
                      exchange unsecured (the capture itself is sound)
  enforce             Enforce with a file missing refuses to start (exit 4,
                      message naming the file); Permissive warns and runs

BUILD_DIR is pelmora_dds's build folder (bin/, lib/). PYTHONPATH names the
harness (pelmora_harness), the adapter's module (pelmora_dds_adapter, which
reads the samples through the library) and pelmora's Python package.

Every peer runs inside a host of a netns.Network; the namespaces are removed
on every exit path. Exits 77 (skip) with the reason where namespaces cannot
be made. Prints one line per peer: what it was, whether it was admitted.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from pelmora_harness import netns, peers

import pelmora_dds_adapter as adapter  # the tool's samples, through its library

EXIT_OK, EXIT_TIMEOUT, EXIT_SETUP, EXIT_REFUSED = 0, 2, 3, 4
TOPIC = 'features'
SIZES = '0,1,1666,69905'  # keypoints: empty, one, about 100 kB, about 4 MB


class Failure(Exception):
    pass


class Scenario:
    """The keystores of a run and the commands of its peers."""

    def __init__(self, build, scratch, timeout, vendor):
        self.build, self.scratch, self.timeout, self.vendor = build, scratch, timeout, vendor
        self.keystore = os.path.join(scratch, 'keystore')
        self.foreign = os.path.join(scratch, 'foreign')
        for keystore in (self.keystore, self.foreign):
            self.security('create-keystore', keystore)
            self.security('create-enclave', keystore, '/talker', '--allow-publish', TOPIC)
            self.security('create-enclave', keystore, '/listener', '--allow-subscribe', TOPIC)

    def security(self, *args):
        done = subprocess.run([os.path.join(self.build, 'bin', 'pelmora-dds'), 'security'] + list(args),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60)
        if done.returncode != 0:
            raise Failure('security %s: %s' % (' '.join(args), done.stdout))

    def environment(self, keystore, strategy='Enforce'):
        """Domain 0 (the keystores'), and security from `keystore` or none."""
        secured = peers.secured(keystore, strategy) if keystore is not None else {}
        return peers.environment(self.build, domain=0, **secured)

    def command(self, kind, role, enclave, extra, transport='default'):
        """The command line of a pelmora-dds peer (kind c, cpp or py) in
        `enclave` (None: none), or of the ROS-node stand-in (kind standin),
        which has no enclave and the default transports."""
        options = ['--timeout', str(self.timeout)] + extra
        if kind != 'standin':
            options += ['--transport', transport] + (['--enclave', enclave] if enclave else [])
        return peers.peer_command(self.build, kind, role, options, topic=TOPIC, vendor=self.vendor)


def run(s, cases):
    """Starts one peer for each case (host, name, argv, env, expect) in
    order, then waits for each; `expect` returns '' or what went wrong.
    Returns the peers, in the order of the cases."""
    started = [(peers.Peer(host, name, argv, env), expect) for host, name, argv, env, expect in cases]
    problems = []
    for peer, expect in started:
        status = peer.finish(s.timeout + 30)
        if peer.killed:
            raise Failure('%s did not exit by itself' % peer.name)
        verdict = expect(status, peer)
        got = received(peer)
        print('%-44s exit %3d  %-13s %s' % (peer.name, status,
              '' if got is None else 'received %d' % got, verdict or 'as expected'), flush=True)
        if verdict:
            problems.append('%s: %s\n%s' % (peer.name, verdict, peer.output.strip()))
    if problems:
        raise Failure('\n'.join(problems))
    return [peer for peer, _ in started]


def received(peer):
    match = re.search(r'received=(\d+)', peer.output)
    return int(match.group(1)) if match else None


def exits(code):
    return lambda status, peer: '' if status == code else 'expected exit %d' % code


def receives(count):
    def check(status, peer):
        got = received(peer)
        if got != count:
            return 'received %s samples, expected %d' % (got, count)
        if count > 0 and status != EXIT_OK:
            return 'exit %d after receiving' % status
        return ''
    return check


# --- scenarios ---------------------------------------------------------------

def exchange(s, sides):
    source, target = sides
    count = 8
    with netns.Network(hosts=2, label='secx') as net:
        a, b = net.hosts
        run(s, [
            (b, 'enclave /listener %s echo' % target, s.command(target, 'echo', '/listener', [
                '--count', str(count), '--verify-seed', '3', '--largest', '4200000']),
             s.environment(s.keystore), receives(count)),
            (a, 'enclave /talker %s pub 0 B..4 MB' % source, s.command(source, 'pub', '/talker', [
                '--count', str(count), '--size', SIZES, '--seed', '3']),
             s.environment(s.keystore), exits(EXIT_OK)),
        ])


def outsiders(s, label, reader, writer):
    """Two segments at once, so that the outsiders never meet each other: on
    the first a secured exchange with an outside reader beside it, on the
    second a secured reader alone with an outside writer. The secured reader
    of the first runs until its timeout, so any sample injected would add to
    its count. `reader` and `writer` are the outsiders' (name, argv, env)."""
    count = 5
    with netns.Network(hosts=3, label=label + 'r') as first, \
            netns.Network(hosts=2, label=label + 'w') as second:
        a, b, c = first.hosts
        d, e = second.hosts
        run(s, [
            (a, 'enclave /talker c pub', s.command('c', 'pub', '/talker', [
                '--count', str(count), '--size', '3']), s.environment(s.keystore), exits(EXIT_OK)),
            (b, 'enclave /listener cpp echo', s.command('cpp', 'echo', '/listener', [
                '--verify-seed', '1']), s.environment(s.keystore), receives(count)),
            (c,) + reader + (receives(0),),
            (d, 'enclave /listener c echo (alone)', s.command('c', 'echo', '/listener', [
                '--verify-seed', '1']), s.environment(s.keystore), receives(0)),
            (e,) + writer + (exits(EXIT_TIMEOUT),),
        ])


def unsecured(s):
    outsiders(s, 'secu',
              ('unsecured default participant echo',
               s.command('standin', 'echo', None, ['--count', '1']), s.environment(None)),
              ('unsecured default participant pub',
               s.command('standin', 'pub', None, ['--count', '3', '--size', '3', '--seed', '9']),
               s.environment(None)))


def foreign(s):
    outsiders(s, 'secf',
              ('other authority /listener c echo',
               s.command('c', 'echo', '/listener', ['--count', '1', '--verify-seed', '1']),
               s.environment(s.foreign)),
              ('other authority /talker c pub',
               s.command('c', 'pub', '/talker', ['--count', '3', '--size', '3', '--seed', '9']),
               s.environment(s.foreign)))


def subscribe_only(s):
    with netns.Network(hosts=2, label='secs') as net:
        a, b = net.hosts
        run(s, [
            (b, 'enclave /listener c echo', s.command('c', 'echo', '/listener', [
                '--count', '1', '--verify-seed', '1']), s.environment(s.keystore), receives(0)),
            (a, 'enclave /listener (subscribe only) c pub', s.command('c', 'pub', '/listener', [
                '--count', '3', '--size', '3']), s.environment(s.keystore), exits(EXIT_SETUP)),
        ])


def markers(build, seed, count, keypoints):
    """The first 32 bytes of each sample's descriptor, as they go on the wire."""
    lib = adapter.load_adapter(os.path.join(build, 'lib', 'libpelmora_dds.so'))
    ts = adapter.TypeSupport()
    found = []
    for i in range(count):
        record = ts.create()
        try:
            if lib.pelmora_dds_sample(record, seed, i, keypoints) != adapter.DDS_OK:
                raise Failure('no sample %d: %s' % (i, adapter.last_error(lib)))
            found.append(ts.convert_to_py(record).descriptor[:8].tobytes())
        finally:
            ts.destroy(record)
    return found


def captured_run(s, keystore, label):
    """Runs a C-to-C++ exchange over UDP with a capture on the reader's host;
    returns the captured bytes."""
    count, keypoints = 6, 200
    with netns.Network(hosts=2, label=label) as net:
        a, b = net.hosts
        pcap = os.path.join(s.scratch, label + '.pcap')
        # Immediate mode and a 32 MB buffer: bursts of fragments of a loaded
        # machine would otherwise overrun the kernel's ring.
        capture = b.popen(['tcpdump', '-i', 'eth0', '-n', '-U', '--immediate-mode', '-B', '32768',
                           '-s', '0', '-Z', 'root', '-w', pcap],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        wait_listening(capture)
        enclave = (lambda name: name) if keystore else (lambda name: None)
        run(s, [
            (b, '%s cpp echo over UDP' % label, s.command('cpp', 'echo', enclave('/listener'), [
                '--count', str(count), '--verify-seed', '4'], transport='udp'),
             s.environment(keystore), receives(count)),
            (a, '%s c pub over UDP' % label, s.command('c', 'pub', enclave('/talker'), [
                '--count', str(count), '--size', str(keypoints), '--seed', '4'], transport='udp'),
             s.environment(keystore), exits(EXIT_OK)),
        ])
        stop_capture(capture, pcap)
        with open(pcap, 'rb') as f:
            return f.read(), markers(s.build, 4, count, keypoints)


def stop_capture(capture, pcap):
    """Stops tcpdump once its file has stopped growing for a second (a
    loaded machine may still be writing the last packets), and fails when it
    reports packets it saw but did not write."""
    deadline = time.monotonic() + 15
    size, stable_since = -1, time.monotonic()
    while time.monotonic() < deadline and time.monotonic() - stable_since < 1:
        time.sleep(0.1)
        now = os.path.getsize(pcap)
        if now != size:
            size, stable_since = now, time.monotonic()
    capture.terminate()
    _, report = capture.communicate(timeout=10)
    seen = re.search(r'(\d+) packets? received by filter', report)
    written = re.search(r'(\d+) packets? captured', report)
    if seen is None or written is None or int(written.group(1)) < int(seen.group(1)):
        raise Failure('the capture lost packets:\n' + report)


def wait_listening(capture):
    """tcpdump says "listening on" once the capture runs."""
    deadline = time.monotonic() + 10
    line = ''
    while time.monotonic() < deadline and 'listening on' not in line:
        line = capture.stderr.readline()
        if not line and capture.poll() is not None:
            raise Failure('tcpdump did not start')
    if 'listening on' not in line:
        raise Failure('tcpdump did not start listening in time')


def capture(s):
    secured, secured_markers = captured_run(s, s.keystore, 'secured')
    plain, plain_markers = captured_run(s, None, 'plain')
    seen_plain = sum(marker in plain for marker in plain_markers)
    seen_secured = sum(marker in secured for marker in secured_markers)
    print('capture: %d bytes secured, %d of %d sample markers in clear; '
          '%d bytes unsecured, %d of %d markers in clear'
          % (len(secured), seen_secured, len(secured_markers), len(plain), seen_plain,
             len(plain_markers)))
    if seen_plain != len(plain_markers):
        raise Failure('the unsecured control run does not show every marker: the capture proves nothing')
    if seen_secured != 0:
        raise Failure('sample bytes of the secured exchange appear in clear on the wire')


def enforce(s):
    broken = os.path.join(s.scratch, 'broken')
    shutil.copytree(s.keystore, broken, symlinks=True)
    os.remove(os.path.join(broken, 'enclaves', 'talker', 'key.pem'))
    with netns.Network(hosts=2, label='sece') as net:
        a, b = net.hosts
        refused, = run(s, [(a, 'Enforce, /talker without key.pem, pub',
                            s.command('c', 'pub', '/talker', ['--count', '1']),
                            s.environment(broken, 'Enforce'), exits(EXIT_REFUSED))])
        if 'key.pem' not in refused.output or 'Enforce' not in refused.output:
            raise Failure('the refusal does not name the missing file:\n' + refused.output)
        # Permissive: a warning, then an unsecured peer that an unsecured
        # reader receives.
        _, writer = run(s, [
            (b, 'unsecured c echo', s.command('c', 'echo', None, ['--count', '2', '--verify-seed', '1']),
             s.environment(None), receives(2)),
            (a, 'Permissive, /talker without key.pem, pub',
             s.command('c', 'pub', '/talker', ['--count', '2', '--size', '1']),
             s.environment(broken, 'Permissive'), exits(EXIT_OK)),
        ])
        if 'WITHOUT security' not in writer.output:
            raise Failure('the permissive peer did not warn:\n' + writer.output)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--build', required=True)
    parser.add_argument('--timeout', type=float, default=15)
    parser.add_argument('--vendor', default='fastdds', help='DDS implementation of the pelmora-dds peers')
    parser.add_argument('scenario', choices=('exchange', 'unsecured', 'foreign', 'subscribe-only',
                                             'capture', 'enforce'))
    parser.add_argument('sides', nargs='*', help='exchange: FROM and TO, each c, cpp or py')
    args = parser.parse_args()
    netns.skip_unless_available()
    if args.scenario == 'capture' and shutil.which('tcpdump') is None:
        print('SKIP: tcpdump is not installed')
        return netns.SKIP
    scratch = tempfile.mkdtemp(prefix='pelmora-secured-')
    try:
        s = Scenario(os.path.abspath(args.build), scratch, args.timeout, args.vendor)
        if args.scenario == 'exchange':
            if len(args.sides) != 2 or not set(args.sides) <= {'c', 'cpp', 'py'}:
                parser.error('exchange takes FROM and TO, each c, cpp or py')
            exchange(s, args.sides)
        else:
            {'unsecured': unsecured, 'foreign': foreign, 'subscribe-only': subscribe_only,
             'capture': capture, 'enforce': enforce}[args.scenario](s)
    except netns.Unavailable as reason:
        return netns.skip(reason)
    except Failure as failure:
        print('FAILED: %s' % failure)
        return 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print('PASSED')
    return 0


if __name__ == '__main__':
    sys.exit(main())

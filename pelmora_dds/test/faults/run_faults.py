#!/usr/bin/python3
"""Faults on the wire between hosts made by netns.Network: hostile samples,
a writer or a reader killed mid-stream, a reader restarted, the link cut and
a slow reader. Each scenario runs its peers inside the namespaces, checks
what each side did against what the fault allows, and prints one table row:

    | fault | writer | reader | sent | received | dropped | missed | peak RSS |

    run_faults.py --build BUILD --scenario NAME [--side c|cpp|py] [--vendor V]
                  [--payloads HOSTILE_PAYLOADS]

BUILD is pelmora_dds's build folder (bin/, lib/); HOSTILE_PAYLOADS is
pelmora_testing's hostile_payloads.txt, which the hostile-samples scenario
sends.

Exits 0 when every check held, 1 otherwise, netns.SKIP with the reason when
namespaces cannot be made. Every peer has its own timeout and is killed by
the network when the scenario ends, however it ends.
"""

import argparse
import os
import random
import re
import subprocess
import sys
import time

from pelmora_harness import netns, peers

KEEP_ALL = ['--qos-history', 'keep_all']
KEEP_LAST_10 = ['--qos-history', 'keep_last', '--qos-depth', '10']
# A killed peer is noticed within a second.
KEEP_ALL_LEASE_1S = KEEP_ALL + ['--qos-liveliness-lease', '1']
# Room in the peak-RSS comparison for allocator noise; a length word that
# were trusted would ask for 16 GiB.
RSS_SLACK_KB = 16 * 1024
SANITIZER_REPORT = re.compile(r'ERROR: (Address|Leak)Sanitizer|runtime error: ')


class Scenario:
    def __init__(self, args, network):
        self.args, self.network = args, network
        self.hosts = network.hosts
        self.topic = '/faults_%d_%06x' % (os.getpid(), random.getrandbits(24))
        self.seed = random.getrandbits(31)
        self.env = peers.environment(args.build, domain=0)
        self.failures = []

    # -- peers ------------------------------------------------------------

    def tool(self, host, name, side, role, options, peer):
        """pelmora-dds (c, cpp) or the Python peer on `host`, over UDP to
        `peer`, or with the built-in transports and multicast discovery when
        `peer` is None."""
        transport = ['--transport', 'udp', '--peer', peer.address] if peer else ['--transport', 'default']
        return peers.Peer(host, name, peers.peer_command(
            self.args.build, side, role, transport + options, topic=self.topic,
            vendor=self.args.vendor), env=self.env)

    def pub(self, host, peer, options, name='pub', side='c'):
        return self.tool(host, name, side, 'pub', ['--seed', str(self.seed)] + options, peer)

    def echo(self, host, peer, options, name='echo', side=None):
        return self.tool(host, name, side or self.args.side, 'echo', options, peer)

    def standin(self, host, options):
        return peers.Peer(host, 'standin', peers.peer_command(
            self.args.build, 'standin', 'pub', options, topic=self.topic), env=self.env)

    def cut(self, host, seconds):
        """Takes the host's link down for `seconds`, then brings it back."""
        subprocess.run(['ip', '-n', host.namespace, 'link', 'set', 'eth0', 'down'], check=True, timeout=10)
        time.sleep(seconds)
        subprocess.run(['ip', '-n', host.namespace, 'link', 'set', 'eth0', 'up'], check=True, timeout=10)

    # -- checks and report ------------------------------------------------

    def finished(self, peer, timeout):
        """peer.finish(), and no sanitizer report may be in its output: in a
        sanitizer build its exit code 1 would pass for echo's own."""
        code = peer.finish(timeout)
        self.expect(not SANITIZER_REPORT.search(peer.stderr), '%s: sanitizer report' % peer.name, peer)
        return code

    def expect(self, condition, what, peer=None):
        if not condition:
            self.failures.append(what + ('\n' + peer.tail() if peer is not None else ''))

    def row(self, fault, writer, reader, counts, peak):
        print('| %s | %s | %s | %s | %s | %s | %s | %s |' % (
            fault, writer, reader, counts.get('sent', '-'), counts.get('received', '-'),
            counts.get('dropped', '-'), counts.get('missed', '-'), peak), flush=True)


def mib(kb):
    return '%.1f MiB' % (kb / 1024.0)


def counts(summary, sent, **measured):
    """The count columns of a row: what the reader's summary says, unless
    `measured` gives a value of its own."""
    found = {key: summary.get(key) for key in ('received', 'dropped', 'missed')}
    return dict(found, sent=sent, **measured)


def hostile_expectations(payloads):
    """(accepted descriptorsize values in order, drop reasons in order) of
    the payload file; the zero-byte payload, sent last, never reaches a
    reader's type (Fast DDS keeps it, and so the writer, from delivery)."""
    accepted, reasons, record = [], [], {}
    with open(payloads) as lines:
        for line in lines:
            key, _, rest = line.rstrip('\n').partition(' ')
            if key == 'end':
                if record['verdict'] == 'accept':
                    accepted.append(int(record['scalars'].split()[1]))
                elif record['hex']:
                    reasons.append(record.get('wire_reason', record['reason']))
                record = {}
            elif not key.startswith('#'):
                record[key] = rest
    return accepted, reasons


def hostile_samples(s):
    a, b = s.hosts
    accepted, reasons = hostile_expectations(s.args.payloads)
    # The stand-in is a default node: built-in transports, multicast discovery.
    echo = s.echo(b, None, KEEP_ALL + ['--count', str(len(accepted)), '--timeout', '30'])
    writer = s.standin(a, ['--payloads', s.args.payloads, '--interval', '20', '--settle', '500',
                           '--timeout', '30'])
    code = s.finished(echo, 40)
    writer.kill()  # it waits for the zero-byte sample's acknowledgement in vain
    s.finished(writer, 5)
    shown = [int(v) for v in re.findall(r'^descriptorsize: (\d+)$', echo.stdout, re.M)]
    drops = re.findall(r'dropped a malformed sample of \d+ bytes: (.*)$', echo.stderr, re.M)
    summary = echo.summary('echo')
    s.expect(code == 1, 'echo exit %s, expected 1 (samples dropped, no --allow-loss)' % code, echo)
    s.expect(shown == accepted, 'echo printed descriptorsize %s, expected %s' % (shown, accepted), echo)
    s.expect(len(drops) == len(reasons), 'echo reported %d drops, expected %d' % (len(drops), len(reasons)))
    s.expect(drops == reasons, 'drop reasons differ: %s' % [
        (got, want) for got, want in zip(drops, reasons) if got != want][:3])
    s.expect(summary.get('dropped') == str(len(reasons)) and summary.get('missed') == '0',
             'summary %s' % summary, echo)
    s.row('hostile samples between good ones (%s)' % s.args.side,
          'stand-in sent %d good and %d malformed payloads, then one of 0 bytes'
          % (len(accepted), len(reasons)),
          'printed every good one, one line per malformed one, exit %s' % code,
          counts(summary, len(accepted) + len(reasons) + 1), mib(echo.peak_kb))


def lying_length_memory(s):
    a, b = s.hosts
    peaks = {}
    for kind in ('features', 'lying-length'):
        count = 300
        options = ['--quiet', '--timeout', '8', '--allow-loss'] + KEEP_ALL
        if kind == 'features':
            options += ['--count', str(count)]
        echo = s.echo(b, None, options, name='echo ' + kind)
        writer = s.standin(a, ['--payload', kind, '--size', '1', '--count', str(count),
                               '--interval', '5', '--settle', '500', '--timeout', '20'])
        s.finished(echo, 20)
        s.finished(writer, 20)
        summary = echo.summary('echo')
        peaks[kind] = echo.peak_kb
        if kind == 'features':
            # The stand-in's keep_last 10 writer may overwrite a sample on a
            # busy machine; what matters here is the reader's memory.
            s.expect(int(summary.get('received', 0)) > count // 2, '%s: %s' % (kind, summary), echo)
        else:
            # All refused; a busy machine may have the stand-in overwrite one.
            s.expect(summary.get('received') == '0' and int(summary.get('dropped', 0)) > count // 2 and
                     int(summary.get('dropped', 0)) + int(summary.get('missed', 0)) == count,
                     '%s: %s' % (kind, summary), echo)
        s.row('length word 0xFFFFFFFF (%s)' % kind, 'stand-in sent %d' % count,
              'exit %s' % echo.returncode, counts(summary, count), mib(echo.peak_kb))
    s.expect(peaks['lying-length'] <= peaks['features'] + RSS_SLACK_KB,
             'peak RSS %s with lying lengths against %s with good samples'
             % (mib(peaks['lying-length']), mib(peaks['features'])))
    print('peak RSS lying/good: %.2f' % (peaks['lying-length'] / max(peaks['features'], 1)))


def publisher_killed(s):
    a, b = s.hosts
    count = 1000
    echo = s.echo(b, a, KEEP_ALL_LEASE_1S + ['--verify-seed', str(s.seed), '--count', str(count),
                                             '--timeout', '8'])
    writer = s.pub(a, b, KEEP_ALL_LEASE_1S + ['--count', str(count), '--interval', '5', '--timeout', '30'])
    time.sleep(3)
    writer.kill()
    s.finished(writer, 5)
    code = s.finished(echo, 20)
    summary = echo.summary('echo')
    received = int(summary.get('received', 0))
    s.expect(code == 2, 'echo exit %s, expected 2 (timeout)' % code, echo)
    s.expect('lost the liveliness of writer' in echo.stderr, 'no liveliness loss reported', echo)
    s.expect(0 < received < count and summary.get('verified') == str(received), 'summary %s' % summary)
    s.expect(summary.get('missed') == str(count - received) and summary.get('out_of_order') == '0',
             'missed/out of order %s' % summary)
    s.row('writer SIGKILLed mid-stream', 'killed after 3 s',
          'reported lost liveliness, exit %s at --timeout' % code,
          counts(summary, '%d of %d' % (received, count), received=received), mib(echo.peak_kb))


def reader_killed(s):
    a, b = s.hosts
    count = 1200
    keep = s.echo(b, a, KEEP_ALL_LEASE_1S + ['--verify-seed', str(s.seed), '--count', str(count),
                                             '--timeout', '25'], name='echo kept', side='cpp')
    doomed = s.echo(b, a, KEEP_ALL_LEASE_1S + ['--quiet', '--timeout', '25'], name='echo killed', side='c')
    writer = s.pub(a, b, KEEP_ALL_LEASE_1S + ['--count', str(count), '--interval', '2', '--peers', '2',
                                              '--timeout', '25'])
    # Killed early enough that the writer's keep_all history fills behind it.
    time.sleep(1.0)
    doomed.kill()
    s.finished(doomed, 5)
    code = s.finished(writer, 30)
    kept = s.finished(keep, 30)
    out, summary = writer.summary('pub'), keep.summary('echo')
    s.expect(code == 0 and out.get('result') == 'ok', 'pub exit %s %s' % (code, out), writer)
    s.expect(kept == 0 and summary.get('received') == str(count), 'kept reader %s' % summary, keep)
    s.expect('lost reader' in writer.stderr, 'pub did not report the lost reader', writer)
    s.row('one of two readers SIGKILLed', 'went on; blocked %s writes, longest %s; exit %s'
          % (out.get('blocked'), out.get('longest_write'), code),
          'the other received all, exit %s' % kept,
          counts(summary, count), '%s / %s' % (mib(writer.peak_kb), mib(keep.peak_kb)))


def transient_local_restart(s):
    a, b = s.hosts
    count = 60
    qos = KEEP_ALL_LEASE_1S + ['--qos-durability', 'transient_local']
    first = s.echo(b, a, qos + ['--verify-seed', str(s.seed), '--count', str(count), '--timeout', '20'],
                   name='echo first')
    writer = s.pub(a, b, qos + ['--count', str(count), '--interval', '50', '--timeout', '25'])
    time.sleep(1.5)
    first.kill()
    s.finished(first, 5)
    again = s.echo(b, a, qos + ['--verify-seed', str(s.seed), '--count', str(count), '--timeout', '20'],
                   name='echo restarted')
    code = s.finished(again, 25)
    wrote = s.finished(writer, 25)
    summary = again.summary('echo')
    s.expect(code == 0 and summary.get('received') == str(count) and summary.get('out_of_order') == '0',
             'restarted reader exit %s %s' % (code, summary), again)
    s.expect(wrote == 0, 'pub exit %s' % wrote, writer)
    s.row('transient-local reader killed and restarted', 'exit %s' % wrote,
          'restarted one got the history and the rest, exit %s' % code,
          counts(summary, count), mib(again.peak_kb))


def link_cut(s, history, allow_loss):
    a, b = s.hosts
    count = 500
    options = ['--verify-seed', str(s.seed), '--count', str(count), '--timeout', '25']
    echo = s.echo(b, a, history + options + (['--allow-loss'] if allow_loss else []))
    writer = s.pub(a, b, history + ['--count', str(count), '--interval', '8', '--timeout', '25'])
    time.sleep(2)
    s.cut(b, 2.0)
    code = s.finished(echo, 30)
    wrote = s.finished(writer, 30)
    summary, out = echo.summary('echo'), writer.summary('pub')
    received, missed = int(summary.get('received', 0)), int(summary.get('missed', -1))
    s.expect(code == 0, 'echo exit %s' % code, echo)
    s.expect(wrote == 0, 'pub exit %s' % wrote, writer)
    s.expect(summary.get('out_of_order') == '0' and summary.get('duplicates') == '0', 'order %s' % summary)
    if allow_loss:
        s.expect(missed > 0 and received + missed == count, 'missed %s' % summary)
    else:
        s.expect(received == count and missed == 0, 'received %s' % summary)
    s.row('link down 2 s, %s' % ' '.join(history[1:]),
          'blocked %s writes, exit %s' % (out.get('blocked'), wrote),
          'in order, none twice, exit %s' % code,
          counts(summary, count, received=received, missed=missed),
          '%s / %s' % (mib(writer.peak_kb), mib(echo.peak_kb)))


def slow_reader(s, history):
    """The same stream to a reader that keeps up and to one that sleeps
    20 ms per sample. With keep_all the slow reader's history holds 4
    samples (--largest), so the writer's own history fills and each write
    waits for a take, longer than the 10 ms the writer may block."""
    a, b = s.hosts
    keep_all = history is KEEP_ALL
    count = 300 if keep_all else 2000
    reader_room = ['--largest', '16000000'] if keep_all else []
    pacing = [] if keep_all else ['--interval', '1']
    runs = {}
    for delay in (0, 20):
        echo = s.echo(b, a, history + reader_room + [
            '--verify-seed', str(s.seed), '--count', str(count), '--take-delay', str(delay),
            '--allow-loss', '--timeout', '25'], name='echo delay %d' % delay)
        writer = s.pub(a, b, history + pacing + ['--count', str(count), '--max-blocking', '0.01',
                                                 '--timeout', '25'])
        wrote = s.finished(writer, 30)
        code = s.finished(echo, 30)
        runs[delay] = (writer, writer.summary('pub'), echo.summary('echo'))
        s.expect(wrote == 0, 'pub exit %s (take delay %d)' % (wrote, delay), writer)
        s.expect(code == 0, 'echo exit %s (take delay %d)' % (code, delay), echo)
    fast_writer, fast, _ = runs[0]
    slow_writer, slow, summary = runs[20]
    if keep_all:
        s.expect(int(slow.get('blocked', 0)) > 0 and 'history full' in slow_writer.stderr,
                 'keep_all writer never reported a blocked write: %s' % slow, slow_writer)
        s.expect(summary.get('received') == str(count) and summary.get('missed') == '0',
                 'keep_all reader %s' % summary)
    else:
        s.expect(int(summary.get('missed', 0)) > 0, 'slow keep_last reader missed nothing: %s' % summary)
    s.expect(slow_writer.peak_kb <= fast_writer.peak_kb + RSS_SLACK_KB, 'writer grew',
             slow_writer)

    def rate(summary):
        return float(summary.get('rate', '0msg/s')[:-len('msg/s')])
    print('writer with a slow reader against a fast one: write rate %.2f, peak RSS %.2f'
          % (rate(slow) / max(rate(fast), 1e-9), slow_writer.peak_kb / max(fast_writer.peak_kb, 1)))
    s.row('reader sleeps 20 ms per sample, %s' % ' '.join(history[1:]),
          '%.0f writes/s (%.0f with a fast reader), max blocking 10 ms: %s writes blocked, '
          'longest %s' % (rate(slow), rate(fast), slow.get('blocked'), slow.get('longest_write')),
          'in order, exit 0 with --allow-loss',
          counts(summary, count),
          'writer %s (%s with a fast reader)' % (mib(slow_writer.peak_kb), mib(fast_writer.peak_kb)))


SCENARIOS = {
    'hostile-samples': hostile_samples,
    'lying-length-memory': lying_length_memory,
    'publisher-killed': publisher_killed,
    'reader-killed': reader_killed,
    'transient-local-restart': transient_local_restart,
    'link-cut-keep-all': lambda s: link_cut(s, KEEP_ALL, allow_loss=False),
    'link-cut-keep-last': lambda s: link_cut(s, KEEP_LAST_10, allow_loss=True),
    'slow-reader-keep-last': lambda s: slow_reader(s, KEEP_LAST_10),
    'slow-reader-keep-all': lambda s: slow_reader(s, KEEP_ALL),
}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', required=True)
    parser.add_argument('--scenario', required=True, choices=sorted(SCENARIOS))
    parser.add_argument('--side', default='c', choices=('c', 'cpp', 'py'),
                        help='language of the reader under test')
    parser.add_argument('--vendor', default='fastdds')
    parser.add_argument('--payloads', help='the hostile payload file (hostile-samples)')
    args = parser.parse_args(argv)
    if args.scenario == 'hostile-samples' and not args.payloads:
        parser.error('hostile-samples needs --payloads')
    args.build = os.path.abspath(args.build)
    started = time.monotonic()
    try:
        with netns.Network(hosts=2, label=args.scenario) as network:
            scenario = Scenario(args, network)
            SCENARIOS[args.scenario](scenario)
    except netns.Unavailable as reason:
        return netns.skip(reason)
    for failure in scenario.failures:
        print('FAILED: ' + failure)
    print('%s %s (%s) in %.1fs' % ('PASS' if not scenario.failures else 'FAIL', args.scenario,
                                   args.vendor, time.monotonic() - started), flush=True)
    return 0 if not scenario.failures else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

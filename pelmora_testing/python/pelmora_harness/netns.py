"""Network namespaces as hosts, for tests that need several machines.

A `Network` is N hosts joined by one Ethernet segment: each host is a
network namespace with its loopback up and one interface `eth0` on a private
/24 (10.A.B.0/24, A.B taken from the process id so that parallel tests use
different subnets), plugged by a veth pair into a bridge that lives in a
namespace of its own. There is no route out: nothing a host sends can leave
the segment, so multicast and a middleware's default transports are allowed
there. IPv6 is off in every namespace so that only the test's own traffic
crosses the segment.

Each host also gets its own /dev/shm (a private folder bound over it in every
process the host runs), so that shared-memory transports cannot join hosts
behind the network's back: between hosts, samples really go over the veths.

    from pelmora_harness import netns

    with netns.Network(hosts=3, label='discovery') as net:
        a, b, server = net.hosts
        p = a.popen(['pelmora-dds', 'echo', ...], stdout=subprocess.PIPE)
        a.address                 # '10.A.B.1'
        b.run([...], timeout=30)  # subprocess.run inside host b
        net.watch_multicast()     # from now on, count multicast UDP datagrams
        net.multicast_packets()   # ... the hosts sent since

Everything the network made is removed when the `with` block ends, however it
ends: by return, exception, SIGINT, SIGTERM or SIGHUP (the handlers clean up,
then exit with 128 + signal). Every process started through a host is killed
first, and any other process left inside a namespace too. A test killed with
SIGKILL cannot clean up; the next Network made on this machine removes the
namespaces of processes that no longer exist (names start with "pm<pid>-").

Where namespaces cannot be made or entered (not root, no `ip` or `mount`, a
kernel or container that refuses them, a chroot whose "/" is not a mount
point), `Network` raises `Unavailable` with the reason; `skip(reason)` and
`skip_unless_available()` turn that into the CTest skip code (`SKIP`, 77):
give such tests `SKIP_RETURN_CODE 77`. Where namespaces must work (`CI=true`,
or `PELMORA_REQUIRE_NETNS=1` as in scripts/fresh-machine.sh), the same is a
failure instead: a machine that should run these tests cannot skip them.
"""

import atexit
import itertools
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

SKIP = 77
NETNS_DIR = '/run/netns'
_OWN_NAME = re.compile(r'^pm(\d+)-')
_counter = itertools.count()


class Unavailable(Exception):
    """Namespaces cannot be made here; the message says why."""


def _ip(*args, check=True):
    return subprocess.run(('ip',) + args, check=check, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, timeout=30)


def _kill_namespace_processes(name):
    listed = _ip('netns', 'pids', name, check=False)
    for pid in listed.stdout.split():
        try:
            os.kill(int(pid), signal.SIGKILL)
        except (OSError, ValueError):
            pass


def _delete_namespace(name):
    _kill_namespace_processes(name)
    _ip('netns', 'del', name, check=False)


def _remove_stale_namespaces():
    """Namespaces of earlier runs whose process is gone."""
    try:
        names = os.listdir(NETNS_DIR)
    except OSError:
        return
    for name in names:
        match = _OWN_NAME.match(name)
        if match and not os.path.exists('/proc/%s' % match.group(1)):
            _delete_namespace(name)


def _enter_probe(probe):
    """None when a process can run inside namespace `probe` the way a Host
    runs it (own mount namespace, a folder bound over /dev/shm), else why
    not."""
    folder = tempfile.mkdtemp(prefix=probe + '-')
    try:
        entered = subprocess.run(Host.command_in(probe, folder, ['true']), stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True, timeout=30)
    finally:
        os.rmdir(folder)
    if entered.returncode != 0:
        return 'cannot run a process in a network namespace: %s' % entered.stderr.strip()
    return None


def availability():
    """None when namespaces can be made and entered here, else the reason
    they cannot."""
    if os.geteuid() != 0:
        return 'network namespaces need root (running as uid %d)' % os.geteuid()
    for command, package in (('ip', 'iproute2'), ('mount', 'mount')):
        if shutil.which(command) is None:
            return "the '%s' command (%s) is not installed" % (command, package)
    probe = 'pm%d-probe' % os.getpid()
    made = _ip('netns', 'add', probe, check=False)
    if made.returncode != 0:
        return 'cannot create a network namespace: %s' % made.stderr.strip()
    try:
        return _enter_probe(probe)
    finally:
        _ip('netns', 'del', probe, check=False)


def required():
    """Whether this machine must run the namespace tests rather than skip them."""
    return os.environ.get('CI') == 'true' or os.environ.get('PELMORA_REQUIRE_NETNS') == '1'


def skip(reason):
    """Prints why the namespaces are missing; returns the exit code of a test
    that needs them: SKIP, or 1 where they are required."""
    if required():
        print('FAILED: network namespaces are required here but cannot be made: %s' % reason,
              flush=True)
        return 1
    print('SKIP: %s' % reason, flush=True)
    return SKIP


def skip_unless_available():
    """Exits with skip()'s code when namespaces cannot be made."""
    reason = availability()
    if reason is not None:
        sys.exit(skip(reason))


class Host:
    """One namespace with eth0 at `address` and a /dev/shm of its own."""

    def __init__(self, network, index, namespace, address, shm_dir):
        self.network, self.index = network, index
        self.namespace, self.address, self.shm_dir = namespace, address, shm_dir

    @staticmethod
    def command_in(namespace, shm_dir, argv):
        """`argv` as run inside `namespace`: `ip netns exec` gives the process
        a mount namespace of its own, in which `shm_dir` is bound over
        /dev/shm."""
        return ['ip', 'netns', 'exec', namespace, 'sh', '-c',
                'mount --bind "$0" /dev/shm && exec "$@"', shm_dir] + list(argv)

    def command(self, argv):
        """`argv` as run inside this host."""
        return self.command_in(self.namespace, self.shm_dir, argv)

    def popen(self, argv, **kwargs):
        """subprocess.Popen inside this host, in a session of its own; the
        network kills it on cleanup if it still runs."""
        process = subprocess.Popen(self.command(argv), start_new_session=True, **kwargs)
        self.network._processes.append(process)
        return process

    def run(self, argv, timeout, **kwargs):
        """subprocess.run inside this host; `timeout` is required."""
        return subprocess.run(self.command(argv), timeout=timeout, **kwargs)


class Network:
    """`hosts` namespaces on one private segment; see the module text."""

    def __init__(self, hosts=2, label='net'):
        if not 1 <= hosts <= 250:
            raise ValueError('hosts must be in 1..250')
        self.label = re.sub(r'[^a-z0-9]', '', label.lower())[:12] or 'net'
        serial = next(_counter)
        pid = os.getpid()
        self.prefix = 'pm%d-%d-%s' % (pid, serial, self.label)
        self.subnet = '10.%d.%d' % ((pid >> 8) & 0xff, (pid + 97 * serial) & 0xff)
        self.host_count = hosts
        self.hosts = []
        self._namespaces = []
        self._processes = []
        self._folder = None
        self._previous_handlers = {}
        self._capture = None

    # -- lifecycle --------------------------------------------------------

    def __enter__(self):
        reason = availability()
        if reason is not None:
            raise Unavailable(reason)
        _remove_stale_namespaces()
        self._install_handlers()
        atexit.register(self.close)
        try:
            self._build()
        except (subprocess.CalledProcessError, OSError) as failure:
            self.close()
            detail = getattr(failure, 'stderr', '') or str(failure)
            raise Unavailable('cannot build the namespaces: %s' % detail.strip())
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Kills what runs in the hosts and removes everything; idempotent."""
        for process in self._processes:
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except OSError:
                    pass
                process.wait()
        self._processes = []
        for name in reversed(self._namespaces):
            _delete_namespace(name)
        self._namespaces = []
        if self._folder is not None:
            shutil.rmtree(self._folder, ignore_errors=True)
            self._folder = None
        self._restore_handlers()

    def _install_handlers(self):
        def on_signal(signum, frame):
            self.close()
            os._exit(128 + signum)
        for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            self._previous_handlers[signum] = signal.signal(signum, on_signal)

    def _restore_handlers(self):
        for signum, handler in self._previous_handlers.items():
            signal.signal(signum, handler)
        self._previous_handlers = {}

    # -- construction -----------------------------------------------------

    def _add_namespace(self, name):
        _ip('netns', 'add', name)
        self._namespaces.append(name)
        # Only the test's own traffic: no IPv6 router or listener reports.
        subprocess.run(['ip', 'netns', 'exec', name, 'sysctl', '-q', '-w',
                        'net.ipv6.conf.all.disable_ipv6=1',
                        'net.ipv6.conf.default.disable_ipv6=1'],
                       check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=30)
        _ip('-n', name, 'link', 'set', 'lo', 'up')

    def _build(self):
        self._folder = tempfile.mkdtemp(prefix=self.prefix + '-')
        bridge = self.prefix + '-br'
        self._add_namespace(bridge)
        _ip('-n', bridge, 'link', 'add', 'br0', 'type', 'bridge')
        _ip('-n', bridge, 'link', 'set', 'br0', 'up')
        for i in range(self.host_count):
            name = '%s-h%d' % (self.prefix, i)
            self._add_namespace(name)
            _ip('-n', bridge, 'link', 'add', 'h%d' % i, 'type', 'veth', 'peer', 'name', 'eth0',
                'netns', name)
            _ip('-n', bridge, 'link', 'set', 'h%d' % i, 'master', 'br0', 'up')
            address = '%s.%d' % (self.subnet, i + 1)
            _ip('-n', name, 'addr', 'add', address + '/24', 'dev', 'eth0')
            _ip('-n', name, 'link', 'set', 'eth0', 'up')
            # Multicast leaves through eth0; there is no default route.
            _ip('-n', name, 'route', 'add', '224.0.0.0/4', 'dev', 'eth0')
            shm_dir = os.path.join(self._folder, 'h%d-shm' % i)
            os.mkdir(shm_dir)
            os.chmod(shm_dir, 0o1777)
            self.hosts.append(Host(self, i, name, address, shm_dir))

    # -- observation ------------------------------------------------------

    def watch_multicast(self):
        """Starts counting the multicast UDP datagrams the hosts send into
        the segment (a tcpdump on the bridge's ports; IGMP membership reports
        are not counted: joining a group sends no data). Returns once the
        capture runs."""
        bridge = self.prefix + '-br'
        self._capture = os.path.join(self._folder, 'multicast.txt')
        with open(self._capture, 'w') as out:
            capture = subprocess.Popen(
                ['ip', 'netns', 'exec', bridge, 'tcpdump', '-i', 'any', '-Q', 'in', '-n', '-l', '-q',
                 'udp and ip multicast'], stdout=out, stderr=subprocess.PIPE, text=True,
                start_new_session=True)
        self._processes.append(capture)
        for line in capture.stderr:
            if 'listening on' in line:
                return
        raise Unavailable('tcpdump cannot capture on the segment')

    def multicast_packets(self):
        """Multicast UDP datagrams the hosts sent since watch_multicast()."""
        with open(self._capture) as captured:
            return sum(1 for line in captured if line.strip())

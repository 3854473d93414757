"""The peers that tests, benchmarks and the demo start: their command lines,
the environment they run in, and the processes they become.

    from pelmora_harness import peers

    argv = peers.peer_command(build, 'py', 'echo', ['--count', '4'], topic='/t')
    echo = peers.Peer(host, 'echo py', argv, env=peers.environment(build, domain=7))
    echo.finish(timeout=30)            # the exit code; killed past the timeout
    echo.summary('echo')['received']   # key=value fields of its summary line
"""

import os
import re
import signal
import tempfile
import time

PYTHON = '/usr/bin/python3'
# The test programs of a build, by peer kind; each takes its role first
# except the hostile writer, which only publishes.
PROGRAMS = {'standin': 'ros_node_standin', 'witness': 'features_witness',
            'hostile': 'hostile_writer'}
# Fast DDS profiles that would replace the settings a driver chose.
PROFILE_VARIABLES = ('FASTRTPS_DEFAULT_PROFILES_FILE', 'FASTDDS_DEFAULT_PROFILES_FILE',
                     'FASTDDS_ENVIRONMENT_FILE')


def peer_command(build, kind, role, options=(), topic=None, vendor=None):
    """argv of a peer of `kind` in `role` (pub or echo), run from `build`.

    kind: c or cpp (pelmora-dds with that side), py (the build's Python peer
    pelmora-dds-py over the build's adapter), standin (ros_node_standin, a
    default Fast DDS node), witness (features_witness, Cyclone DDS with
    idlc's type) or hostile (hostile_writer, a Cyclone DDS writer of
    malformed samples; its side is an option). `topic` is a ROS name; the stand-in and the witness take the
    DDS topic it becomes. `vendor` goes to the peers that choose one (c, cpp,
    py). `options` follow as the program takes them."""
    if kind in PROGRAMS:
        argv = [os.path.join(build, 'bin', PROGRAMS[kind])] + ([] if kind == 'hostile' else [role])
    elif kind == 'py':
        argv = [PYTHON, os.path.join(build, 'bin', 'pelmora-dds-py'), role,
                '--lib', os.path.join(build, 'lib', 'libpelmora_dds.so')]
    else:
        argv = [os.path.join(build, 'bin', 'pelmora-dds'), role, '--side', kind]
    if topic is not None:
        argv += ['--topic', dds_topic(topic) if kind in ('standin', 'witness') else topic]
    if vendor is not None and kind in ('c', 'cpp', 'py'):
        argv += ['--vendor', vendor]
    return argv + list(options)


def dds_topic(name):
    """The DDS topic of ROS topic `name` (relative names are taken in the
    root namespace)."""
    return 'rt/' + name.lstrip('/')


def environment(build, domain=None, **variables):
    """os.environ for a peer, with nothing from outside that would take it
    elsewhere than the driver means: no ROS_* variable (domain, localhost
    only, discovery server, security) and no Fast DDS profile. The build's
    Python package comes first on PYTHONPATH; ROS_DOMAIN_ID is `domain` when
    given; `variables` are added last."""
    env = {name: value for name, value in os.environ.items()
           if not name.startswith('ROS_') and name not in PROFILE_VARIABLES}
    env['PYTHONPATH'] = os.pathsep.join(
        [os.path.join(build, 'python')] + ([env['PYTHONPATH']] if env.get('PYTHONPATH') else []))
    if domain is not None:
        env['ROS_DOMAIN_ID'] = str(domain)
    env.update(variables)
    return env


def secured(keystore, strategy='Enforce'):
    """The variables that secure a peer with `keystore`, as ROS 2 reads them."""
    return dict(ROS_SECURITY_ENABLE='true', ROS_SECURITY_STRATEGY=strategy,
                ROS_SECURITY_KEYSTORE=keystore)


class Peer:
    """One process started on a host (a netns Host or hosts.Local). Its
    output goes to files, so that no pipe fills up however much it prints;
    its exit code and peak RSS come from wait4 once it has ended."""

    def __init__(self, host, name, argv, env=None):
        self.name = name
        self._out = tempfile.TemporaryFile('w+')
        self._err = tempfile.TemporaryFile('w+')
        self.process = host.popen(argv, env=env, stdout=self._out, stderr=self._err, text=True)
        self.returncode = None
        self.peak_kb = 0
        self.killed = False
        self.stdout = self.stderr = ''

    @property
    def pid(self):
        return self.process.pid

    def poll(self):
        """The exit code once the process has ended, else None."""
        if self.returncode is None:
            pid, status, usage = os.wait4(self.process.pid, os.WNOHANG)
            if pid != 0:
                self.returncode = os.waitstatus_to_exitcode(status)
                self.process.returncode = self.returncode
                self.peak_kb = usage.ru_maxrss
        return self.returncode

    def kill(self):
        """SIGKILL to the process and its children, if it still runs."""
        if self.poll() is None:
            self.killed = True
            os.killpg(self.process.pid, signal.SIGKILL)

    def finish(self, timeout):
        """Waits at most `timeout` seconds, then kills; reads the output and
        returns the exit code."""
        deadline = time.monotonic() + timeout
        while self.poll() is None:
            if time.monotonic() > deadline:
                self.kill()
                deadline = float('inf')
            time.sleep(0.05)
        self._out.seek(0)
        self._err.seek(0)
        self.stdout, self.stderr = self._out.read(), self._err.read()
        return self.returncode

    @property
    def output(self):
        """Both streams, standard output first."""
        return self.stdout + self.stderr

    def summary_line(self, role):
        """The last line of either stream that starts with `role`, as the
        summary lines of every peer do; '' when there is none."""
        lines = [line for line in self.output.splitlines() if line.startswith(role + ' ')]
        return lines[-1] if lines else ''

    def summary(self, role):
        """key=value fields of the summary line."""
        return dict(re.findall(r'(\w+)=(\S+)', self.summary_line(role)))

    def tail(self, lines=8):
        """The last lines of standard error, indented for a report."""
        return '\n'.join('      ' + line for line in self.stderr.strip().splitlines()[-lines:])

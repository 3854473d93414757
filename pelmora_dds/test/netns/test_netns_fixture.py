"""The namespace fixture: hosts reach each other and nothing else, each host
has its own /dev/shm, and everything goes away however the test ends."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

from pelmora_harness import netns

PYTHON = '/usr/bin/python3'


def namespaces_of(network_prefix):
    listed = subprocess.run(['ip', 'netns', 'list'], stdout=subprocess.PIPE, text=True, check=True)
    return [line.split()[0] for line in listed.stdout.splitlines()
            if line.startswith(network_prefix + '-')]


def python_in(host, code, *args, timeout=10):
    return host.run([PYTHON, '-c', textwrap.dedent(code)] + list(args), timeout=timeout,
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def test_hosts_reach_each_other_and_no_address_outside_the_segment():
    receive = '''
        import socket, sys
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind((sys.argv[1], 9999)); s.settimeout(5)
        print(s.recvfrom(16)[0].decode())'''
    send = '''
        import errno, socket, sys
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.sendto(b'hello', (sys.argv[1], 9999))
        try:
            s.sendto(b'out', ('192.0.2.1', 9999))
            print('reached outside')
        except OSError as e:
            print(errno.errorcode[e.errno])'''
    with netns.Network(hosts=2, label='reach') as net:
        a, b = net.hosts
        assert a.address != b.address and a.address.startswith('10.')
        listener = b.popen([PYTHON, '-c', textwrap.dedent(receive), b.address],
                           stdout=subprocess.PIPE, text=True)
        time.sleep(0.3)
        assert python_in(a, send, b.address).stdout.strip() == 'ENETUNREACH'
        assert listener.communicate(timeout=10)[0].strip() == 'hello'


def test_each_host_has_its_own_shared_memory_folder():
    with netns.Network(hosts=2, label='shm') as net:
        a, b = net.hosts
        assert a.run(['sh', '-c', 'touch /dev/shm/pelmora_fixture_probe'], timeout=10).returncode == 0
        same_host = a.run(['ls', '/dev/shm'], timeout=10, stdout=subprocess.PIPE, text=True)
        other_host = b.run(['ls', '/dev/shm'], timeout=10, stdout=subprocess.PIPE, text=True)
        assert 'pelmora_fixture_probe' in same_host.stdout
        assert 'pelmora_fixture_probe' not in other_host.stdout
    # Only the probe is looked for: tests running beside this one use the
    # machine's /dev/shm themselves.
    assert 'pelmora_fixture_probe' not in os.listdir('/dev/shm')


def test_leaving_by_an_exception_kills_the_processes_and_removes_the_namespaces():
    with pytest.raises(RuntimeError):
        with netns.Network(hosts=2, label='raise') as net:
            prefix = net.prefix
            sleeper = net.hosts[0].popen(['sleep', '60'])
            assert len(namespaces_of(prefix)) == 3
            raise RuntimeError('test failure')
    assert sleeper.poll() is not None
    assert namespaces_of(prefix) == []


def test_sigterm_cleans_up_and_exits_with_the_signal_code():
    program = '''
        import time
        from pelmora_harness import netns
        with netns.Network(hosts=2, label='term') as net:
            net.hosts[1].popen(['sleep', '60'])
            print(net.prefix, flush=True)
            time.sleep(30)
        '''
    holder = subprocess.Popen([PYTHON, '-c', textwrap.dedent(program)], stdout=subprocess.PIPE,
                              text=True)
    prefix = holder.stdout.readline().strip()
    assert len(namespaces_of(prefix)) == 3
    holder.send_signal(signal.SIGTERM)
    assert holder.wait(timeout=20) == 128 + signal.SIGTERM
    assert namespaces_of(prefix) == []


def test_namespaces_of_a_killed_test_are_removed_by_the_next_network():
    stale = 'pm%d-0-stale-h0' % 4194304  # beyond pid_max: no such process
    subprocess.run(['ip', 'netns', 'add', stale], check=True)
    with netns.Network(hosts=1, label='next'):
        assert stale not in namespaces_of('pm4194304')
    assert namespaces_of('pm4194304') == []


@pytest.mark.parametrize('environment, code, says', [
    ({}, netns.SKIP, 'SKIP: network namespaces need root'),
    ({'CI': 'true'}, 1, 'FAILED: network namespaces are required here'),
    ({'PELMORA_REQUIRE_NETNS': '1'}, 1, 'FAILED: network namespaces are required here'),
])
def test_exit_code_and_reason_when_namespaces_cannot_be_made(monkeypatch, capsys, environment,
                                                             code, says):
    for name in ('CI', 'PELMORA_REQUIRE_NETNS'):
        monkeypatch.delenv(name, raising=False)
    for name, value in environment.items():
        monkeypatch.setenv(name, value)
    monkeypatch.setattr(os, 'geteuid', lambda: 1000)
    with pytest.raises(netns.Unavailable, match='root'):
        netns.Network(hosts=2).__enter__()
    with pytest.raises(SystemExit) as leaving:
        netns.skip_unless_available()
    assert leaving.value.code == code
    assert says in capsys.readouterr().out


def test_a_namespace_that_cannot_be_entered_is_unavailable(monkeypatch):
    # As in a chroot whose "/" is no mount point: `ip netns add` works, but
    # `ip netns exec` cannot make "/" a slave mount.
    monkeypatch.setattr(netns.Host, 'command_in', staticmethod(
        lambda namespace, shm_dir, argv: ['sh', '-c', 'echo "mount --make-rslave / failed" >&2; exit 1']))
    assert netns.availability() == (
        'cannot run a process in a network namespace: mount --make-rslave / failed')


if __name__ == '__main__':
    netns.skip_unless_available()
    sys.exit(pytest.main(['-q', '-p', 'no:cacheprovider', __file__]))

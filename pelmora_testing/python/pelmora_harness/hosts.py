"""This machine's own network namespace as a host, with the interface of a
namespace host of netns (address, command, popen, run), so that a driver
starts its peers the same way wherever they run.

In the root namespace only shared memory, or UDP on 127.0.0.1 without
multicast, may carry test traffic: nothing may reach the machine's external
interface. The address of the local host is therefore 127.0.0.1.

    from pelmora_harness import hosts, netns

    try:
        with hosts.hosts(2, 'bench', local=not use_namespaces) as (found, network):
            writer, reader = found      # network is None on the local host
    except netns.Unavailable as reason:
        sys.exit(netns.skip(reason))
"""

import contextlib
import subprocess

from pelmora_harness import netns


class Local:
    """The root namespace. Each process starts in a session of its own, as on
    a namespace host, so that a driver can kill it with its children."""

    address = '127.0.0.1'

    @staticmethod
    def command(argv):
        """`argv` as run on this host: unchanged."""
        return list(argv)

    def popen(self, argv, **kwargs):
        """subprocess.Popen on this host, in a session of its own."""
        return subprocess.Popen(self.command(argv), start_new_session=True, **kwargs)

    def run(self, argv, timeout, **kwargs):
        """subprocess.run on this host; `timeout` is required."""
        return subprocess.run(self.command(argv), timeout=timeout, **kwargs)


@contextlib.contextmanager
def hosts(count, label, local=False):
    """Yields (`count` hosts, their netns.Network): the namespaces of a new
    network, or with `local` this machine `count` times over and no network.
    Raises netns.Unavailable where namespaces cannot be made."""
    if local:
        yield [Local()] * count, None
        return
    with netns.Network(hosts=count, label=label) as network:
        yield network.hosts, network

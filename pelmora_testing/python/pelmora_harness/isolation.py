"""What shows that a run in this machine's own namespace kept to shared
memory: the IP sockets its peers hold while they run, and the Fast DDS files
they leave behind in /dev/shm once they have exited."""

import os
import re
import time

SHM_DIR = '/dev/shm'
IP_TABLES = ('tcp', 'tcp6', 'udp', 'udp6', 'raw', 'raw6')

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

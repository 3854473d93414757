"""pelmora-dds as a user meets it: arguments, exit codes, progress, YAML,
QoS matching and how pub ends. Peers run in this machine's own namespace,
so over shared memory (or UDP on 127.0.0.1 without multicast for the
stand-in); each test has its own topic."""

import os
import subprocess
import time
import uuid

import pytest
import yaml

BUILD = os.environ['PELMORA_BUILD_DIR']
TOOL = os.path.join(BUILD, 'bin', 'pelmora-dds')
STANDIN = os.path.join(BUILD, 'bin', 'ros_node_standin')
DOMAIN = os.environ.get('PELMORA_TEST_DOMAIN', '221')
SHM = ['--transport', 'shm', '--domain', DOMAIN]
LOOPBACK = ['--transport', 'udp', '--interface', '127.0.0.1', '--peer', '127.0.0.1', '--domain', DOMAIN]
ENV = {k: v for k, v in os.environ.items()
       if k not in ('ROS_DOMAIN_ID', 'ROS_LOCALHOST_ONLY', 'ROS_DISCOVERY_SERVER',
                    'FASTRTPS_DEFAULT_PROFILES_FILE')}


def topic():
    return '/behaviour_' + uuid.uuid4().hex[:12]


def tool(*args, env=None, timeout=60):
    return subprocess.run([TOOL] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, timeout=timeout, env=env or ENV)


def start(argv, env=None):
    process = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               env=env or ENV)
    time.sleep(0.3)  # let it create its reader first
    return process


@pytest.mark.parametrize('args, named', [
    (['pub', '--transport', 'tcp'], ['--transport', 'tcp', 'default', 'shm', 'udp']),
    (['echo', '--qos-durability', 'latched'], ['--qos-durability', 'transient_local', 'volatile']),
    (['pub', '--topic', '/ns/9lives'], ['--topic', "'9lives'", 'digit']),
    (['pub', '--size', '1', '--bytes', '100'], ['--size', '--bytes']),
    (['echo', '--count', '0'], ['--count']),
    (['pub', '--peer', 'host.example'], ['--peer']),
    (['bark'], ['bark']),
])
def test_each_wrong_argument_is_named_with_what_it_takes(args, named):
    result = tool(*args, timeout=10)
    assert result.returncode == 64
    assert result.stdout == ''
    for word in named:
        assert word in result.stderr
    assert '--help' in result.stderr


def test_help_lists_options_and_exit_codes_and_exits_zero():
    result = tool('echo', '--help', timeout=10)
    assert result.returncode == 0
    for word in ('--qos-reliability', '--transport', '--peer', '--full', 'Exit codes', '64'):
        assert word in result.stdout


def test_an_invalid_domain_in_the_environment_is_a_usage_error():
    result = tool('echo', *SHM, timeout=10, env=dict(ENV, ROS_DOMAIN_ID='300'))
    assert result.returncode == 64
    assert 'ROS_DOMAIN_ID' in result.stderr


def test_echo_without_a_publisher_says_so_and_exits_two():
    result = tool('echo', *SHM, '--topic', topic(), '--timeout', '1')
    assert result.returncode == 2
    assert 'waiting for samples on rt/behaviour_' in result.stderr
    assert 'no sample arrived in 1 s' in result.stderr
    counted = tool('echo', *SHM, '--topic', topic(), '--timeout', '1', '--count', '3')
    assert counted.returncode == 2
    assert '0 of 3 samples arrived' in counted.stderr


def test_pub_says_what_it_waits_for_and_times_out_with_code_two():
    name = topic()
    result = tool('pub', *SHM, '--topic', name, '--timeout', '1')
    assert result.returncode == 2
    assert 'pub: waiting for 1 reader on rt%s, domain %s, reliable, volatile, keep_last 10' % (
        name, DOMAIN) in result.stderr


def exchange(pub_args, echo_args, timeout='30', pub_env=None):
    name = topic()
    echo = start([TOOL, 'echo', *SHM, '--topic', name, '--timeout', timeout] + echo_args)
    pub = tool('pub', *SHM, '--topic', name, '--timeout', timeout, *pub_args, env=pub_env)
    out, err = echo.communicate(timeout=60)
    return pub, echo.returncode, out, err


def test_echo_prints_one_yaml_document_per_sample_with_cut_sequences_noted():
    pub, code, out, err = exchange(['--count', '3', '--size', '0,10,2', '--seed', '9'], ['--count', '3'])
    assert pub.returncode == 0 and code == 0, err
    documents = list(yaml.safe_load_all(out))
    assert len(documents) == 3
    assert out.count('\n---\n') == 2
    empty, cut, small = documents
    assert empty['keypointnumber'] == 0 and empty['x'] == [] and empty['descriptor'] == []
    assert cut['keypointnumber'] == 10 and cut['descriptorsize'] == 32 and cut['uniqueid'][0] == 1
    assert len(cut['descriptor']) == 8 and len(cut['uniqueid']) == 8
    assert all(isinstance(v, int) for v in cut['descriptor'])
    assert all(isinstance(v, float) for v in cut['x'])
    assert '# 8 of 80 items shown' in out and '# 8 of 10 items shown' in out
    assert len(small['x']) == 2 and '# 2 of' not in out


def test_echo_full_prints_whole_sequences():
    pub, code, out, err = exchange(['--count', '1', '--size', '10'], ['--count', '1', '--full'])
    assert code == 0, err
    (document,) = yaml.safe_load_all(out)
    assert len(document['descriptor']) == 80 and len(document['angle']) == 10
    assert '#' not in out


@pytest.mark.parametrize('durability', ['volatile', 'transient_local'])
def test_default_echo_receives_from_volatile_and_transient_local_writers(durability):
    pub, code, out, err = exchange(
        ['--count', '4', '--size', '3', '--seed', '2', '--qos-durability', durability],
        ['--count', '4', '--verify-seed', '2'])
    assert pub.returncode == 0, pub.stderr
    assert code == 0, err
    assert 'matched writer' in err
    assert 'result=ok' in out


WRITER_PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<profiles xmlns="http://www.eprosima.com/XMLSchemas/fastRTPS_Profiles">
  <data_writer profile_name="volatile_writer" is_default_profile="true">
    <qos><durability><kind>VOLATILE</kind></durability></qos>
  </data_writer>
</profiles>
"""


def test_profiles_file_gives_the_defaults_that_system_default_keeps(tmp_path):
    """A transient-local reader matches only a transient-local writer. Fast
    DDS's own default writer is transient-local; the file's default writer
    profile makes it volatile, unless the command line says otherwise."""
    profiles = tmp_path / 'profiles.xml'
    profiles.write_text(WRITER_PROFILE)
    for durability, with_file, arrives in (('system_default', True, False),
                                           ('system_default', False, True),
                                           ('transient_local', True, True)):
        env = dict(ENV, FASTRTPS_DEFAULT_PROFILES_FILE=str(profiles)) if with_file else ENV
        pub, code, _, _ = exchange(['--count', '1', '--qos-durability', durability],
                                   ['--count', '1', '--qos-durability', 'transient_local'],
                                   timeout='4', pub_env=env)
        assert (code == 0) == arrives, (durability, with_file, pub.stderr)
        assert (pub.returncode == 0) == arrives


def test_an_unreadable_profiles_file_is_a_set_up_failure_naming_it(tmp_path):
    missing = str(tmp_path / 'absent.xml')
    result = tool('pub', *SHM, '--topic', topic(), '--timeout', '1',
                  env=dict(ENV, FASTRTPS_DEFAULT_PROFILES_FILE=missing))
    assert result.returncode == 3
    assert missing in result.stderr


def test_incompatible_qos_is_reported_and_nothing_arrives():
    pub, code, _, err = exchange(['--qos-reliability', 'best_effort'], ['--count', '1'], timeout='3')
    assert code == 2
    assert pub.returncode == 2
    assert 'RELIABILITY QoS is incompatible' in err
    assert 'RELIABILITY QoS is incompatible' in pub.stderr


def test_pub_to_a_keep_last_ten_ros_node_ends_acknowledged():
    """Twenty samples to rclcpp's default reader, which leaves after ten."""
    name = topic()
    for attempt in range(3):
        reader = start([STANDIN, 'echo', '--loopback', '--topic', 'rt' + name, '--count', '10',
                        '--timeout', '30'], env=dict(ENV, ROS_DOMAIN_ID=DOMAIN))
        started = time.monotonic()
        pub = tool('pub', *LOOPBACK, '--topic', name, '--count', '20', '--size', '0,1,17476',
                   '--timeout', '30')
        reader.communicate(timeout=60)
        assert pub.returncode == 0, pub.stderr
        assert pub.stdout.rstrip().endswith('result=ok')
        assert 'matched reader' in pub.stderr
        assert time.monotonic() - started < 10

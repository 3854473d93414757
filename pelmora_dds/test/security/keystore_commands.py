#!/usr/bin/python3
"""pelmora-dds security create-keystore / create-enclave as a user meets
them: what they make, what they refuse, with which exit code and message.
Nothing here starts DDS.

    keystore_commands.py PELMORA_DDS
"""

import os
import subprocess
import sys
import tempfile

USAGE, SETUP, REFUSED = 64, 3, 4


def run(tool, *args, env=None):
    done = subprocess.run([tool] + list(args), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, timeout=60, env=env)
    return done.returncode, done.stdout


def main():
    tool = sys.argv[1]
    problems = []

    def expect(what, result, status, *words):
        code, text = result
        missing = [w for w in words if w not in text]
        if code != status or missing:
            problems.append('%s: exit %d (expected %d), lacking %s in:\n%s' % (what, code, status, missing, text))

    with tempfile.TemporaryDirectory(prefix='pelmora-keystore-') as scratch:
        keystore = os.path.join(scratch, 'ks')
        expect('first keystore', run(tool, 'security', 'create-keystore', keystore), 0, 'created')
        expect('second keystore in the same folder',
               run(tool, 'security', 'create-keystore', keystore), SETUP, 'already holds a keystore')
        expect('enclave', run(tool, 'security', 'create-enclave', keystore, '/robot/cam',
                              '--allow-publish', 'features', '--allow-subscribe', '/ns/cmd'),
               0, 'enclaves/robot/cam')
        expect('relative enclave name', run(tool, 'security', 'create-enclave', keystore, 'cam'),
               USAGE, 'starts with "/"')
        expect('topic with a space', run(tool, 'security', 'create-enclave', keystore, '/cam',
                                         '--allow-publish', 'a b'), USAGE, '--allow-publish', 'a b')
        expect('enclave outside a keystore',
               run(tool, 'security', 'create-enclave', scratch, '/cam'), SETUP,
               'is not a keystore', 'governance.p7s')
        expect('no subcommand', run(tool, 'security'), USAGE)
        expect('invalid --enclave of pub', run(tool, 'pub', '--enclave', '/a//b', '--timeout', '1'),
               USAGE, '--enclave')
        # Refused before any DDS entity exists, so no network is involved.
        env = dict(os.environ, ROS_SECURITY_ENABLE='true', ROS_SECURITY_STRATEGY='Enforce',
                   ROS_SECURITY_KEYSTORE=keystore)
        env.pop('ROS_SECURITY_ENCLAVE_OVERRIDE', None)
        expect('Enforce without the enclave', run(tool, 'echo', '--enclave', '/robot/other',
                                                  '--timeout', '1', env=env),
               REFUSED, 'Enforce', '/robot/other', 'cert.pem')
        env['ROS_SECURITY_ENCLAVE_OVERRIDE'] = 'bad'
        expect('invalid enclave override', run(tool, 'echo', '--enclave', '/robot/cam',
                                                '--timeout', '1', env=env),
               REFUSED, 'ROS_SECURITY_ENCLAVE_OVERRIDE')
    for problem in problems:
        print(problem)
    print('FAILED' if problems else 'PASSED')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())

#!/usr/bin/python3
"""Runs the C and C++ test binaries of a build under valgrind memcheck.

Usage: run_memcheck.py <build dir> [--jobs N]

Every CTest test whose command is one of the packages' C or C++ test
binaries (pelmora's C message, C type support, C++, hostile-input,
concurrency and fuzz-replay binaries; pelmora_cv's converters, views and
view replay) runs once under

    valgrind --tool=memcheck --error-exitcode=1 --leak-check=full
             --errors-for-leak-kinds=definite

with the test's own arguments, environment and working folder, so that each
gtest case gets the fresh process it gets under CTest. A test passes when
valgrind finds no memory error and no definite leak and the test itself
passes. Exits non-zero if any test fails, after printing its valgrind log.

The build must be a plain one: the sanitizers and valgrind cannot share a
process.
"""
import argparse
import concurrent.futures
import json
import os
import re
import subprocess
import sys

BINARIES = re.compile(r'^(test_c_|test_cpp_|test_hostile_|test_concurrent_|replay_|test_features_cv$|test_view$)')

# Tests left out, each with the reason. The sanitizer build runs them all.
SKIPPED = {
    # Some ninety thousand cut messages through five checks each: hours
    # under valgrind, a minute under AddressSanitizer.
    'HostileBytes.EveryVectorCutAtEveryByteIsRefusedByBothDecoders':
        'too slow under valgrind; run under AddressSanitizer',
}

# Binaries left out: they put their own malloc in front of the C library's
# to make allocations fail on demand, and valgrind replaces malloc itself.
SKIPPED_BINARIES = {
    'test_c_message_allocation_failure': 'interposes malloc, which valgrind replaces',
    'test_c_typesupport_allocation_failure': 'interposes malloc, which valgrind replaces',
}

VALGRIND = ['valgrind', '--tool=memcheck', '--error-exitcode=1', '--leak-check=full',
            '--errors-for-leak-kinds=definite', '--show-leak-kinds=definite',
            '--num-callers=30', '--quiet']


def selected_tests(build_dir):
    listing = subprocess.run(['ctest', '--show-only=json-v1'], cwd=build_dir, check=True,
                             capture_output=True, text=True).stdout
    tests = []
    for test in json.loads(listing)['tests']:
        command = test.get('command') or []
        if not command or not BINARIES.match(os.path.basename(command[0])):
            continue
        properties = {p['name']: p['value'] for p in test.get('properties', [])}
        tests.append((test['name'], command, properties))
    return tests


def run(test):
    name, command, properties = test
    environment = dict(os.environ)
    for assignment in properties.get('ENVIRONMENT', []):
        key, _, value = assignment.partition('=')
        environment[key] = value
    result = subprocess.run(VALGRIND + command, cwd=properties.get('WORKING_DIRECTORY'),
                            env=environment, capture_output=True, text=True, timeout=3600)
    return name, result.returncode, result.stdout + result.stderr


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('build_dir')
    parser.add_argument('--jobs', type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()

    tests = selected_tests(args.build_dir)
    runnable = []
    for name, command, properties in tests:
        binary = os.path.basename(command[0])
        reason = SKIPPED.get(name) or SKIPPED_BINARIES.get(binary)
        if reason:
            print('skipped   %s (%s): %s' % (name, binary, reason))
        else:
            runnable.append((name, command, properties))
    failures = []
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for name, status, output in pool.map(run, runnable):
            print('%-9s %s' % ('ok' if status == 0 else 'FAILED', name), flush=True)
            if status != 0:
                failures.append((name, output))
    for name, output in failures:
        print('\n==== %s ====\n%s' % (name, output))
    print('\n%d test(s) under valgrind memcheck, %d failed, %d skipped' % (
        len(runnable), len(failures), len(tests) - len(runnable)))
    return 1 if failures or not runnable else 0


if __name__ == '__main__':
    sys.exit(main())

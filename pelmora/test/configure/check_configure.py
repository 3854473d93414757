#!/usr/bin/python3
"""Configures the package, tests on, in a temporary folder with every tool of
its tests hidden, as on a machine holding only the package's dependencies.

Usage: check_configure.py <case> <source folder> with-ament|without-ament
                          <cmake> <generator> <make program> <C compiler> <C++ compiler>

leaves_out_missing_test_tools: configure succeeds, names each left-out
    package exactly once, and defines only the tests that need no tool.
require_all_tests_fails_without_them: under PELMORA_REQUIRE_ALL_TESTS
    configure fails and says which package is missing.

Hidden: packages found with find_package (CMAKE_DISABLE_FIND_PACKAGE_<name>),
programs (the folders of PATH are ignored by find_program; the build tool
and compilers are given) and Python modules (a module of the same name that fails to import
comes first on PYTHONPATH).
"""
import json
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

HIDDEN_PACKAGES = ('GTest', 'pelmora_testing', 'benchmark')
HIDDEN_MODULES = ('pytest', 'numpy', 'matplotlib')
DEBUG_PYTHON = 'python%d.%d-dbg' % sys.version_info[:2]

# The packages that configure names as left out, and whether with ament_cmake only.
LEFT_OUT = (
    ('libgtest-dev', False),
    ('pelmora_testing (workspace package)', False),
    ('libbenchmark-dev', False),
    (DEBUG_PYTHON, False),
    ('python3-pytest', False),
    ('python3-numpy', False),
    ('python3-matplotlib', False),
    ('cyclonedds-tools', False),
    ('valgrind', False),
    ('colcon', True),
)

# The tests that need no tool; ctest lists exactly these.
TOOLLESS_TESTS = {
    'configure.leaves_out_missing_test_tools',
    'configure.require_all_tests_fails_without_them',
    'install.consumer_builds_against_installed_package',
    'python.installed_package',
}

LEFT_OUT_LINE = re.compile(r'^-- pelmora: no (.+?): ', re.MULTILINE)


def configure(work, source, ament, cmake, generator, make_program, c_compiler, cxx_compiler, *arguments):
    modules = Path(work) / 'hidden_modules'
    modules.mkdir()
    for name in HIDDEN_MODULES:
        (modules / (name + '.py')).write_text("raise ImportError('hidden by check_configure.py')\n")
    searched = [folder for folder in os.environ.get('PATH', '').split(os.pathsep) if folder]
    command = [cmake, '-S', source, '-B', str(Path(work) / 'build'), '-G', generator,
               '-DCMAKE_MAKE_PROGRAM=' + make_program, '-DCMAKE_C_COMPILER=' + c_compiler, '-DCMAKE_CXX_COMPILER=' + cxx_compiler,
               '-DPython3_EXECUTABLE=' + sys.executable,
               '-DCMAKE_IGNORE_PATH=' + ';'.join(searched + ['/usr/bin', '/bin', '/usr/sbin', '/sbin'])]
    command += ['-DCMAKE_DISABLE_FIND_PACKAGE_%s=ON' % name for name in HIDDEN_PACKAGES]
    if ament == 'without-ament':
        command.append('-DCMAKE_DISABLE_FIND_PACKAGE_ament_cmake=ON')
    environment = dict(os.environ, PYTHONPATH=str(modules))
    result = subprocess.run(command + list(arguments), env=environment, capture_output=True,
                            text=True, timeout=240)
    return result.returncode, result.stdout + result.stderr


def leaves_out_missing_test_tools(work, source, ament, *tools):
    status, output = configure(work, source, ament, *tools)
    assert status == 0, output
    expected = [name for name, ament_only in LEFT_OUT if ament == 'with-ament' or not ament_only]
    named = LEFT_OUT_LINE.findall(output)
    assert sorted(named) == sorted(expected), (named, expected, output)
    listing = subprocess.run([str(Path(tools[0]).with_name('ctest')), '--show-only=json-v1'],
                             cwd=Path(work) / 'build', check=True, capture_output=True, text=True).stdout
    tests = {test['name'] for test in json.loads(listing)['tests']}
    assert tests == TOOLLESS_TESTS, tests


def require_all_tests_fails_without_them(work, source, ament, *tools):
    status, output = configure(work, source, ament, *tools, '-DPELMORA_REQUIRE_ALL_TESTS=ON')
    assert status != 0, output
    assert re.search(r'pelmora: libgtest-dev is not installed, so .*PELMORA_REQUIRE_ALL_TESTS',
                     output, re.DOTALL), output


def main():
    case, source, ament, *tools = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        globals()[case](work, source, ament, *tools)
    print('%s: ok' % case)


if __name__ == '__main__':
    main()

#!/usr/bin/env python3
"""Installs a build into a fresh prefix and uses the installed Python package
from there: the modules must import, find the installed libraries (not the
build tree's) and carry a message to the C record and back.

Usage: check_installed_package.py <build-dir> <python-install-dir>
"""
import os
import subprocess
import sys
import tempfile

CHECK = r'''
import ctypes, pathlib, sys
prefix = pathlib.Path(sys.argv[1])
from pelmora.msg import Features
from pelmora import (pelmora_s__rosidl_typesupport_c as c,
                     pelmora_s__rosidl_typesupport_fastrtps_c,
                     pelmora_s__rosidl_typesupport_introspection_c)
get = ctypes.pythonapi.PyCapsule_GetPointer
get.restype, get.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_char_p]
create = ctypes.CFUNCTYPE(ctypes.c_void_p)(get(c.create_ros_message_msg__msg__features, None))
destroy = ctypes.CFUNCTYPE(None, ctypes.c_void_p)(get(c.destroy_ros_message_msg__msg__features, None))
from_py = ctypes.PYFUNCTYPE(ctypes.c_bool, ctypes.py_object, ctypes.c_void_p)(
    get(c.convert_from_py_msg__msg__features, None))
to_py = ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.c_void_p)(get(c.convert_to_py_msg__msg__features, None))
message = Features(keypointnumber=7, descriptor=[1, 2, 3], angle=[0.5])
record = create()
assert from_py(message, record)
assert to_py(record) == message
destroy(record)
maps = open('/proc/self/maps').read()
for library in ('libpelmora__rosidl_generator_py.so', 'libpelmora__rosidl_generator_c.so',
                'libpelmora__rosidl_typesupport_c.so', 'libpelmora__rosidl_typesupport_fastrtps_c.so',
                'libpelmora__rosidl_typesupport_introspection_c.so'):
    paths = {line.split()[-1] for line in maps.splitlines() if line.endswith('/' + library)}
    assert paths and all(p.startswith(str(prefix)) for p in paths), (library, paths)
print('installed package works from', prefix)
'''


def main():
    build_dir, python_dir = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        prefix = os.path.join(work, 'prefix')
        subprocess.run(['cmake', '--install', build_dir, '--prefix', prefix],
                       check=True, stdout=subprocess.DEVNULL)
        env = dict(os.environ, PYTHONPATH=os.path.join(prefix, python_dir), PYTHONDONTWRITEBYTECODE='1')
        env.pop('LD_LIBRARY_PATH', None)
        return subprocess.run([sys.executable, '-c', CHECK, prefix], env=env, cwd=work).returncode


if __name__ == '__main__':
    sys.exit(main())

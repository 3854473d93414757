#!/usr/bin/python3
"""Installs a build into a fresh prefix and uses the Python package from
there: the modules import, load the installed libraries (not the build
tree's) and carry a message to the C record and back.

Usage: check_installed_package.py <build-dir> <python-install-dir>
"""
import os
import subprocess
import sys
import tempfile

CHECK = r'''
import ctypes, sys
from pelmora.msg import Features
from pelmora import pelmora_s__rosidl_typesupport_c as c, pelmora_s__rosidl_typesupport_fastrtps_c
get = ctypes.pythonapi.PyCapsule_GetPointer
get.restype, get.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_char_p]
record = ctypes.CFUNCTYPE(ctypes.c_void_p)(get(c.create_ros_message_msg__msg__features, None))()
message = Features(keypointnumber=7, descriptor=[1, 2, 3], angle=[0.5])
assert ctypes.PYFUNCTYPE(ctypes.c_bool, ctypes.py_object, ctypes.c_void_p)(
    get(c.convert_from_py_msg__msg__features, None))(message, record)
assert ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.c_void_p)(
    get(c.convert_to_py_msg__msg__features, None))(record) == message
loaded = [line.split()[-1] for line in open('/proc/self/maps') if 'libpelmora__' in line]
assert len(set(loaded)) == 4 and all(path.startswith(sys.argv[1]) for path in loaded), loaded
'''

with tempfile.TemporaryDirectory() as prefix:
    subprocess.run(['cmake', '--install', sys.argv[1], '--prefix', prefix], check=True, stdout=subprocess.DEVNULL)
    env = dict(os.environ, PYTHONPATH=os.path.join(prefix, sys.argv[2]), PYTHONDONTWRITEBYTECODE='1')
    sys.exit(subprocess.run([sys.executable, '-c', CHECK, prefix], env=env, cwd=prefix).returncode)

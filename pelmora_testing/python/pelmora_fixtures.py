"""Pytest fixtures that the Python tests of several packages share; a
package's conftest.py loads them with `pytest_plugins = ('pelmora_fixtures',)`.

- native: pelmora's capsules, C libraries and a stand-in middleware, reached
  through ctypes. It reads PELMORA_LIB_DIR (the folder of pelmora's
  libraries), PELMORA_TEST_PEER (the stand-in middleware, built with
  pelmora_testing_add_cdr_peer()) and PELMORA_PY_MODULES (the extension
  modules to take the capsules from, comma-separated; all three by default).
- cv2: OpenCV's Python binding; the test skips without it.
- stereo_data: the folder of the real stereo pair (PELMORA_STEREO_DATA_DIR);
  the test skips without it.
"""

import contextlib
import ctypes
import importlib
import os
from pathlib import Path

import pytest

ALL_MODULES = tuple('pelmora_s__rosidl_typesupport_' + f for f in ('c', 'fastrtps_c', 'introspection_c'))

P, F = ctypes.c_void_p, ctypes.CFUNCTYPE


def capsule_pointer(capsule, name=None):
    get = ctypes.pythonapi.PyCapsule_GetPointer
    get.restype, get.argtypes = P, [ctypes.py_object, ctypes.c_char_p]
    return get(capsule, name)


def function(library, name, restype, *argtypes):
    result = getattr(library, name)
    result.restype, result.argtypes = restype, list(argtypes)
    return result


class Native:
    def __init__(self):
        names = os.environ.get('PELMORA_PY_MODULES', ','.join(ALL_MODULES)).split(',')
        self.modules = {n: importlib.import_module('pelmora.' + n) for n in names}
        lib = Path(os.environ['PELMORA_LIB_DIR'])
        c = ctypes.CDLL(str(lib / 'libpelmora__rosidl_generator_c.so'))
        self.c_create = function(c, 'pelmora__msg__Features__create', P)
        self.c_destroy = function(c, 'pelmora__msg__Features__destroy', None, P)
        self.c_are_equal = function(c, 'pelmora__msg__Features__are_equal', ctypes.c_bool, P, P)
        self.dispatcher_handle = function(
            ctypes.CDLL(str(lib / 'libpelmora__rosidl_typesupport_c.so')),
            'rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features', P)()
        peer = ctypes.PyDLL(os.environ['PELMORA_TEST_PEER'])  # keeps the interpreter lock
        self.peer_size = function(peer, 'peer_serialized_size', ctypes.c_size_t, P, P)
        self.peer_serialize = function(peer, 'peer_serialize', ctypes.c_long, P, P, ctypes.c_int,
                                       ctypes.c_char_p, ctypes.c_size_t)
        self.peer_deserialize = function(peer, 'peer_deserialize', ctypes.c_int, P, ctypes.c_char_p,
                                         ctypes.c_size_t, ctypes.c_int, P)
        self.peer_from_py = function(peer, 'peer_call_convert_from_py', None, P, ctypes.py_object, P,
                                     ctypes.POINTER(ctypes.c_bool))
        self.use_module(names[0])

    def use_module(self, name):
        """Takes the five entry points from the capsules of one module."""
        m = self.modules[name]
        self.create = F(P)(capsule_pointer(m.create_ros_message_msg__msg__features))
        self.destroy = F(None, P)(capsule_pointer(m.destroy_ros_message_msg__msg__features))
        self.from_py_pointer = capsule_pointer(m.convert_from_py_msg__msg__features)
        # PYFUNCTYPE keeps the interpreter lock and takes over the new reference.
        self.convert_to_py = ctypes.PYFUNCTYPE(ctypes.py_object, P)(
            capsule_pointer(m.convert_to_py_msg__msg__features))
        self.type_support = capsule_pointer(m.type_support_msg__msg__features)

    @contextlib.contextmanager
    def record(self):
        pointer = self.create()
        assert pointer
        try:
            yield pointer
        finally:
            self.destroy(pointer)

    def convert_from_py(self, message, pointer):
        """(result, exception): ctypes raises what the conversion left set."""
        result = ctypes.c_bool(True)
        try:
            self.peer_from_py(self.from_py_pointer, message, pointer, ctypes.byref(result))
        except Exception as error:
            return result.value, error
        return result.value, None

    def serialize(self, pointer, big_endian=False):
        size = self.peer_size(self.type_support, pointer)
        out = ctypes.create_string_buffer(size)
        assert self.peer_serialize(self.type_support, pointer, big_endian, out, size) == size
        return out.raw

    def deserialize(self, data, pointer, big_endian=False):
        assert self.peer_deserialize(self.type_support, data, len(data), big_endian, pointer) == 1


@pytest.fixture(scope='session')
def native():
    return Native()


@pytest.fixture(scope='session')
def cv2():
    """OpenCV's Python binding; the test is skipped without it."""
    return pytest.importorskip('cv2', reason="cv2 does not import (Debian's python3-opencv)")


@pytest.fixture(scope='session')
def stereo_data():
    """The folder of the real stereo pair; the test is skipped without it."""
    folder = os.environ.get('PELMORA_STEREO_DATA_DIR')
    if not folder:
        pytest.skip('PELMORA_STEREO_DATA_DIR was not configured')
    return folder

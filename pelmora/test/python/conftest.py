"""Shared fixtures: the package's capsules called through ctypes, the C
libraries, the stand-in middleware, the shared wire vectors, OpenCV and the
stereo pair. CTest sets PYTHONPATH to the build's package folder and
tests/common (the field lists), and the PELMORA_* paths."""

import array
import contextlib
import ctypes
import importlib
import os
import sys
from pathlib import Path

import pytest
from features_fields import FLOAT_FIELDS, SCALAR_FIELDS, SEQUENCE_FIELDS, UINT32_FIELDS  # noqa: F401
ALL_MODULES = tuple('pelmora_s__rosidl_typesupport_' + f for f in ('c', 'fastrtps_c', 'introspection_c'))

P, F = ctypes.c_void_p, ctypes.CFUNCTYPE
# The modules of pelmora-stereo-match, which their tests import.
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / 'tools' / 'stereo_match'))


class Record(ctypes.Structure):
    """pelmora__msg__Features: two uint32, then eight (data, size, capacity)."""
    _fields_ = ([(n, ctypes.c_uint32) for n in SCALAR_FIELDS]
                + [(n, ctypes.c_size_t * 3) for n in SEQUENCE_FIELDS])

    def raw(self, field):
        data, size, _ = getattr(self, field)
        return ctypes.string_at(data, size * 4) if size else b''


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


def read_vectors(path):
    """The shared wire vectors (format: tests/vectors/make_vectors.py)."""
    vectors = []
    for line in Path(path).read_text().splitlines():
        key, _, rest = line.partition(' ')
        if key == 'vector':
            vectors.append({'name': rest})
        elif key == 'scalars':
            vectors[-1].update(zip(SCALAR_FIELDS, map(int, rest.split())))
        elif key in SEQUENCE_FIELDS:
            vectors[-1][key] = [int(w, 16) for w in rest.split()[1:]]
        elif key in ('le', 'be'):
            vectors[-1][key] = bytes.fromhex(rest)
    return vectors


VECTORS = read_vectors(Path(__file__).resolve().parents[1] / 'vectors' / 'features_vectors.txt')


def vector(name):
    return next(v for v in VECTORS if v['name'] == name)


def features_from_vector(v):
    """A Features message holding the vector's words exactly (float fields
    take them as bit patterns, signalling NaNs included)."""
    from pelmora.msg import Features
    message = Features(**{f: v[f] for f in SCALAR_FIELDS + UINT32_FIELDS})
    for field in FLOAT_FIELDS:
        getattr(message, field).frombytes(array.array('I', v[field]).tobytes())
    return message


def assert_same_message(actual, expected):
    """Equal scalars and the same typecode and bytes in every sequence."""
    def key(m):
        return ([getattr(m, f) for f in SCALAR_FIELDS]
                + [(getattr(m, f).typecode, getattr(m, f).tobytes()) for f in SEQUENCE_FIELDS])
    assert key(actual) == key(expected)

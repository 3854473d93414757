"""Shared fixtures of the Python tests: the package's modules and capsules,
the C libraries reached through ctypes, the stand-in middleware and the
shared wire vectors.

CTest sets PYTHONPATH to the build's Python package folder and passes the
paths below in the environment.
"""

import array
import contextlib
import ctypes
import importlib
import os
from pathlib import Path

import pytest

UINT32_FIELDS = ('descriptor', 'uniqueid', 'isrightimage', 'patternzise', 'confidence')
FLOAT_FIELDS = ('x', 'y', 'angle')
SEQUENCE_FIELDS = UINT32_FIELDS + FLOAT_FIELDS
SCALAR_FIELDS = ('keypointnumber', 'descriptorsize')
CAPSULE_NAMES = (
    'create_ros_message_msg__msg__features',
    'destroy_ros_message_msg__msg__features',
    'convert_from_py_msg__msg__features',
    'convert_to_py_msg__msg__features',
    'type_support_msg__msg__features',
)
ALL_MODULES = (
    'pelmora_s__rosidl_typesupport_c',
    'pelmora_s__rosidl_typesupport_fastrtps_c',
    'pelmora_s__rosidl_typesupport_introspection_c',
)


class Sequence(ctypes.Structure):
    _fields_ = [('data', ctypes.c_void_p), ('size', ctypes.c_size_t), ('capacity', ctypes.c_size_t)]


class Record(ctypes.Structure):
    """pelmora__msg__Features as laid out in C."""
    _fields_ = ([(name, ctypes.c_uint32) for name in SCALAR_FIELDS]
                + [(name, Sequence) for name in SEQUENCE_FIELDS])

    def sequence_bytes(self, field):
        sequence = getattr(self, field)
        return ctypes.string_at(sequence.data, sequence.size * 4) if sequence.size else b''

    def uint32s(self, field):
        return list(array.array('I', self.sequence_bytes(field)))

    def floats(self, field):
        return list(array.array('f', self.sequence_bytes(field)))


def _env_path(name):
    value = os.environ.get(name)
    if not value:
        pytest.fail('%s is not set: run the Python tests through ctest' % name)
    return Path(value)


class Native:
    """The package's C side as the tests reach it."""

    def __init__(self):
        names = os.environ.get('PELMORA_PY_MODULES', ','.join(ALL_MODULES)).split(',')
        self.modules = {name: importlib.import_module('pelmora.' + name) for name in names}
        lib_dir = _env_path('PELMORA_LIB_DIR')
        self.c_library = ctypes.CDLL(str(lib_dir / 'libpelmora__rosidl_generator_c.so'))
        self.dispatcher_library = ctypes.CDLL(str(lib_dir / 'libpelmora__rosidl_typesupport_c.so'))
        self.peer = ctypes.PyDLL(str(_env_path('PELMORA_TEST_PEER')))

        for function in ('pelmora__msg__Features__create',):
            getattr(self.c_library, function).restype = ctypes.c_void_p
        self.c_library.pelmora__msg__Features__are_equal.restype = ctypes.c_bool
        self.c_library.pelmora__msg__Features__are_equal.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.c_library.pelmora__msg__Features__destroy.argtypes = [ctypes.c_void_p]
        getter = self.dispatcher_library.rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features
        getter.restype = ctypes.c_void_p
        self.dispatcher_handle = getter()

        self.peer.peer_serialized_size.restype = ctypes.c_size_t
        self.peer.peer_serialized_size.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.peer.peer_serialize.restype = ctypes.c_long
        self.peer.peer_serialize.argtypes = [
            ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_size_t]
        self.peer.peer_deserialize.restype = ctypes.c_int
        self.peer.peer_deserialize.argtypes = [
            ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t, ctypes.c_int, ctypes.c_void_p]
        self.peer.peer_call_convert_from_py.restype = None
        self.peer.peer_call_convert_from_py.argtypes = [
            ctypes.c_void_p, ctypes.py_object, ctypes.c_void_p, ctypes.POINTER(ctypes.c_bool)]

        self.use_module(names[0])

    def use_module(self, name):
        """Takes the five entry points from the capsules of one module."""
        module = self.modules[name]
        self.create_ros_message = ctypes.CFUNCTYPE(ctypes.c_void_p)(
            capsule_pointer(module.create_ros_message_msg__msg__features))
        self.destroy_ros_message = ctypes.CFUNCTYPE(None, ctypes.c_void_p)(
            capsule_pointer(module.destroy_ros_message_msg__msg__features))
        self.convert_from_py_pointer = capsule_pointer(module.convert_from_py_msg__msg__features)
        # PYFUNCTYPE keeps the interpreter lock and takes over the new reference.
        self.convert_to_py = ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.c_void_p)(
            capsule_pointer(module.convert_to_py_msg__msg__features))
        self.type_support = capsule_pointer(module.type_support_msg__msg__features)

    @contextlib.contextmanager
    def record(self):
        """A record from the create capsule, destroyed on exit."""
        pointer = self.create_ros_message()
        assert pointer
        try:
            yield pointer
        finally:
            self.destroy_ros_message(pointer)

    @staticmethod
    def fields(pointer):
        return Record.from_address(pointer)

    def convert_from_py(self, message, pointer):
        """Returns (result, exception) of the conversion into the record."""
        result = ctypes.c_bool(True)
        try:
            self.peer.peer_call_convert_from_py(
                self.convert_from_py_pointer, message, pointer, ctypes.byref(result))
        except Exception as error:  # the conversion's own exception, raised by ctypes
            return result.value, error
        return result.value, None

    def serialize(self, pointer, big_endian=False):
        size = self.peer.peer_serialized_size(self.type_support, pointer)
        out = ctypes.create_string_buffer(size)
        written = self.peer.peer_serialize(self.type_support, pointer, int(big_endian), out, size)
        assert written == size
        return out.raw[:written]

    def deserialize(self, data, pointer, big_endian=False):
        buffer = ctypes.create_string_buffer(data, len(data))
        assert self.peer.peer_deserialize(self.type_support, buffer, len(data), int(big_endian), pointer) == 1


def capsule_pointer(capsule, name=None):
    get_pointer = ctypes.pythonapi.PyCapsule_GetPointer
    get_pointer.restype = ctypes.c_void_p
    get_pointer.argtypes = [ctypes.py_object, ctypes.c_char_p]
    return get_pointer(capsule, name)


@pytest.fixture(scope='session')
def native():
    return Native()


def read_vectors(path):
    """Parses the shared wire vectors (format: tests/vectors/make_vectors.py)."""
    vectors, current = [], None
    for line in Path(path).read_text().splitlines():
        if not line or line.startswith('#'):
            continue
        key, _, rest = line.partition(' ')
        words = rest.split()
        if key == 'vector':
            current = {'name': rest}
        elif key == 'scalars':
            current['keypointnumber'], current['descriptorsize'] = (int(w) for w in words)
        elif key in SEQUENCE_FIELDS:
            current[key] = [int(w, 16) for w in words[1:]]
            assert len(current[key]) == int(words[0])
        elif key in ('le', 'be'):
            current[key] = bytes.fromhex(rest)
        elif key == 'end':
            vectors.append(current)
    return vectors


def features_from_vector(vector):
    """A Features message holding exactly the vector's words (float fields
    take the words as binary32 bit patterns, signalling NaNs included)."""
    from pelmora.msg import Features
    message = Features(keypointnumber=vector['keypointnumber'], descriptorsize=vector['descriptorsize'])
    for field in SEQUENCE_FIELDS:
        words = array.array('I', vector[field]).tobytes()
        if field in FLOAT_FIELDS:
            values = array.array('f')
            values.frombytes(words)
            setattr(message, field, values)
        else:
            setattr(message, field, array.array('I', vector[field]))
    return message


VECTORS = read_vectors(Path(__file__).resolve().parents[1] / 'vectors' / 'features_vectors.txt')


def assert_same_message(actual, expected):
    """Equal scalars and the same bytes in every sequence (NaN-safe)."""
    for field in SCALAR_FIELDS:
        assert getattr(actual, field) == getattr(expected, field), field
    for field in SEQUENCE_FIELDS:
        got, want = getattr(actual, field), getattr(expected, field)
        assert (got.typecode, got.tobytes()) == (want.typecode, want.tobytes()), field

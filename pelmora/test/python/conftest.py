"""Helpers of the package's Python tests: the C record's layout and the
shared wire vectors. The fixtures (`native`: the capsules, the C libraries and
the stand-in middleware through ctypes) come from pelmora_testing's
pelmora_fixtures. CTest puts the build's package folder and pelmora_testing's
Python folder on PYTHONPATH and sets the PELMORA_* variables."""

import array
import ctypes
import os
from pathlib import Path

from features_fields import FLOAT_FIELDS, SCALAR_FIELDS, SEQUENCE_FIELDS, UINT32_FIELDS  # noqa: F401
from pelmora_fixtures import ALL_MODULES, capsule_pointer  # noqa: F401

pytest_plugins = ('pelmora_fixtures',)


class Record(ctypes.Structure):
    """pelmora__msg__Features: two uint32, then eight (data, size, capacity)."""
    _fields_ = ([(n, ctypes.c_uint32) for n in SCALAR_FIELDS]
                + [(n, ctypes.c_size_t * 3) for n in SEQUENCE_FIELDS])

    def raw(self, field):
        data, size, _ = getattr(self, field)
        return ctypes.string_at(data, size * 4) if size else b''


def read_vectors(path):
    """The shared wire vectors (format: pelmora_testing's make_vectors.py)."""
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


VECTORS = read_vectors(os.environ['PELMORA_VECTORS_FILE'])


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

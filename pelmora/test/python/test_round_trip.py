"""What a Python peer does: object -> C record -> CDR bytes (through the
C type support that the capsule's handle names) -> C record -> new object,
with the bytes held to the shared wire vectors."""

import array

import pytest

from conftest import ALL_MODULES, VECTORS, assert_same_message, features_from_vector
from pelmora.msg import Features


@pytest.mark.parametrize('module', ALL_MODULES)
@pytest.mark.parametrize('v', VECTORS, ids=[v['name'] for v in VECTORS])
def test_round_trip_matches_wire_vectors(native, module, v):
    native.use_module(module)
    message = features_from_vector(v)
    for big_endian, expected in ((False, v['le']), (True, v['be'])):
        with native.record() as sent:
            assert native.convert_from_py(message, sent) == (True, None)
            assert native.serialize(sent, big_endian) == expected
        with native.record() as received:
            native.deserialize(expected, received, big_endian)
            assert_same_message(native.convert_to_py(received), message)
    native.use_module(ALL_MODULES[0])


def test_million_elements_cross_in_both_directions(native):
    message = Features(descriptor=range(1_000_000), x=array.array('f', range(1_000_000)))
    with native.record() as record:
        assert native.convert_from_py(message, record) == (True, None)
        assert_same_message(native.convert_to_py(record), message)

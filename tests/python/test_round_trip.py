"""What a Python peer does: object -> C record -> CDR bytes -> C record ->
new object, through the capsules and the C type support that the
dispatcher's handle names. The bytes are held to the shared wire vectors."""

import array

import pytest

from conftest import (FLOAT_FIELDS, SEQUENCE_FIELDS, VECTORS, assert_same_message,
                      features_from_vector)


@pytest.mark.parametrize('vector', VECTORS, ids=[v['name'] for v in VECTORS])
def test_round_trip_matches_wire_vectors(native, vector):
    message = features_from_vector(vector)
    for big_endian, expected in ((False, vector['le']), (True, vector['be'])):
        with native.record() as sent:
            assert native.convert_from_py(message, sent) == (True, None)
            assert native.serialize(sent, big_endian) == expected
        with native.record() as received:
            native.deserialize(expected, received, big_endian)
            assert_same_message(native.convert_to_py(received), message)


@pytest.mark.parametrize('module', ['pelmora_s__rosidl_typesupport_fastrtps_c',
                                    'pelmora_s__rosidl_typesupport_introspection_c'])
def test_every_module_carries_the_round_trip(native, module):
    vector = next(v for v in VECTORS if v['name'] == 'worked_example_48')
    native.use_module(module)
    try:
        with native.record() as record:
            assert native.convert_from_py(features_from_vector(vector), record) == (True, None)
            assert native.serialize(record) == vector['le']
    finally:
        native.use_module('pelmora_s__rosidl_typesupport_c')


def test_million_elements_cross_in_both_directions(native):
    from pelmora.msg import Features
    count = 1_000_000
    message = Features(descriptor=range(count), x=array.array('f', range(count)))
    with native.record() as record:
        assert native.convert_from_py(message, record) == (True, None)
        fields = native.fields(record)
        assert fields.descriptor.size == fields.x.size == count
        back = native.convert_to_py(record)
    assert_same_message(back, message)


def test_c_to_python_to_c_keeps_counts_and_bytes(native):
    vector = next(v for v in VECTORS if v['name'] == 'special_floats')
    with native.record() as received:
        native.deserialize(vector['le'], received)
        message = native.convert_to_py(received)
        with native.record() as again:
            assert native.convert_from_py(message, again) == (True, None)
            first, second = native.fields(received), native.fields(again)
            for field in SEQUENCE_FIELDS:
                assert first.sequence_bytes(field) == second.sequence_bytes(field), field
            assert (second.keypointnumber, second.descriptorsize) == (0, 4294967295)
    assert {f: len(getattr(message, f)) for f in FLOAT_FIELDS} == {'x': 5, 'y': 3, 'angle': 1}

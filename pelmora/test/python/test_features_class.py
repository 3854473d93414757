"""The Features class: construction, validation on assignment, bulk paths."""

import array

import pytest

from conftest import FLOAT_FIELDS, SCALAR_FIELDS, SEQUENCE_FIELDS
from pelmora.msg import Features

numpy = pytest.importorskip('numpy')


def test_fresh_object_is_what_the_conversions_rely_on():
    message = Features()
    assert (type(message).__module__, type(message).__name__) == ('pelmora.msg._features', 'Features')
    assert (message.keypointnumber, message.descriptorsize) == (0, 0)
    for field in SEQUENCE_FIELDS:
        value = getattr(message, field)
        assert (type(value), value.itemsize, len(value)) == (array.array, 4, 0)
        assert value.typecode == ('f' if field in FLOAT_FIELDS else 'I')
        assert getattr(message, field) is value, 'reading returns the array held'


def test_constructor_equality_repr_slots_and_field_listing():
    message = Features(keypointnumber=2, descriptorsize=3, descriptor=range(100), uniqueid=[1],
                       isrightimage=[1], patternzise=[1], confidence=[1], x=[0.5], y=[1], angle=[2.5])
    assert message == Features(**{f: getattr(message, f) for f in SCALAR_FIELDS + SEQUENCE_FIELDS})
    assert message != Features() and Features() != object()
    assert repr(message).startswith('pelmora.msg.Features(keypointnumber=2, descriptorsize=3, '
                                    "descriptor=array('I', [0, 1, 2, 3, 4, 5, 6, 7, ...<92 more>]), ")
    # Spelled out here: the other tests take their field lists from this listing.
    assert list(Features.get_fields_and_field_types().items()) == (
        [('keypointnumber', 'uint32'), ('descriptorsize', 'uint32')]
        + [(f, 'sequence<uint32>') for f in ('descriptor', 'uniqueid', 'isrightimage', 'patternzise', 'confidence')]
        + [(f, 'sequence<float>') for f in ('x', 'y', 'angle')])
    assert Features.get_fields_and_field_types()['x'] == 'sequence<float>'
    for bad_call in (lambda: Features(1), lambda: Features(unknown=1)):
        with pytest.raises(TypeError):
            bad_call()
    with pytest.raises(AttributeError):
        message.extra = 1


def test_accepted_values():
    kept = array.array('I', [1, 2])
    message = Features(keypointnumber=True, descriptorsize=4294967295, descriptor=kept,
                       uniqueid=(1, 2), confidence=range(3), y=[1, 2.5],
                       x=memoryview(array.array('f', [1.5])),
                       isrightimage=numpy.arange(12, dtype=numpy.uint32).reshape(3, 4)[:, 1],
                       angle=numpy.float32([[0.25], [0.5]]))
    assert message.descriptor is kept, 'a matching array is kept, not copied'
    assert (message.keypointnumber, message.descriptorsize) == (1, 4294967295)
    assert [list(getattr(message, f)) for f in ('uniqueid', 'confidence', 'y', 'x', 'isrightimage', 'angle')] \
        == [[1, 2], [0, 1, 2], [1.0, 2.5], [1.5], [1, 5, 9], [0.25, 0.5]]


@pytest.mark.parametrize('field, value, error', [
    ('keypointnumber', -1, OverflowError), ('keypointnumber', 2**32, OverflowError),
    ('descriptorsize', 1.0, TypeError), ('descriptorsize', None, TypeError),
    ('descriptor', [1, -1], OverflowError), ('descriptor', [2**32], OverflowError),
    ('descriptor', [1.5], TypeError), ('x', ['a'], TypeError), ('x', 'abc', TypeError),
    ('angle', 5, TypeError), ('uniqueid', array.array('i', [1]), TypeError),
    ('x', array.array('I', [1]), TypeError),
    ('isrightimage', b'\x01\x00\x00\x00', TypeError), ('isrightimage', memoryview(array.array('q', [1])), TypeError),
    ('patternzise', numpy.uint32(3), TypeError)]
    + [('descriptor', numpy.zeros(2, dtype), TypeError) for dtype in ('int64', 'int32', '>u4', 'float32')]
    + [('y', numpy.zeros(2, dtype), TypeError) for dtype in ('uint32', '>f8', '>f4', 'longdouble')]
    + [('uniqueid', numpy.zeros(2, 'float64'), TypeError), ('x', [1e40], ValueError), ('x', [10**400], ValueError)])
def test_refused_values_name_the_field_and_change_nothing(field, value, error):
    message = Features()
    before = getattr(message, field)
    with pytest.raises(error, match=field):
        setattr(message, field, value)
    assert getattr(message, field) is before

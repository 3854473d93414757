"""The Features message class: construction, validation on assignment, the
bulk paths and what the C conversions rely on."""

import array

import pytest

from conftest import FLOAT_FIELDS, SCALAR_FIELDS, SEQUENCE_FIELDS, UINT32_FIELDS
from pelmora.msg import Features


def test_class_identity_is_what_the_conversions_check():
    assert (Features.__module__, Features.__name__) == ('pelmora.msg._features', 'Features')


def test_fresh_object_holds_empty_four_byte_arrays():
    message = Features()
    assert (message.keypointnumber, message.descriptorsize) == (0, 0)
    for field in SEQUENCE_FIELDS:
        value = getattr(message, field)
        assert type(value) is array.array and value.itemsize == 4 and len(value) == 0
        assert value.typecode == ('f' if field in FLOAT_FIELDS else 'I')
        assert getattr(message, field) is value, 'reading returns the array held'


def test_keyword_constructor_takes_all_ten_fields():
    values = {**{f: 3 for f in SCALAR_FIELDS}, **{f: [1] for f in UINT32_FIELDS},
              **{f: [0.5] for f in FLOAT_FIELDS}}
    message = Features(**values)
    assert all(list(getattr(message, f)) == v if f in SEQUENCE_FIELDS else getattr(message, f) == v
               for f, v in values.items())
    with pytest.raises(TypeError):
        Features(1)
    with pytest.raises(TypeError):
        Features(unknown=1)


def test_slots_refuse_other_attributes():
    with pytest.raises(AttributeError):
        Features().descriptor_count = 1


def test_equality_compares_every_field():
    assert Features(descriptor=[1], x=[2.0]) == Features(descriptor=(1,), x=array.array('f', [2]))
    assert Features(angle=[1.0]) != Features(angle=[1.5])
    assert Features(keypointnumber=1) != Features()
    assert Features() != object()


def test_repr_names_fields_and_shortens_long_arrays():
    text = repr(Features(keypointnumber=2, descriptor=range(100)))
    assert text.startswith('pelmora.msg.Features(keypointnumber=2, descriptorsize=0, ')
    assert "descriptor=array('I', [0, 1, 2, 3, 4, 5, 6, 7, ...<92 more>])" in text
    assert "angle=array('f'))" in text


def test_fields_and_types_are_listed_in_message_order():
    fields = Features.get_fields_and_field_types()
    assert list(fields) == list(SCALAR_FIELDS + SEQUENCE_FIELDS)
    assert set(fields.values()) == {'uint32', 'sequence<uint32>', 'sequence<float>'}
    fields.clear()
    assert Features.get_fields_and_field_types(), 'a copy is returned'


class TestScalarAssignment:
    @pytest.mark.parametrize('value', [0, 4294967295, True])
    def test_uint32_range_is_accepted(self, value):
        assert Features(descriptorsize=value).descriptorsize == value

    @pytest.mark.parametrize('value', [-1, 2**32])
    def test_out_of_range_is_refused_naming_the_field(self, value):
        with pytest.raises(OverflowError, match='keypointnumber'):
            Features().keypointnumber = value

    @pytest.mark.parametrize('value', [1.0, '1', None])
    def test_non_integer_is_refused_naming_the_field(self, value):
        with pytest.raises(TypeError, match='descriptorsize'):
            Features().descriptorsize = value


class TestSequenceAssignment:
    def test_matching_array_is_kept_not_copied(self):
        values = array.array('I', [1, 2])
        message = Features(descriptor=values)
        assert message.descriptor is values

    @pytest.mark.parametrize('field, value', [
        ('descriptor', array.array('i', [1])), ('x', array.array('d', [1.0])),
        ('x', array.array('I', [1]))])
    def test_array_of_other_typecode_is_refused(self, field, value):
        with pytest.raises(TypeError, match=field):
            setattr(Features(), field, value)

    def test_lists_tuples_and_iterables_are_converted(self):
        message = Features(uniqueid=(1, 2), confidence=range(3), y=[1, 2.5])
        assert list(message.uniqueid) == [1, 2] and list(message.confidence) == [0, 1, 2]
        assert list(message.y) == [1.0, 2.5]

    @pytest.mark.parametrize('field, value, error', [
        ('descriptor', [1, -1], OverflowError), ('descriptor', [2**32], OverflowError),
        ('descriptor', [1.5], TypeError), ('x', ['a'], TypeError), ('x', 'abc', TypeError),
        ('descriptor', 'abc', TypeError), ('angle', 5, TypeError)])
    def test_bad_values_are_refused_naming_the_field(self, field, value, error):
        message = Features()
        with pytest.raises(error, match=field):
            setattr(message, field, value)
        assert len(getattr(message, field)) == 0, 'a refused value leaves the field alone'

    def test_memoryview_of_matching_format_is_copied(self):
        source = array.array('f', [1.5, -2.0])
        message = Features(x=memoryview(source))
        assert list(message.x) == [1.5, -2.0] and message.x is not source

    @pytest.mark.parametrize('value', [b'\x01\x00\x00\x00', bytearray(8),
                                       memoryview(array.array('q', [1])),
                                       memoryview(array.array('i', [1]))])
    def test_buffer_of_other_format_is_refused_not_reinterpreted(self, value):
        with pytest.raises(TypeError, match='isrightimage'):
            Features(isrightimage=value)

    def test_numpy_buffers_of_matching_dtype_are_taken(self):
        numpy = pytest.importorskip('numpy')
        grid = numpy.arange(12, dtype=numpy.uint32).reshape(3, 4)
        message = Features(descriptor=grid, patternzise=grid[:, 1], x=numpy.float32([0.25]))
        assert list(message.descriptor) == list(range(12))
        assert list(message.patternzise) == [1, 5, 9]
        assert list(message.x) == [0.25]

    @pytest.mark.parametrize('dtype', ['int64', 'float64', 'int32', '>u4', 'uint16'])
    def test_numpy_buffers_of_other_dtype_are_refused(self, dtype):
        numpy = pytest.importorskip('numpy')
        with pytest.raises(TypeError, match='descriptor'):
            Features(descriptor=numpy.zeros(2, dtype=dtype))
        with pytest.raises(TypeError, match='x'):
            Features(x=numpy.zeros(2, dtype=dtype))

    def test_zero_dimensional_buffer_is_refused(self):
        numpy = pytest.importorskip('numpy')
        with pytest.raises(TypeError, match='uniqueid'):
            Features(uniqueid=numpy.uint32(3))

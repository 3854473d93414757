"""Python-to-C conversion: the class check, the buffer and generic paths,
and every failure with the result false and its exception."""

import array
import math
import struct
import sys
import types

import pytest

from conftest import FLOAT_FIELDS, SCALAR_FIELDS, SEQUENCE_FIELDS, UINT32_FIELDS

MISSING = object()


def plain_message(class_name='Features', module='pelmora.msg._features', **values):
    """An object of a class that formats as <module>.<class_name> with plain
    attributes (no validation), so the generic path can be reached."""
    message = type(class_name, (), {'__module__': module})()
    fields = dict.fromkeys(SCALAR_FIELDS, 0)
    fields.update({field: [] for field in SEQUENCE_FIELDS})
    fields.update(values)
    for name, value in fields.items():
        if value is not MISSING:
            setattr(message, name, value)
    return message


def bits(value):
    return struct.unpack('<I', struct.pack('<f', value))[0]


@pytest.fixture
def convert(native):
    """Converts into a fresh record; returns (result, exception, fields).

    The fields are copied out before the record is destroyed."""
    def run(message):
        with native.record() as pointer:
            result, error = native.convert_from_py(message, pointer)
            fields = native.fields(pointer)
            snapshot = types.SimpleNamespace(
                **{name: getattr(fields, name) for name in SCALAR_FIELDS},
                **{name: fields.sequence_bytes(name) for name in SEQUENCE_FIELDS})
        assert result == (error is None), 'false exactly when an exception is set'
        return result, error, snapshot
    return run


def words(data, typecode='I'):
    return list(array.array(typecode, data))


class TestClassCheck:
    def test_empty_message_converts_to_eight_empty_sequences(self, convert):
        from pelmora.msg import Features
        result, _, fields = convert(Features())
        assert result
        assert all(getattr(fields, name) == b'' for name in SEQUENCE_FIELDS)

    def test_only_first_30_characters_of_class_name_count(self, convert):
        assert convert(plain_message('FeaturesV2'))[0]
        result, error, _ = convert(plain_message('Feature'))
        assert not result and isinstance(error, TypeError)
        assert 'pelmora.msg._features.Feature' in str(error)

    def test_class_of_another_module_is_refused(self, convert):
        result, error, _ = convert(plain_message(module='pelmora.msg._other'))
        assert not result and isinstance(error, TypeError)

    def test_non_str_class_name_is_refused_with_type_error(self, convert):
        class Impostor:
            __class__ = types.SimpleNamespace(__name__=5, __module__='pelmora.msg._features')
        result, error, _ = convert(Impostor())
        assert not result and isinstance(error, TypeError)

    def test_missing_class_attributes_keep_lookup_error(self, convert):
        class NoModule:
            __class__ = types.SimpleNamespace(__name__='Features')
        result, error, _ = convert(NoModule())
        assert not result and isinstance(error, AttributeError) and '__module__' in str(error)

    @pytest.mark.parametrize('field', SCALAR_FIELDS + SEQUENCE_FIELDS)
    def test_missing_field_keeps_lookup_error(self, convert, field):
        result, error, _ = convert(plain_message(**{field: MISSING}))
        assert not result and isinstance(error, AttributeError) and field in str(error)


class TestScalars:
    @pytest.mark.parametrize('value, stored', [
        (0, 0), (4294967295, 4294967295), (2**32, 0), (2**32 + 5, 5), (2**64 - 1, 4294967295),
        (True, 1), (False, 0)])
    def test_low_32_bits_are_stored(self, convert, value, stored):
        result, _, fields = convert(plain_message(keypointnumber=value, descriptorsize=value))
        assert result and fields.keypointnumber == fields.descriptorsize == stored

    @pytest.mark.parametrize('value', [-1, 2**64])
    def test_value_beyond_unsigned_long_ends_with_overflow_error(self, convert, value):
        result, error, fields = convert(plain_message(keypointnumber=value, descriptor=[7]))
        assert not result and isinstance(error, OverflowError)
        assert fields.descriptor == b'', 'nothing after the failing field is converted'

    @pytest.mark.parametrize('value', [1.0, '1', None])
    def test_non_int_is_refused_naming_the_field(self, convert, value):
        result, error, _ = convert(plain_message(descriptorsize=value))
        assert not result and isinstance(error, TypeError) and 'descriptorsize' in str(error)


class TestGenericPath:
    def test_list_and_tuple_give_the_same_sequence(self, convert):
        from_list = convert(plain_message(uniqueid=[1, 2, 4294967295]))[2].uniqueid
        from_tuple = convert(plain_message(uniqueid=(1, 2, 4294967295)))[2].uniqueid
        assert from_list == from_tuple and words(from_list) == [1, 2, 4294967295]

    def test_bool_items_give_one_and_zero(self, convert):
        assert words(convert(plain_message(confidence=[True, False]))[2].confidence) == [1, 0]

    def test_items_keep_low_32_bits_and_refuse_negative(self, convert):
        assert words(convert(plain_message(descriptor=[2**32 + 5]))[2].descriptor) == [5]
        result, error, _ = convert(plain_message(descriptor=[1, -1]))
        assert not result and isinstance(error, OverflowError)

    def test_generator_is_refused_for_having_no_length(self, convert):
        result, error, _ = convert(plain_message(descriptor=(i for i in range(3))))
        assert not result and isinstance(error, TypeError)

    def test_str_fails_at_its_first_item(self, convert):
        result, error, _ = convert(plain_message(patternzise='12'))
        assert not result and isinstance(error, TypeError)
        assert "'patternzise' item 0 must be an int, not str" == str(error)

    @pytest.mark.parametrize('field', SEQUENCE_FIELDS)
    def test_non_iterable_gets_the_field_text(self, convert, field):
        result, error, _ = convert(plain_message(**{field: 5}))
        assert not result and isinstance(error, TypeError)
        assert str(error) == "expected a sequence in '%s'" % field

    @pytest.mark.parametrize('field', FLOAT_FIELDS)
    def test_int_item_in_float_field_is_refused(self, convert, field):
        result, error, _ = convert(plain_message(**{field: [1.0, 2]}))
        assert not result and isinstance(error, TypeError)
        assert str(error) == "'%s' item 1 must be a float, not int" % field

    def test_float_items_narrow_to_nearest_binary32(self, convert):
        class Real(float):
            pass
        values = [0.1, 1e39, -1e39, math.nan, Real(1.5), -0.0]
        fields = convert(plain_message(y=values))[2]
        got = words(fields.y)
        assert got[0] == bits(0.1) == 0x3dcccccd
        assert got[1:3] == [0x7f800000, 0xff800000]
        assert math.isnan(words(fields.y, 'f')[3])
        assert got[4:] == [bits(1.5), 0x80000000]

    def test_int_subclass_items_are_accepted(self, convert):
        class Count(int):
            pass
        assert words(convert(plain_message(isrightimage=[Count(3)]))[2].isrightimage) == [3]

    def test_length_beyond_items_is_refused_without_reading_past_them(self, convert):
        class Liar:
            def __len__(self):
                return 4

            def __iter__(self):
                return iter([1, 2])
        result, error, _ = convert(plain_message(descriptor=Liar()))
        assert not result and isinstance(error, ValueError) and 'descriptor' in str(error)

    @pytest.mark.parametrize('field, text', [
        ('confidence', 'unable to create uint32__Sequence ros_message'),
        ('angle', 'unable to create float__Sequence ros_message')])
    def test_storage_failure_sets_runtime_error(self, convert, field, text):
        class Huge:
            def __len__(self):
                return 2**60

            def __iter__(self):
                return iter(())
        result, error, _ = convert(plain_message(**{field: Huge()}))
        assert not result and isinstance(error, RuntimeError) and str(error) == text

    def test_fields_before_a_failure_keep_their_values(self, convert):
        result, _, fields = convert(plain_message(
            keypointnumber=9, descriptor=[1], uniqueid=[2], isrightimage=['bad'], patternzise=[3]))
        assert not result
        assert fields.keypointnumber == 9
        assert (words(fields.descriptor), words(fields.uniqueid)) == ([1], [2])
        assert fields.patternzise == b''


class TestBufferPath:
    def test_uint32_array_is_copied(self, convert):
        assert words(convert(plain_message(descriptor=array.array('I', [1, 2, 3])))[2].descriptor) == [1, 2, 3]

    def test_item_format_is_not_examined(self, convert):
        wide = array.array('Q', [1, 2**32 + 2])
        fields = convert(plain_message(uniqueid=wide))[2]
        assert fields.uniqueid == wide.tobytes() and len(words(fields.uniqueid)) == 4

    def test_bytes_are_read_in_machine_order(self, convert):
        data = bytes(range(1, 9))
        fields = convert(plain_message(descriptor=data, x=bytearray(data)))[2]
        assert words(fields.descriptor) == list(struct.unpack('=II', data))
        assert fields.x == data

    def test_partial_element_is_refused(self, convert):
        result, error, _ = convert(plain_message(descriptor=b'1234567'))
        assert not result and isinstance(error, ValueError)
        assert str(error) == "'descriptor' takes whole 4-byte elements, got a buffer of 7 bytes"

    def test_buffer_that_cannot_be_had_keeps_its_error(self, convert):
        strided = memoryview(array.array('I', range(6)))[::2]
        result, error, _ = convert(plain_message(angle=strided))
        assert not result and error is not None

    def test_float_array_bytes_move_unchanged(self, convert):
        values = array.array('I', [0x7f800001, 0xffa5a5a5])
        floats = array.array('f')
        floats.frombytes(values.tobytes())
        assert convert(plain_message(x=floats))[2].x == values.tobytes()


def test_conversion_stays_usable_after_failures(convert):
    assert not convert(plain_message(descriptor='x'))[0]
    assert convert(plain_message(descriptor=[1]))[0]
    assert sys.exc_info() == (None, None, None)

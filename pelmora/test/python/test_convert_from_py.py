"""Python-to-C conversion: the class check, the buffer and generic paths,
and every failure: false, with the exception that says why."""

import array
import math
import struct
import types

import pytest

from conftest import SCALAR_FIELDS, SEQUENCE_FIELDS, Record

MISSING = object()


def plain(class_name='Features', module='pelmora.msg._features', **values):
    """An object whose class formats as <module>.<class_name>, holding plain
    unvalidated attributes, so every path of the conversion can be reached."""
    message = type(class_name, (), {'__module__': module})()
    fields = {**dict.fromkeys(SCALAR_FIELDS, 0), **{f: [] for f in SEQUENCE_FIELDS}, **values}
    for name, value in fields.items():
        if value is not MISSING:
            setattr(message, name, value)
    return message


class Impostor:
    __class__ = types.SimpleNamespace(__name__=5, __module__='pelmora.msg._features')


class Sized:
    """Iterates `items` but claims `length` items."""
    def __init__(self, length, items=()):
        self.length, self.items = length, items

    def __len__(self):
        return self.length

    def __iter__(self):
        return iter(self.items)


def bits(*values):
    return list(struct.unpack('<%dI' % len(values), struct.pack('<%df' % len(values), *values)))


class Real(float):
    pass


SUCCESSES = {  # name: (message, field, words stored in that field)
    'FeaturesV2 passes, only 30 characters count': (plain('FeaturesV2', descriptor=[1]), 'descriptor', [1]),
    'low 32 bits of a scalar': (plain(keypointnumber=2**32 + 5), 'keypointnumber', 5),
    '2**32 scalar stores 0': (plain(descriptorsize=2**32), 'descriptorsize', 0),
    'bool scalar': (plain(keypointnumber=True), 'keypointnumber', 1),
    'list': (plain(uniqueid=[1, 2**32 - 1]), 'uniqueid', [1, 2**32 - 1]),
    'tuple': (plain(uniqueid=(1, 2**32 - 1)), 'uniqueid', [1, 2**32 - 1]),
    'bool and big items': (plain(confidence=[True, False, 2**32 + 5]), 'confidence', [1, 0, 5]),
    'floats narrowed to nearest binary32': (
        plain(y=[0.1, 1e39, -1e39, Real(1.5), -0.0]), 'y',
        [0x3dcccccd, 0x7f800000, 0xff800000] + bits(1.5) + [0x80000000]),
    'uint32 array by buffer': (plain(descriptor=array.array('I', [1, 2, 3])), 'descriptor', [1, 2, 3]),
    '8-byte items taken as raw bytes': (
        plain(uniqueid=array.array('Q', [1, 2**32 + 2])), 'uniqueid',
        list(array.array('I', array.array('Q', [1, 2**32 + 2]).tobytes()))),
    'bytes in machine order': (plain(x=bytes(range(1, 9))), 'x', list(struct.unpack('=II', bytes(range(1, 9))))),
}

FAILURES = {  # name: (message, exception type, text or None)
    'class name Feature': (plain('Feature'), TypeError,
                           'expected a pelmora.msg._features.Features message, got pelmora.msg._features.Feature'),
    'class of another module': (plain(module='pelmora.msg.other'), TypeError, None),
    'non-str class name': (Impostor(), TypeError, None),
    'missing field': (plain(angle=MISSING), AttributeError, None),
    'float scalar': (plain(descriptorsize=1.0), TypeError, "'descriptorsize' must be an int, not float"),
    'negative scalar': (plain(keypointnumber=-1, descriptor=[7]), OverflowError, None),
    'scalar of 2**64': (plain(keypointnumber=2**64), OverflowError, None),
    'negative item': (plain(descriptor=[1, -1]), OverflowError, None),
    'generator': (plain(descriptor=(i for i in range(3))), TypeError, "object of type 'generator' has no len()"),
    'str': (plain(patternzise='12'), TypeError, "'patternzise' item 0 must be an int, not str"),
    'non-iterable': (plain(isrightimage=5), TypeError, "expected a sequence in 'isrightimage'"),
    'non-iterable float field': (plain(angle=5), TypeError, "expected a sequence in 'angle'"),
    'int in a float field': (plain(x=[1.0, 2]), TypeError, "'x' item 1 must be a float, not int"),
    'length beyond items': (plain(descriptor=Sized(4, [1, 2])), ValueError,
                            "'descriptor' reports 4 items but yields only 2"),
    'uint32 storage': (plain(confidence=Sized(2**60)), RuntimeError, 'unable to create uint32__Sequence ros_message'),
    'float storage': (plain(angle=Sized(2**60)), RuntimeError, 'unable to create float__Sequence ros_message'),
    'partial element': (plain(descriptor=b'1234567'), ValueError,
                        "'descriptor' takes whole 4-byte elements, got a buffer of 7 bytes"),
    'buffer that cannot be had': (plain(y=memoryview(array.array('f', range(4)))[::2]), BufferError, None),
}


@pytest.fixture
def convert(native):
    """Converts into a fresh record: (result, exception, copy of the record)."""
    def run(message):
        with native.record() as pointer:
            result, error = native.convert_from_py(message, pointer)
            record = Record.from_address(pointer)
            copy = {**{f: getattr(record, f) for f in SCALAR_FIELDS},
                    **{f: list(array.array('I', record.raw(f))) for f in SEQUENCE_FIELDS}}
        assert result == (error is None), 'false exactly when an exception is set'
        return result, error, copy
    return run


@pytest.mark.parametrize('name', SUCCESSES)
def test_converts(convert, name):
    message, field, expected = SUCCESSES[name]
    result, _, record = convert(message)
    assert result and record[field] == expected


def test_features_object_with_empty_sequences_converts(convert):
    from pelmora.msg import Features
    result, _, record = convert(Features(descriptorsize=9))
    assert result and record == {**dict.fromkeys(SEQUENCE_FIELDS, []), 'keypointnumber': 0, 'descriptorsize': 9}


def test_nan_stays_nan(convert):
    word = convert(plain(x=[math.nan]))[2]['x'][0]
    assert math.isnan(struct.unpack('=f', struct.pack('=I', word))[0])


@pytest.mark.parametrize('name', FAILURES)
def test_fails_with_reason(convert, name):
    message, error_type, text = FAILURES[name]
    result, error, _ = convert(message)
    assert not result and type(error) is error_type
    assert text is None or str(error) == text


def test_failure_keeps_earlier_fields_and_skips_later_ones(convert):
    record = convert(plain(keypointnumber=9, descriptor=[1], isrightimage=['bad'], patternzise=[3]))[2]
    assert (record['keypointnumber'], record['descriptor'], record['patternzise']) == (9, [1], [])

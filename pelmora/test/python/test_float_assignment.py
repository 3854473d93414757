"""Assignment to the float32 fields: floats of any width are rounded to
float32 as a list of them would be; a finite value that rounds beyond the
float32 range is refused, never stored as an infinity.

Expected bit patterns come from IEEE 754 arithmetic written out here
(math.ldexp), not from the class's own conversion."""

import array
import math
import struct

import pytest

from conftest import FLOAT_FIELDS
from pelmora.msg import Features

numpy = pytest.importorskip('numpy')

FLT_MAX = math.ldexp(2 - 2**-23, 127)                   # 0x7f7fffff
OVERFLOW_EDGE = math.ldexp(1, 128) - math.ldexp(1, 103)  # halfway from FLT_MAX to 2**128
BELOW_EDGE = math.nextafter(OVERFLOW_EDGE, 0)


def bits(message, field):
    return list(struct.unpack('<%dI' % len(getattr(message, field)), getattr(message, field).tobytes()))


@pytest.mark.parametrize('field', FLOAT_FIELDS)
@pytest.mark.parametrize('shape', ['list', 'generator', 'array_d', 'float64', 'float64_2d', 'float64_strided'])
def test_every_float_source_rounds_like_a_list(field, shape):
    values = [0.1, -2.5, 1e-46, -1e-46, math.ldexp(1, -149), BELOW_EDGE, -FLT_MAX,
              math.inf, -math.inf, 16777217.0]
    expected = [0x3dcccccd, 0xc0200000, 0, 0x80000000, 1, 0x7f7fffff, 0xff7fffff,
                0x7f800000, 0xff800000, 0x4b800000]
    source = {
        'list': lambda: values,
        'generator': lambda: (v for v in values),
        'array_d': lambda: array.array('d', values),
        'float64': lambda: numpy.array(values),
        'float64_2d': lambda: numpy.array(values).reshape(2, 5),
        'float64_strided': lambda: numpy.array([[v, 7.0] for v in values])[:, 0],
    }[shape]()
    message = Features(**{field: source})
    assert getattr(message, field).typecode == 'f'
    assert bits(message, field) == expected


def test_nan_and_half_precision_and_float32_buffers():
    message = Features(x=[math.nan], y=numpy.float16([0.5, 65504, -math.inf]),
                       angle=numpy.float32([3.5]))
    assert math.isnan(message.x[0])
    assert bits(message, 'y') == [0x3f000000, 0x477fe000, 0xff800000]
    assert bits(message, 'angle') == [0x40600000]


@pytest.mark.parametrize('value, index', [
    ([OVERFLOW_EDGE], 0), ([-OVERFLOW_EDGE], 0), ([0.5, 1e40], 1), ([math.inf, 2.0, -1e39], 2),
    ([10**39], 0), ((v for v in [0.0, 1e300]), 1), (numpy.array([1.0, 2.0, 3e38, 4e38]), 3),
    (array.array('d', [-1e40]), 0)])
def test_finite_values_beyond_float32_are_refused_by_name_and_index(value, index):
    message = Features(x=[9.0])
    before = message.x
    with pytest.raises(ValueError, match=r"'x' item %d .* outside the float32 range" % index):
        message.x = value
    assert message.x is before and list(before) == [9.0]


def test_bytes_of_an_infinity_across_two_items_are_not_an_infinity():
    # Items 0x00001234 (a subnormal) and 0x3f807f80 (about 1.0039): stored
    # little-endian they read 34 12 00 00 80 7f 80 3f, with an infinity's
    # bytes 00 00 80 7f across the item boundary.
    pair = list(struct.unpack('<2f', struct.pack('<2I', 0x00001234, 0x3f807f80)))
    assert struct.pack('<f', math.inf) in struct.pack('<2I', 0x00001234, 0x3f807f80)
    message = Features(y=pair)
    assert bits(message, 'y') == [0x00001234, 0x3f807f80]

"""The Python class of the pelmora/msg/Features message.

The C conversions in the package's type-support modules move each sequence
as raw bytes, 4 to an element, so every sequence attribute always holds an
array.array of 4-byte items: typecode 'I' for the five uint32 sequences and
'f' for the three float32 ones. Assignment converts or checks the value once,
at C speed, and refuses anything that would change the meaning of the bytes.
Floats of any width are rounded to float32; a finite value that rounds
beyond the float32 range is refused rather than stored as an infinity.
"""

import array
import math
import operator
import struct
import sys

try:
    from rosidl_parser.definition import BasicType, UnboundedSequence
except ImportError:  # a machine without the ROS 2 IDL parser
    from pelmora._definition import BasicType, UnboundedSequence

__all__ = ['Features']

_UINT32_MAX = 0xFFFFFFFF

_FIELDS_AND_FIELD_TYPES = {
    'keypointnumber': 'uint32',
    'descriptorsize': 'uint32',
    'descriptor': 'sequence<uint32>',
    'uniqueid': 'sequence<uint32>',
    'isrightimage': 'sequence<uint32>',
    'patternzise': 'sequence<uint32>',
    'confidence': 'sequence<uint32>',
    'x': 'sequence<float>',
    'y': 'sequence<float>',
    'angle': 'sequence<float>',
}

# array typecode of each sequence field type, and the buffer format letters
# (struct module syntax, native or standard size) that hold the same values.
_TYPECODES = {'sequence<uint32>': 'I', 'sequence<float>': 'f'}
_BUFFER_CODES = {'I': ('I', 'L'), 'f': ('f',)}
# Float buffers of other widths, by format letter and item size, whose
# values the float32 fields round as they round a list of floats.
_OTHER_FLOAT_CODES = {'d': 8, 'e': 2}
_FLOAT32_INFINITIES = (struct.pack('=f', math.inf), struct.pack('=f', -math.inf))

# The type of each field as the ROS 2 IDL describes it (SLOT_TYPES).
_SLOT_TYPES = {
    'uint32': lambda: BasicType('uint32'),
    'sequence<uint32>': lambda: UnboundedSequence(BasicType('uint32')),
    'sequence<float>': lambda: UnboundedSequence(BasicType('float')),
}
_NATIVE_ORDER_PREFIXES = ('@', '=', '<' if sys.byteorder == 'little' else '>')

for _typecode in _TYPECODES.values():
    if array.array(_typecode).itemsize != 4:
        raise ImportError(
            "array typecode '%s' does not have 4-byte items on this platform" % _typecode)


def _uint32(field, value):
    """Returns value as an int in [0, 2**32 - 1] or raises naming the field."""
    try:
        value = operator.index(value)
    except TypeError:
        raise TypeError("'%s' must be an int, not %s" % (field, type(value).__name__)) from None
    if not 0 <= value <= _UINT32_MAX:
        raise OverflowError("'%s' must be in [0, %d], got %d" % (field, _UINT32_MAX, value))
    return value


def _buffer_items(view):
    """The buffer's bytes, several dimensions taken in C order as one flat
    sequence (frombytes wants single bytes, hence the cast)."""
    if view.c_contiguous:
        return view.cast('B')
    return memoryview(view.tobytes())


def _buffer_to_array(field, typecode, view):
    """Copies a buffer whose items are 4-byte values of the field's type, or
    rounds a buffer of other floats for a float32 field."""
    fmt = view.format
    if fmt[:1] in _NATIVE_ORDER_PREFIXES:
        fmt = fmt[1:]
    other_float = typecode == 'f' and _OTHER_FLOAT_CODES.get(fmt) == view.itemsize
    if not other_float and (view.itemsize != 4 or fmt not in _BUFFER_CODES[typecode]):
        raise TypeError(
            "'%s' takes a buffer of native %s items, got format %r with %d-byte items"
            % (field, 'uint32' if typecode == 'I' else 'float', view.format, view.itemsize))
    if view.ndim == 0:
        raise TypeError("'%s' takes a sequence, got a zero-dimensional buffer" % field)
    with _buffer_items(view) as raw:
        if fmt == 'e':  # every half-precision value fits float32
            return array.array('f', (item for (item,) in struct.iter_unpack('=e', raw)))
        result = array.array(fmt if other_float else typecode)
        result.frombytes(raw)
    return _round_to_float32(field, result) if other_float else result


def _round_to_float32(field, values):
    """Returns the numbers of values (any iterable) as array.array('f'), each
    rounded to the nearest float32; raises ValueError naming the field for a
    finite number that rounds beyond the float32 range (inf and nan stay)."""
    try:
        if not isinstance(values, (list, tuple, array.array)):
            values = list(values)  # read again below when a number overflows
        result = array.array('f', values)
    except OverflowError as error:  # an int beyond even the double range
        raise ValueError("'%s': %s" % (field, error)) from None
    except (TypeError, ValueError) as error:
        raise type(error)("'%s': %s" % (field, error)) from None
    # Fast path: no infinity among the stored bytes (a match that straddles
    # two items only sends the search to the exact check below).
    raw = result.tobytes()
    if not any(infinity in raw for infinity in _FLOAT32_INFINITIES):
        return result
    for index, (stored, given) in enumerate(zip(result, values)):
        if math.isinf(stored) and not math.isinf(float(given)):
            raise ValueError("'%s' item %d (%r) is outside the float32 range" % (field, index, given))
    return result


def _to_array(field, typecode, value):
    """Returns value as an array.array of the typecode, or raises naming the field.

    An array of the right typecode is kept as it is (not copied); everything
    else is converted in one C-level step.
    """
    if isinstance(value, array.array) and value.typecode == typecode:
        return value
    if isinstance(value, array.array) and typecode == 'I':
        raise TypeError("'%s' takes array.array('%s'), got array.array('%s')"
                        % (field, typecode, value.typecode))
    if not isinstance(value, (list, tuple)):
        if isinstance(value, str):
            raise TypeError("'%s' takes a sequence of numbers, not str" % field)
        try:
            view = memoryview(value)
        except TypeError:
            pass  # no buffer: any other iterable is converted below
        else:
            with view:
                return _buffer_to_array(field, typecode, view)
    if typecode == 'f':
        return _round_to_float32(field, value)
    try:
        return array.array(typecode, value)
    except (TypeError, ValueError, OverflowError) as error:
        raise type(error)("'%s': %s" % (field, error)) from None


class Metaclass_Features(type):
    """Hands ROS 2 client libraries the package's C type support on demand.

    After __import_type_support__() the class attributes _CREATE_ROS_MESSAGE,
    _DESTROY_ROS_MESSAGE, _CONVERT_FROM_PY, _CONVERT_TO_PY and _TYPE_SUPPORT
    hold the capsules of pelmora.pelmora_s__rosidl_typesupport_c.
    """

    _CREATE_ROS_MESSAGE = None
    _DESTROY_ROS_MESSAGE = None
    _CONVERT_FROM_PY = None
    _CONVERT_TO_PY = None
    _TYPE_SUPPORT = None

    @classmethod
    def __import_type_support__(cls):
        from pelmora import pelmora_s__rosidl_typesupport_c as module
        cls._CREATE_ROS_MESSAGE = module.create_ros_message_msg__msg__features
        cls._DESTROY_ROS_MESSAGE = module.destroy_ros_message_msg__msg__features
        cls._CONVERT_FROM_PY = module.convert_from_py_msg__msg__features
        cls._CONVERT_TO_PY = module.convert_to_py_msg__msg__features
        cls._TYPE_SUPPORT = module.type_support_msg__msg__features


class Features(metaclass=Metaclass_Features):
    """Image keypoint features: two counts and eight independent sequences.

    keypointnumber, descriptorsize -- ints in [0, 2**32 - 1]
    descriptor, uniqueid, isrightimage, patternzise, confidence
                                   -- array.array('I')
    x, y, angle                    -- array.array('f')

    A sequence accepts an array.array of its own typecode (kept, not copied),
    a list, a tuple or another iterable of numbers, or a buffer of 4-byte
    native items of its type (a memoryview, a NumPy uint32 or float32 array);
    reading it returns the array held. Floats are stored as binary32.
    """

    __slots__ = tuple('_' + name for name in _FIELDS_AND_FIELD_TYPES)

    # One type description per field, in field order.
    SLOT_TYPES = tuple(_SLOT_TYPES[field_type]() for field_type in _FIELDS_AND_FIELD_TYPES.values())

    def __init__(self, *, keypointnumber=0, descriptorsize=0,
                 descriptor=(), uniqueid=(), isrightimage=(), patternzise=(), confidence=(),
                 x=(), y=(), angle=()):
        self.keypointnumber = keypointnumber
        self.descriptorsize = descriptorsize
        self.descriptor = descriptor
        self.uniqueid = uniqueid
        self.isrightimage = isrightimage
        self.patternzise = patternzise
        self.confidence = confidence
        self.x = x
        self.y = y
        self.angle = angle

    @classmethod
    def get_fields_and_field_types(cls):
        """Returns {field name: type} in message order ('uint32',
        'sequence<uint32>' or 'sequence<float>')."""
        return dict(_FIELDS_AND_FIELD_TYPES)

    def __eq__(self, other):
        if not isinstance(other, Features):
            return NotImplemented
        return all(getattr(self, slot) == getattr(other, slot) for slot in self.__slots__)

    def __repr__(self):
        fields = ', '.join('%s=%s' % (name, _short_repr(getattr(self, name)))
                           for name in _FIELDS_AND_FIELD_TYPES)
        return 'pelmora.msg.Features(%s)' % fields


def _short_repr(value, limit=8):
    if isinstance(value, array.array) and len(value) > limit:
        head = ', '.join(repr(item) for item in value[:limit])
        return "array('%s', [%s, ...<%d more>])" % (value.typecode, head, len(value) - limit)
    return repr(value)


def _add_field_properties():
    for name, field_type in _FIELDS_AND_FIELD_TYPES.items():
        slot = getattr(Features, '_' + name)  # the member descriptor of the slot

        if field_type == 'uint32':
            def fset(self, value, _set=slot.__set__, _name=name):
                _set(self, _uint32(_name, value))
        else:
            def fset(self, value, _set=slot.__set__, _name=name, _typecode=_TYPECODES[field_type]):
                _set(self, _to_array(_name, _typecode, value))

        setattr(Features, name, property(slot.__get__, fset, doc='%s (%s)' % (name, field_type)))


_add_field_properties()

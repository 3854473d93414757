"""The Python class of the pelmora/msg/Features message.

The C conversions in the package's type-support modules move each sequence
as raw bytes, 4 to an element, so every sequence attribute always holds an
array.array of 4-byte items: typecode 'I' for the five uint32 sequences and
'f' for the three float32 ones. Assignment converts or checks the value once,
at C speed, and refuses anything that would change the meaning of the bytes.
"""

import array
import operator
import sys

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


def _buffer_to_array(field, typecode, view):
    """Copies a buffer whose items are 4-byte values of the field's type."""
    fmt = view.format
    if fmt[:1] in _NATIVE_ORDER_PREFIXES:
        fmt = fmt[1:]
    if view.itemsize != 4 or fmt not in _BUFFER_CODES[typecode]:
        raise TypeError(
            "'%s' takes a buffer of native %s items, got format %r with %d-byte items"
            % (field, 'uint32' if typecode == 'I' else 'float32', view.format, view.itemsize))
    if view.ndim == 0:
        raise TypeError("'%s' takes a sequence, got a zero-dimensional buffer" % field)
    result = array.array(typecode)
    # Several dimensions are taken in C order, as one flat sequence;
    # frombytes wants single bytes, hence the cast.
    if view.c_contiguous:
        with view.cast('B') as raw:
            result.frombytes(raw)
    else:
        result.frombytes(view.tobytes())
    return result


def _to_array(field, typecode, value):
    """Returns value as an array.array of the typecode, or raises naming the field.

    An array of the right typecode is kept as it is (not copied); everything
    else is converted in one C-level step.
    """
    if isinstance(value, array.array):
        if value.typecode != typecode:
            raise TypeError("'%s' takes array.array('%s'), got array.array('%s')"
                            % (field, typecode, value.typecode))
        return value
    if not isinstance(value, (list, tuple)):
        if isinstance(value, str):
            raise TypeError("'%s' takes a sequence of numbers, not str" % field)
        try:
            view = memoryview(value)
        except TypeError:
            pass  # no buffer: any other iterable goes through array.array below
        else:
            with view:
                return _buffer_to_array(field, typecode, view)
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

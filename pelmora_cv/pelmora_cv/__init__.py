"""Keypoints in a Features message, on NumPy (and OpenCV when cv2 imports).

Item i of each per-keypoint sequence describes keypoint i (pelmora_cv's
README, "Keypoints in a Features message", gives the whole convention):

    x, y         pt in pixels            angle        degrees, -1 for none
    patternzise  size, rounded           confidence   response x 10**6, rounded
    uniqueid     class_id as uint32      isrightimage 0 left (or only), 1 right
    descriptor   N x ceil(B / 4) words: descriptor i's B bytes in order,
                 packed little-endian four to a word, the last word zero-padded

Rounding is to the nearest integer with ties to even (numpy.rint, as
OpenCV's cvRound and pelmora_cv's C++ library round), then clamped to
0..4294967295; NaN gives 0. Lost on the way: octave, the fraction of size
and any response below 1e-6.

    arrays(message)              NumPy views on the message's own arrays
    cdr_arrays(data)             NumPy views on a serialized message's bytes
    from_arrays(x, y, ...)       a Features from per-keypoint arrays
    from_cv2(keypoints, descriptors, right_image=False)
    to_cv2(message, descriptor_dtype=numpy.uint8)
"""

import collections
import struct
import sys

import numpy

from pelmora.msg import Features

from . import _fields

__all__ = ['CdrKeypoints', 'Keypoints', 'arrays', 'cdr_arrays', 'from_arrays', 'from_cv2', 'to_cv2']

_UINT32_MAX = 0xFFFFFFFF
_WORD_BYTES = 4
_PER_KEYPOINT = {'x': numpy.float32, 'y': numpy.float32, 'angle': numpy.float32,
                 'uniqueid': numpy.uint32, 'isrightimage': numpy.uint32,
                 'patternzise': numpy.uint32, 'confidence': numpy.uint32}
# What from_arrays stores for an argument left out.
_DEFAULTS = {'angle': numpy.float32(-1.0), 'size': 0.0, 'response': 0.0,
             'class_id': numpy.int32(-1), 'right_image': False}
_INT32_RANGE = (-(1 << 31), (1 << 31) - 1)

Keypoints = collections.namedtuple('Keypoints', tuple(_PER_KEYPOINT) + ('descriptors',))
Keypoints.__doc__ = """The per-keypoint arrays of a Features message (see arrays())."""
CdrKeypoints = collections.namedtuple('CdrKeypoints', Keypoints._fields + ('keypointnumber', 'descriptorsize'))
CdrKeypoints.__doc__ = """The per-keypoint arrays and the two counts of a serialized
Features message (see cdr_arrays())."""

# The wire form: a 4-byte encapsulation header whose first two bytes, read
# big-endian, say the body's byte order, then the message's fields in the
# order of the message class, each a 4-byte word: the scalars, then each
# sequence as its length word and that many 4-byte elements.
_HEADER_BYTES = 4
_BYTE_ORDERS = {0x0000: '>', 0x0001: '<'}  # CDR_BE, CDR_LE
_WORDS = {order: struct.Struct(order + 'I').unpack_from for order in _BYTE_ORDERS.values()}
_WIRE_SCALARS = tuple(f for f, t in Features.get_fields_and_field_types().items() if t == 'uint32')
_WIRE_SEQUENCES = tuple((f, 'f4' if t == 'sequence<float>' else 'u4')
                        for f, t in Features.get_fields_and_field_types().items() if t != 'uint32')


def _words_per_descriptor(descriptor_bytes):
    return -(-descriptor_bytes // _WORD_BYTES)


def _descriptor_bytes(words):
    """The words as bytes in descriptor order: their own memory where a
    uint32 is stored least significant byte first, else a swapped copy."""
    if sys.byteorder != 'little':
        words = words.astype('<u4')
    return words.view(numpy.uint8)


def _check_shape(count, descriptor_size, length):
    """Raises ValueError naming the first sequence whose length (length(field))
    is not the one keypointnumber (count) and descriptorsize give."""
    for field in _PER_KEYPOINT:
        items = length(field)
        if items != count:
            raise ValueError("'%s' holds %d items for keypointnumber %d" % (field, items, count))
    words = count * _words_per_descriptor(descriptor_size)
    if length('descriptor') != words:
        raise ValueError("'descriptor' holds %d words where keypointnumber %d x ceil(descriptorsize %d / 4)"
                         " gives %d" % (length('descriptor'), count, descriptor_size, words))


def arrays(message):
    """The keypoints of a Features message as NumPy arrays, without copying.

    Returns a Keypoints named tuple: x, y, angle (float32), uniqueid,
    isrightimage, patternzise, confidence (uint32), each of shape (N,), and
    descriptors (uint8, shape (N, B)). The per-keypoint arrays are views on
    the message's own array.array objects (numpy.frombuffer): writing to
    them writes to the message, their cost does not grow with N, and while
    they live the message's arrays cannot change size (BufferError).

    descriptors is a view too when B is a multiple of 4 (ORB's 32 bytes,
    float descriptors). Otherwise each row ends in padding bytes, and
    descriptors is a contiguous copy without them.

    Raises ValueError naming the field when a sequence's length disagrees
    with keypointnumber, or descriptor does not hold N x ceil(B / 4) words.
    """
    _check_shape(message.keypointnumber, message.descriptorsize, lambda field: len(getattr(message, field)))
    views = {field: numpy.frombuffer(getattr(message, field), dtype)
             for field, dtype in _PER_KEYPOINT.items()}
    count, size = message.keypointnumber, message.descriptorsize
    words = numpy.frombuffer(message.descriptor, numpy.uint32)
    rows = _descriptor_bytes(words).reshape(count, _words_per_descriptor(size) * _WORD_BYTES)
    descriptors = rows if size % _WORD_BYTES == 0 else numpy.ascontiguousarray(rows[:, :size])
    return Keypoints(descriptors=descriptors, **views)


def _bytes_of(data):
    """The bytes of an object with the buffer interface, as a flat memoryview."""
    view = memoryview(data)
    if not view.c_contiguous:
        raise ValueError('cdr_arrays takes bytes in one contiguous block, got a buffer with gaps')
    return view if view.ndim == 1 and view.format == 'B' else view.cast('B')


def _walk(raw):
    """(byte order, the scalars, {sequence: (offset of its first element,
    length)}) of the serialized message in raw, or ValueError saying what is
    wrong, in the words of the decoders' reports. Reads the ten words only:
    nothing past the buffer, nothing allocated by a length word."""
    size = len(raw)
    if size < _HEADER_BYTES:
        raise ValueError('payload of %d bytes has no encapsulation header' % size)
    identifier = raw[0] << 8 | raw[1]
    if identifier not in _BYTE_ORDERS:
        raise ValueError('unknown encapsulation 0x%04x' % identifier)
    order = _BYTE_ORDERS[identifier]
    word = _WORDS[order]
    at = _HEADER_BYTES
    scalars = []
    for field in _WIRE_SCALARS:
        if size - at < _WORD_BYTES:
            raise ValueError('payload ends in %s' % field)
        scalars.append(word(raw, at)[0])
        at += _WORD_BYTES
    sequences = {}
    for field, _ in _WIRE_SEQUENCES:
        if size - at < _WORD_BYTES:
            raise ValueError('payload ends in %s length' % field)
        length = word(raw, at)[0]
        at += _WORD_BYTES
        left = size - at
        if length > left:
            raise ValueError('%s length %d exceeds the %d bytes left' % (field, length, left))
        if _WORD_BYTES * length > left:
            raise ValueError('%s length %d needs %d bytes, %d left' % (field, length, _WORD_BYTES * length, left))
        sequences[field] = (at, length)
        at += _WORD_BYTES * length
    return order, scalars, sequences


def cdr_arrays(data):
    """The keypoints of a serialized Features message as NumPy views on its bytes.

    data is any object with the buffer interface (the bytes a ROS 2
    subscription made with raw=True hands its callback, a bytearray, a
    memoryview, a NumPy uint8 array) holding the 4-byte encapsulation header
    and the CDR body of one message. Returns a CdrKeypoints named tuple: the
    fields of arrays() (x, y, angle, uniqueid, isrightimage, patternzise,
    confidence of shape (N,), descriptors (N, B) uint8) plus keypointnumber
    and descriptorsize. Only the ten words that hold the counts and lengths
    are read, so the cost does not grow with N.

    The arrays are views on data: they keep it alive, read-only for bytes,
    writable for a bytearray. A little-endian body (what every middleware
    on a little-endian host writes) gives native-order arrays; a big-endian
    one gives big-endian dtypes ('>u4', '>f4') on its bytes, except
    descriptors, whose bytes must be put back in order from the words: that
    one is a copy. descriptors has a row stride of 4 x ceil(B / 4) bytes, the
    rows' padding skipped without copying.

    Raises ValueError for malformed bytes (no or an unknown encapsulation
    header, cut short, a length word beyond the bytes behind it), with the
    reason the decoders' reports give, e.g. "descriptor length 4294967295
    exceeds the 72 bytes left", and, as arrays() does, naming the field when
    a sequence's length disagrees with keypointnumber or descriptor does not
    hold N x ceil(B / 4) words. Bytes after the last sequence are ignored, as
    the decoders ignore them.
    """
    raw = _bytes_of(data)
    order, (count, size), sequences = _walk(raw)
    _check_shape(count, size, lambda field: sequences[field][1])
    views = {field: numpy.frombuffer(raw, order + kind, sequences[field][1], sequences[field][0])
             for field, kind in _WIRE_SEQUENCES if field != 'descriptor'}
    stride = _words_per_descriptor(size) * _WORD_BYTES
    offset, words = sequences['descriptor']
    if order == '<':
        # Each descriptor's bytes are its words' little-endian memory.
        descriptors = numpy.ndarray((count, size), numpy.uint8, buffer=raw, offset=offset,
                                    strides=(stride, 1))
    else:
        swapped = numpy.frombuffer(raw, '>u4', words, offset).astype('<u4')
        descriptors = swapped.view(numpy.uint8).reshape(count, stride)[:, :size]
    return CdrKeypoints(descriptors=descriptors, keypointnumber=count, descriptorsize=size, **views)


def _numbers(field, values, count):
    """values as a 1-D float32 or float64 array of count items (other
    numbers as float64), or ValueError naming the field."""
    items = _per_keypoint(field, values, count)
    if items.dtype == numpy.float32 or items.dtype == numpy.float64:
        return items
    try:
        return numpy.positive(items, dtype=numpy.float64)
    except (TypeError, ValueError) as error:
        raise ValueError("'%s' takes numbers: %s" % (field, error)) from None


def _flags(right_image, count):
    """right_image as a 1-D bool array of count items."""
    flags = _per_keypoint('right_image', right_image, count)
    return flags if flags.dtype == bool else flags != 0


def _class_ids(class_id, count):
    """class_id (int32 values) as a 1-D int32 or uint32 array of count items
    whose bytes are the uint32s (-1 is 4294967295)."""
    ids = _per_keypoint('class_id', class_id, count)
    if ids.dtype == numpy.int32:  # every value in range
        return ids
    if ids.size and ids.dtype.kind not in 'iu':  # [] becomes a float array
        raise ValueError("'class_id' takes integers, got %s" % ids.dtype)
    if ids.size and (ids.min() < _INT32_RANGE[0] or ids.max() > _INT32_RANGE[1]):
        raise ValueError("'class_id' takes int32 values (%d..%d)" % _INT32_RANGE)
    # Other integer types wrap to uint32 as int32 does.
    return ids.astype(numpy.uint32)


def _per_keypoint(field, values, count):
    """values as a contiguous 1-D array of count items (as the extension
    reads them: a strided view is copied), or ValueError naming the field; a
    scalar stands for every keypoint."""
    items = numpy.asarray(values)
    if items.ndim == 0:
        return numpy.full(count, items)
    if items.shape != (count,):
        raise ValueError("'%s' has shape %s; x has %d keypoints" % (field, items.shape, count))
    return numpy.ascontiguousarray(items)


def _floats(field, values, count):
    """The items as a float32 array: float32 items as they are, other
    numbers rounded to float32 here. A finite value beyond the float32 range
    is handed to the message as float64, so that the message refuses it in
    its own words."""
    items = _per_keypoint(field, values, count)
    if items.dtype != numpy.float32:
        doubles = items.astype(numpy.float64)
        with numpy.errstate(over='ignore'):
            items = doubles.astype(numpy.float32)
        if (numpy.isinf(items) & ~numpy.isinf(doubles)).any():
            setattr(Features(), field, doubles)
    return items


def _descriptor_words(descriptors, count):
    """(B, the bytes of the descriptor words) for N descriptors: one row of
    B bytes per keypoint, any dtype; an empty array or None means none
    (B = 0). The bytes are each row's, zero-padded to whole words: the words'
    memory on a little-endian host, which the extension requires."""
    rows = None if descriptors is None else numpy.asarray(descriptors)
    if rows is None or rows.size == 0:
        return 0, b''
    if rows.ndim != 2 or rows.shape[0] != count:
        raise ValueError("'descriptors' has shape %s; it takes one row per keypoint (%d)"
                         % (rows.shape, count))
    size = rows.shape[1] * rows.itemsize
    if size > _UINT32_MAX:
        raise ValueError("'descriptors' rows of %d bytes exceed descriptorsize's range" % size)
    row_bytes = numpy.ascontiguousarray(rows).view(numpy.uint8)  # (N, B)
    padded = _words_per_descriptor(size) * _WORD_BYTES
    if padded != size:
        row_bytes = numpy.pad(row_bytes, ((0, 0), (0, padded - size)))
    return size, row_bytes


def from_arrays(x, y, *, angle=None, size=None, response=None, class_id=None, right_image=None,
                descriptors=None):
    """A Features message of N keypoints from per-keypoint arrays.

    x, y         N positions in pixels (N is len(x))
    angle        degrees (default -1: none)
    size         diameters, stored rounded in patternzise (default 0)
    response     stored in millionths in confidence (default 0)
    class_id     int32 values, stored as uint32 in uniqueid (default -1)
    right_image  true for keypoints of the right image (default: left)
    descriptors  N rows of B bytes (any dtype: uint8 ORB rows, float32
                 SIFT rows); None or an empty array for none

    Every argument but x and descriptors takes N items or one value for all.

    Raises ValueError naming the field whose shape disagrees with x, or
    that holds a value the convention cannot store.
    """
    xs = numpy.asarray(x)
    if xs.ndim != 1:
        raise ValueError("'x' takes a 1-D array, got shape %s" % (xs.shape,))
    count = len(xs)
    ys = _floats('y', y, count)
    angles = _floats('angle', _DEFAULTS['angle'] if angle is None else angle, count)
    sizes = _numbers('size', _DEFAULTS['size'] if size is None else size, count)
    responses = _numbers('response', _DEFAULTS['response'] if response is None else response, count)
    ids = _class_ids(_DEFAULTS['class_id'] if class_id is None else class_id, count)
    flags = _flags(_DEFAULTS['right_image'] if right_image is None else right_image, count)
    descriptor_size, words = _descriptor_words(descriptors, count)
    fields = _fields.message_fields(_floats('x', xs, count), ys, angles, sizes, responses, ids, flags, words)
    return Features(keypointnumber=count, descriptorsize=descriptor_size, **fields)


def _cv2():
    try:
        import cv2
    except ImportError as error:
        raise ImportError(
            'pelmora_cv needs OpenCV for cv2.KeyPoint: install Debian\'s python3-opencv '
            '(apt-get install python3-opencv)') from error
    return cv2


def from_cv2(keypoints, descriptors, right_image=False):
    """A Features message from OpenCV keypoints (a sequence of cv2.KeyPoint)
    and their descriptors (N rows, as detectAndCompute returns them; None
    for none). The octave is not kept. Raises ImportError without cv2."""
    _cv2()
    return from_arrays(
        [k.pt[0] for k in keypoints], [k.pt[1] for k in keypoints],
        angle=[k.angle for k in keypoints], size=[k.size for k in keypoints],
        response=[k.response for k in keypoints], class_id=[k.class_id for k in keypoints],
        right_image=bool(right_image), descriptors=descriptors)


def to_cv2(message, descriptor_dtype=numpy.uint8):
    """(list of cv2.KeyPoint, descriptors) from a Features message: octave 0,
    response = confidence / 10**6, class_id from uniqueid (4294967295 is -1).

    descriptors is a new N x (B / itemsize) array of descriptor_dtype, owning
    its memory. Raises ValueError naming the field for a message whose shape
    breaks the convention or whose descriptorsize is not a whole number of
    descriptor_dtype items, ImportError without cv2.
    """
    cv2 = _cv2()
    view = arrays(message)
    dtype = numpy.dtype(descriptor_dtype)
    if message.descriptorsize % dtype.itemsize:
        raise ValueError("'descriptorsize' %d is not a whole number of %d-byte %s items"
                         % (message.descriptorsize, dtype.itemsize, dtype))
    rows = view.descriptors
    if rows.base is not None:  # a view on the message: the result owns its copy
        rows = rows.copy()
    class_ids = view.uniqueid.view(numpy.int32)
    keypoints = [cv2.KeyPoint(float(x), float(y), float(size), float(angle), float(confidence) / 1e6,
                              0, int(class_id))
                 for x, y, size, angle, confidence, class_id
                 in zip(view.x, view.y, view.patternzise, view.angle, view.confidence, class_ids)]
    return keypoints, rows.view(dtype)

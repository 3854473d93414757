"""PNG files to and from NumPy arrays, with zlib only.

read_png takes 8-bit greyscale, grey+alpha, RGB and RGBA images without
interlacing (what photographs and the Middlebury pairs are), and returns an
(height, width, channels) uint8 array. write_png writes such an array.

Undoing the PNG filters is the costly part: a byte's value depends on the
reconstructed bytes to its left, above and above-left, so rows cannot be
undone independently. Pixels on one anti-diagonal (row + column constant)
depend only on earlier anti-diagonals, though, so the decoder undoes a whole
anti-diagonal per NumPy step: height + width - 1 steps instead of one per
byte.
"""

import struct
import zlib

import numpy

SIGNATURE = b'\x89PNG\r\n\x1a\n'
CHANNELS = {0: 1, 4: 2, 2: 3, 6: 4}  # colour type -> samples per pixel
COLOUR_TYPES = {channels: colour for colour, channels in CHANNELS.items()}
NONE, SUB, UP, AVERAGE, PAETH = range(5)


def _chunks(data):
    """(type, body) of each chunk, CRCs checked."""
    if data[:8] != SIGNATURE:
        raise ValueError('not a PNG file (signature)')
    at = 8
    while at < len(data):
        if at + 12 > len(data):
            raise ValueError('PNG file cut inside a chunk header')
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        if at + 12 + length > len(data):
            raise ValueError('PNG chunk %r is cut' % kind)
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack('>I', data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError('PNG chunk %r has a wrong CRC' % kind)
        yield kind, body
        at += 12 + length


def _paeth(a, b, c):
    """The Paeth predictor, element-wise on int16 arrays."""
    p = a + b - c
    pa, pb, pc = numpy.abs(p - a), numpy.abs(p - b), numpy.abs(p - c)
    return numpy.where((pa <= pb) & (pa <= pc), a, numpy.where(pb <= pc, b, c))


def _predictions(filters, a, b, c):
    """What each filter type predicts from left (a), up (b) and up-left (c)."""
    return numpy.select(
        [filters == SUB, filters == UP, filters == AVERAGE, filters == PAETH],
        [a, b, (a + b) >> 1, _paeth(a, b, c)], 0)


def _unfilter(filtered, height, width, channels):
    """The image from its filtered scanlines (one filter byte, then the row)."""
    rows = numpy.frombuffer(filtered, numpy.uint8).reshape(height, 1 + width * channels)
    filters = rows[:, 0]
    if filters.size and filters.max() > PAETH:
        raise ValueError('PNG row filter type %d is unknown' % filters.max())
    raw = rows[:, 1:].reshape(height, width, channels).astype(numpy.int16)
    # One row and column of zeros above and left: what the filters see
    # beyond the image.
    image = numpy.zeros((height + 1, width + 1, channels), numpy.int16)
    for diagonal in range(height + width - 1):
        row = numpy.arange(max(0, diagonal - width + 1), min(height, diagonal + 1))
        column = diagonal - row
        a, b, c = image[row + 1, column], image[row, column + 1], image[row, column]
        predicted = _predictions(filters[row, None], a, b, c)
        image[row + 1, column + 1] = (raw[row, column] + predicted) & 0xFF
    return image[1:, 1:].astype(numpy.uint8)


def read_png(path):
    """The image in the PNG file as an (height, width, channels) uint8 array."""
    with open(path, 'rb') as stream:
        data = stream.read()
    header, compressed = None, []
    for kind, body in _chunks(data):
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            compressed.append(body)
        elif kind == b'IEND':
            break
    if header is None:
        raise ValueError('%s: no IHDR chunk' % path)
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in CHANNELS or interlace != 0:
        raise ValueError('%s: only 8-bit grey, grey+alpha, RGB and RGBA images without '
                         'interlacing are read (bit depth %d, colour type %d, interlace %d)'
                         % (path, depth, colour, interlace))
    channels = CHANNELS[colour]
    filtered = zlib.decompress(b''.join(compressed))
    if len(filtered) != height * (1 + width * channels):
        raise ValueError('%s: image data holds %d bytes for %dx%d' % (path, len(filtered), width, height))
    return _unfilter(filtered, height, width, channels)


def _chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def encode_png(image):
    """The PNG file of an (height, width[, channels]) uint8 array, 1 to 4
    channels. Every row takes the Paeth filter: encoding needs only the
    original pixels, so it is one NumPy step, and it suits photographs."""
    image = numpy.asarray(image)
    if image.ndim == 2:
        image = image[:, :, None]
    if image.dtype != numpy.uint8 or image.ndim != 3 or image.shape[2] not in COLOUR_TYPES:
        raise ValueError('encode_png takes (height, width, 1..4) uint8, got %s %s'
                         % (image.shape, image.dtype))
    height, width, channels = image.shape
    padded = numpy.zeros((height + 1, width + 1, channels), numpy.int16)
    padded[1:, 1:] = image
    a, b, c = padded[1:, :-1], padded[:-1, 1:], padded[:-1, :-1]
    residual = ((padded[1:, 1:] - _paeth(a, b, c)) & 0xFF).astype(numpy.uint8)
    rows = numpy.concatenate(
        [numpy.full((height, 1), PAETH, numpy.uint8), residual.reshape(height, -1)], axis=1)
    header = struct.pack('>IIBBBBB', width, height, 8, COLOUR_TYPES[channels], 0, 0, 0)
    return (SIGNATURE + _chunk(b'IHDR', header) + _chunk(b'IDAT', zlib.compress(rows.tobytes(), 9))
            + _chunk(b'IEND', b''))


def write_png(path, image):
    """Writes encode_png(image) to path."""
    with open(path, 'wb') as stream:
        stream.write(encode_png(image))

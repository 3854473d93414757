"""The NumPy PNG codec of pelmora-stereo-match: each row filter undone on
rows worked out by hand, the encoder read back by the decoder and by
OpenCV, and the real pair read as OpenCV reads it."""

import os
import struct
import zlib

import pytest

numpy = pytest.importorskip('numpy')
import png_io  # noqa: E402


def png_file(tmp_path, width, height, colour, rows, depth=8):
    """A PNG file of the given filtered scanlines (filter byte first)."""
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    header = struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, 0)
    data = png_io.SIGNATURE + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(bytes(sum(rows, [])))) \
        + chunk(b'IEND', b'')
    path = tmp_path / 'image.png'
    path.write_bytes(data)
    return path


ABOVE = [50, 60, 40, 80]  # the first row, filter None
# (filter, second row as stored, second row decoded), worked out by hand.
FILTERS = [
    ('none', 0, [7, 8, 9, 10], [7, 8, 9, 10]),
    ('sub', 1, [5, 5, 250, 1], [5, 10, 4, 5]),
    ('up', 2, [1, 2, 255, 0], [51, 62, 39, 80]),
    # (0 + 50) // 2 + 1, (26 + 60) // 2 + 1, (44 + 40) // 2 + 1, ((43 + 80) // 2 + 200) mod 256
    ('average', 3, [1, 1, 1, 200], [26, 44, 43, 5]),
    # predictors b (50), a (200), b (40), c (40)
    ('paeth', 4, [150, 100, 216, 7], [200, 44, 0, 47]),
]


@pytest.mark.parametrize('kind, stored, decoded', [c[1:] for c in FILTERS], ids=[c[0] for c in FILTERS])
def test_each_filter_is_undone(tmp_path, kind, stored, decoded):
    path = png_file(tmp_path, 4, 2, 0, [[0] + ABOVE, [kind] + stored])
    assert png_io.read_png(path)[:, :, 0].tolist() == [ABOVE, decoded]


def test_filters_step_by_whole_pixels(tmp_path):
    path = png_file(tmp_path, 2, 1, 2, [[1, 1, 2, 3, 10, 20, 30]])
    assert png_io.read_png(path).tolist() == [[[1, 2, 3], [11, 22, 33]]]


@pytest.mark.parametrize('change, message', [
    (lambda data: b'GIF89a' + data[6:], 'signature'),
    (lambda data: data[:30] + bytes([data[30] ^ 1]) + data[31:], 'CRC'),
    (lambda data: data[:-20], 'cut'),
])
def test_damaged_files_are_refused(tmp_path, change, message):
    path = tmp_path / 'damaged.png'
    path.write_bytes(change(png_io.encode_png(numpy.zeros((4, 4, 3), numpy.uint8))))
    with pytest.raises(ValueError, match=message):
        png_io.read_png(path)


def test_sixteen_bit_images_are_refused(tmp_path):
    path = png_file(tmp_path, 1, 1, 0, [[0, 1, 2]], depth=16)
    with pytest.raises(ValueError, match='bit depth 16'):
        png_io.read_png(path)


def written(tmp_path, channels):
    image = numpy.random.default_rng(channels).integers(0, 256, (37, 53, channels), numpy.uint8)
    path = tmp_path / 'out.png'
    png_io.write_png(path, image)
    return image, path


@pytest.mark.parametrize('channels', [1, 2, 3, 4])
def test_written_images_read_back(tmp_path, channels):
    image, path = written(tmp_path, channels)
    assert (png_io.read_png(path) == image).all()


@pytest.mark.parametrize('channels', [1, 2, 3, 4])
def test_written_images_read_back_in_opencv(tmp_path, cv2, channels):
    image, path = written(tmp_path, channels)
    decoded = cv2.imread(str(path), cv2.IMREAD_UNCHANGED)
    # OpenCV gives BGR order, and grey with alpha as BGRA.
    order = {1: [0], 2: [0, 3], 3: [2, 1, 0], 4: [2, 1, 0, 3]}[channels]
    assert (decoded.reshape(37, 53, -1)[:, :, order] == image).all()


@pytest.mark.parametrize('name', ['motorcycle_left.png', 'motorcycle_right.png'])
def test_the_real_pair_reads_as_opencv_reads_it(stereo_data, cv2, name):
    image = png_io.read_png(os.path.join(stereo_data, name))
    assert image.shape == (500, 741, 3)
    assert (image == cv2.imread(os.path.join(stereo_data, name))[:, :, ::-1]).all()

"""Messages made from the same keypoints in C++ (pelmora_cv::to_message, run
by test/features_cv/keypoints_cdr_witness) and in Python (pelmora_cv)
encode to the same CDR bytes: the C++ one through the C++ CDR type support,
the Python one through the capsules and the C type support."""

import os
import subprocess

import pytest

numpy = pytest.importorskip('numpy')

import pelmora_cv  # noqa: E402

WITNESS = os.environ.get('PELMORA_KEYPOINTS_WITNESS')
pytestmark = pytest.mark.skipif(
    not WITNESS, reason='PELMORA_KEYPOINTS_WITNESS names no witness program (CTest sets it)')
DEPTHS = {numpy.dtype(numpy.uint8): '8U', numpy.dtype(numpy.float32): '32F'}


def image(seed, count, right=False, descriptors=None):
    """(right, keypoints as (x, y, size, angle, response, octave, class_id),
    descriptor rows) with float32 values, as OpenCV holds them."""
    rng = numpy.random.default_rng(seed)
    floats = rng.random((count, 5)).astype(numpy.float32) * numpy.float32([741, 500, 64, 360, 0.01])
    points = [tuple(map(float, row)) + (int(rng.integers(0, 8)), int(rng.integers(-1, 5)))
              for row in floats]
    rows = None if descriptors is None else descriptors(rng, count)
    return right, points, rows


def orb(rng, count):
    return rng.integers(0, 256, (count, 32), numpy.uint8)


def akaze(rng, count):
    return rng.integers(0, 256, (count, 61), numpy.uint8)


def sift(rng, count):
    return rng.standard_normal((count, 128)).astype(numpy.float32)


# Keypoints that sit on the rounding rules: ties of size and of response in
# millionths (1/128 and 3/128), a response below 10**-6, class_id -1.
EDGES = (True, [(0.5, 1.5, 30.5, -1.0, 1 / 128, 0, -1), (740.25, 499.75, 31.5, 0.0, 3 / 128, 2, 7),
                (10.0, 20.0, 31.4, 359.9, 4e-7, 1, -1)], numpy.uint8([[0xAB] * 32, range(32), [0] * 32]))
CASES = {
    'orb, left': [image(1, 50, descriptors=orb)],
    'rounding edges, right': [EDGES],
    'akaze, left and right': [image(2, 20, descriptors=akaze), image(3, 15, True, akaze)],
    'sift floats, left and right': [image(4, 10, descriptors=sift), image(5, 12, True, sift)],
    'no descriptors': [image(6, 5)],
    'no keypoints': [image(7, 0)],
}


def witness_input(images):
    lines = []
    for right, points, rows in images:
        columns, depth = (0, '8U') if rows is None else (rows.shape[1], DEPTHS[rows.dtype])
        lines.append('image %d %d %d %s' % (right, len(points), columns, depth))
        lines += [' '.join(float(v).hex() for v in p[:5]) + ' %d %d' % p[5:] for p in points]
        if rows is not None:
            lines += [row.tobytes().hex() for row in rows]
    return '\n'.join(lines) + '\n'


def cxx_bytes(images):
    done = subprocess.run([WITNESS], input=witness_input(images), capture_output=True, text=True,
                          timeout=60, check=True)
    return bytes.fromhex(done.stdout.strip())


def python_message(images):
    points = [p for _, kept, _ in images for p in kept]
    columns = list(zip(*points)) or [()] * 7
    rows = [r for _, _, r in images if r is not None]
    return pelmora_cv.from_arrays(
        numpy.float32(columns[0]), numpy.float32(columns[1]), size=numpy.float32(columns[2]),
        angle=numpy.float32(columns[3]), response=numpy.float32(columns[4]),
        class_id=numpy.int32(columns[6]),
        right_image=numpy.concatenate([[right] * len(kept) for right, kept, _ in images]).astype(bool),
        descriptors=numpy.concatenate(rows) if rows else None)


def encoded(native, message):
    with native.record() as record:
        assert native.convert_from_py(message, record) == (True, None)
        return native.serialize(record)


@pytest.mark.parametrize('images', CASES.values(), ids=CASES.keys())
def test_cxx_and_from_arrays_give_the_same_bytes(native, images):
    assert encoded(native, python_message(images)) == cxx_bytes(images)


@pytest.mark.parametrize('images', [c for c in CASES.values() if len(c) == 1],
                         ids=[name for name, c in CASES.items() if len(c) == 1])
def test_cxx_and_from_cv2_give_the_same_bytes(native, cv2, images):
    ((right, points, rows),) = images
    opencv = [cv2.KeyPoint(x, y, size, angle, response, octave, class_id)
              for x, y, size, angle, response, octave, class_id in points]
    assert encoded(native, pelmora_cv.from_cv2(opencv, rows, right_image=right)) == cxx_bytes(images)

"""pelmora_cv against the convention of "Keypoints in a Features
message": each row of the table is a case with the words worked out by hand;
then the refusals, the views' memory and the OpenCV conversions."""

import sys

import pytest

numpy = pytest.importorskip('numpy')

import pelmora_cv  # noqa: E402
from pelmora.msg import Features  # noqa: E402

MAX = 4294967295
# 61 bytes 0, 1, ..., 60, four to a little-endian word, the last padded.
COUNTING_61 = [0x03020100, 0x07060504, 0x0B0A0908, 0x0F0E0D0C, 0x13121110, 0x17161514,
               0x1B1A1918, 0x1F1E1D1C, 0x23222120, 0x27262524, 0x2B2A2928, 0x2F2E2D2C,
               0x33323130, 0x37363534, 0x3B3A3938, 0x0000003C]

# (case, from_arrays arguments besides x and y (N = 2), expected fields)
CONVENTION = [
    ('defaults', {}, dict(angle=[-1.0, -1.0], patternzise=[0, 0], confidence=[0, 0],
                          uniqueid=[MAX, MAX], isrightimage=[0, 0], descriptorsize=0, descriptor=[])),
    ('class_id -1 is 4294967295', dict(class_id=[-1, 7]), dict(uniqueid=[MAX, 7])),
    ('class_id at the int32 ends', dict(class_id=[-2 ** 31, 2 ** 31 - 1]),
     dict(uniqueid=[0x80000000, 0x7FFFFFFF])),
    ('size 31.4 -> 31, 31.6 -> 32', dict(size=[31.4, 31.6]), dict(patternzise=[31, 32])),
    ('size ties go to even', dict(size=[30.5, 31.5]), dict(patternzise=[30, 32])),
    ('size clamped', dict(size=[-3.0, 5e9]), dict(patternzise=[0, MAX])),
    ('size NaN is 0, inf the largest', dict(size=[float('nan'), float('inf')]), dict(patternzise=[0, MAX])),
    ('response 0.0012346 -> 1235', dict(response=numpy.float32([0.0012346, 4e-7])),
     dict(confidence=[1235, 0])),
    # 1/128 and 3/128 are exact in float32: x 10**6 gives 7812.5 and 23437.5.
    ('response ties go to even', dict(response=numpy.float32([1 / 128, 3 / 128])),
     dict(confidence=[7812, 23438])),
    ('response clamped', dict(response=[-0.5, 4295.0]), dict(confidence=[0, MAX])),
    ('angle kept', dict(angle=[0.0, 359.5]), dict(angle=[0.0, 359.5])),
    ('right image for all', dict(right_image=True), dict(isrightimage=[1, 1])),
    ('left and right per keypoint', dict(right_image=[False, True]), dict(isrightimage=[0, 1])),
    ('61-byte descriptors', dict(descriptors=numpy.array([[0xAB] * 61, range(61)], numpy.uint8)),
     dict(descriptorsize=61, descriptor=[0xABABABAB] * 15 + [0x000000AB] + COUNTING_61)),
    ('3-byte descriptors', dict(descriptors=numpy.uint8([[1, 2, 3], [4, 5, 6]])),
     dict(descriptorsize=3, descriptor=[0x00030201, 0x00060504])),
    ('float32 descriptors', dict(descriptors=numpy.float32([[1.0, -2.0], [0.5, 0.0]])),
     dict(descriptorsize=8, descriptor=[0x3F800000, 0xC0000000, 0x3F000000, 0])),
    ('float64 descriptors', dict(descriptors=numpy.float64([[1.0], [-0.0]])),
     dict(descriptorsize=8, descriptor=[0, 0x3FF00000, 0, 0x80000000])),
    # As an empty cv::Mat: no descriptors, whatever the keypoint count.
    ('empty descriptors are none', dict(descriptors=numpy.zeros((0, 32), numpy.uint8)),
     dict(descriptorsize=0, descriptor=[])),
]


@pytest.mark.parametrize('arguments, expected', [c[1:] for c in CONVENTION],
                         ids=[c[0] for c in CONVENTION])
def test_convention(arguments, expected):
    message = pelmora_cv.from_arrays([1.25, 700.5], [0.0, 499.75], **arguments)
    assert message.keypointnumber == 2
    assert list(message.x) == [1.25, 700.5] and list(message.y) == [0.0, 499.75]
    for field, value in expected.items():
        got = getattr(message, field)
        assert (got if isinstance(value, int) else list(got)) == value, field


# Sizes and responses on the rounding rules, 77 of them, so that the
# extension rounds some eight at a time, four at a time and one at a time.
EDGES = [0.5, 1.5, 2.5, 30.5, 31.4, 31.6, -3.0, -0.0, 0.0, 4e-7, 1 / 128, 3 / 128, 4294.967295,
         2 ** 31, 2 ** 31 + 0.5, 3e9, 4294967040.0, 4294967295.0, 4294967295.5, 5e9,
         float('inf'), float('-inf'), float('nan'), 1e-300]
EDGES = EDGES * 3 + EDGES[:5]


def rint_clamped(values, scale):
    """NumPy's rint of values x scale (in double), clamped to 0..4294967295, NaN 0."""
    product = numpy.asarray(values).astype(numpy.float64) * scale
    rounded = numpy.rint(product)
    with numpy.errstate(invalid='ignore'):
        rounded[~(rounded > 0)] = 0
        rounded[rounded > MAX] = MAX
    return [int(v) for v in rounded]


@pytest.mark.parametrize('values', [numpy.float32(EDGES), numpy.float64(EDGES),
                                    numpy.int64([-5, 0, 7, 2 ** 31, 2 ** 32, 2 ** 40] * 13)],
                         ids=['float32', 'float64', 'int64'])
def test_sizes_and_responses_round_as_rint(values):
    count = len(values)
    message = pelmora_cv.from_arrays(numpy.zeros(count), numpy.zeros(count), size=values,
                                     response=values)
    assert list(message.patternzise) == rint_clamped(values, 1)
    assert list(message.confidence) == rint_clamped(values, 1e6)


def _orb_arguments(count):
    rng = numpy.random.default_rng(count)
    return dict(x=rng.random(count, numpy.float32) * 741, y=rng.random(count, numpy.float32) * 500,
                angle=rng.random(count, numpy.float32) * 360, size=numpy.float32(rng.integers(1, 99, count)) / 2,
                response=rng.random(count, numpy.float32) * 1e-3, class_id=rng.integers(-1, 9, count, numpy.int32),
                right_image=rng.random(count) < 0.5, descriptors=rng.integers(0, 256, (count, 32), numpy.uint8))


# How else a caller may hold the same values: each layout turns every array
# of the arguments into another that compares equal.
LAYOUTS = {
    'strided views': lambda a: numpy.repeat(a, 2, axis=0)[::2],
    'big-endian': lambda a: a.astype(a.dtype.newbyteorder('>')),
    'Fortran order': numpy.asfortranarray,
    # (Descriptors as lists would be int64 rows, another descriptor.)
    'lists': lambda a: a.tolist() if a.ndim == 1 else a,
}


@pytest.mark.parametrize('layout', LAYOUTS.values(), ids=list(LAYOUTS))
def test_every_layout_of_the_same_values_makes_the_same_message(layout):
    # 37 keypoints: the extension's sixteen-, eight-, four- and
    # one-at-a-time loops all take part.
    arguments = _orb_arguments(37)
    expected = pelmora_cv.from_arrays(**arguments)
    assert pelmora_cv.from_arrays(**{k: layout(v) for k, v in arguments.items()}) == expected


def test_no_keypoints_make_an_empty_message():
    message = pelmora_cv.from_arrays(numpy.zeros(0, numpy.float32), [], descriptors=numpy.zeros((0, 32), numpy.uint8))
    assert message.keypointnumber == 0 and message.descriptorsize == 0
    assert all(len(getattr(message, field)) == 0 for field in ('x', 'y', 'angle', 'uniqueid', 'isrightimage',
                                                               'patternzise', 'confidence', 'descriptor'))


def test_right_image_flags_are_zero_or_one():
    # Bools whose bytes are not 0 or 1 (a view of other bytes) count as
    # true; 35 of them, so that some are widened sixteen at a time.
    raw = numpy.uint8([0, 1, 2, 255, 0, 128, 0, 0, 7] * 3 + [1, 0, 0, 0, 9, 0, 0, 1])
    message = pelmora_cv.from_arrays(numpy.zeros(len(raw)), numpy.zeros(len(raw)), right_image=raw.view(bool))
    assert list(message.isrightimage) == [int(b != 0) for b in raw]


def test_descriptors_of_more_than_32_mib_arrive_whole():
    # Past 32 MiB the descriptor words are made another way (at their size).
    count = 1_050_000
    rows = numpy.random.default_rng(3).integers(0, 256, (count, 32), numpy.uint8)
    message = pelmora_cv.from_arrays(numpy.zeros(count, numpy.float32), numpy.zeros(count, numpy.float32),
                                     descriptors=rows)
    assert message.descriptor.typecode == 'I' and len(message.descriptor) == count * 8
    assert numpy.array_equal(numpy.frombuffer(message.descriptor, numpy.uint8), rows.ravel())


@pytest.mark.parametrize('position, wrong', [
    (1, numpy.zeros(2, numpy.float32)),       # y shorter than x
    (0, numpy.zeros((3, 1), numpy.float32)),  # x not one-dimensional
    (3, numpy.zeros(3, numpy.int64)),         # size of another type
    (5, numpy.zeros(3, numpy.float32)),       # class_id not integers
    (6, numpy.zeros(3, numpy.uint8)),         # right_image not bools
    (7, numpy.zeros(5, numpy.uint8)),         # descriptor not whole words
], ids=['y', 'x', 'size', 'class_id', 'right_image', 'descriptor'])
def test_the_extension_refuses_buffers_it_cannot_read_whole(position, wrong):
    arguments = [numpy.zeros(3, numpy.float32)] * 5 + [numpy.zeros(3, numpy.int32), numpy.zeros(3, bool),
                                                       numpy.zeros(12, numpy.uint8)]
    arguments[position] = wrong
    with pytest.raises(TypeError):
        pelmora_cv._fields.message_fields(*arguments)


# (field named in the error, from_arrays arguments)
REFUSED = [
    ('x', dict(x=[[1.0, 2.0]], y=[1.0, 2.0])),
    ('y', dict(x=[1.0, 2.0], y=[1.0])),
    ('angle', dict(x=[1.0], y=[1.0], angle=[0.0, 1.0])),
    ('size', dict(x=[1.0], y=[1.0], size=[])),
    ('size', dict(x=[1.0], y=[1.0], size=['big'])),
    ('response', dict(x=[1.0], y=[1.0], response=[[0.5]])),
    ('class_id', dict(x=[1.0], y=[1.0], class_id=[2 ** 31])),
    ('class_id', dict(x=[1.0], y=[1.0], class_id=[1.5])),
    ('right_image', dict(x=[1.0], y=[1.0], right_image=[True, False])),
    ('descriptors', dict(x=[1.0], y=[1.0], descriptors=numpy.zeros((2, 32), numpy.uint8))),
    ('descriptors', dict(x=[1.0], y=[1.0], descriptors=numpy.zeros((1, 4, 3), numpy.uint8))),
    ('x', dict(x=[1e40], y=[1.0])),
]


@pytest.mark.parametrize('field, arguments', REFUSED, ids=['%s-%d' % (c[0], i) for i, c in enumerate(REFUSED)])
def test_refused_inputs_name_the_field(field, arguments):
    with pytest.raises(ValueError, match="'%s'" % field):
        pelmora_cv.from_arrays(**arguments)


def _bent(field, value):
    message = pelmora_cv.from_arrays([1.0, 2.0], [3.0, 4.0], descriptors=numpy.zeros((2, 5), numpy.uint8))
    setattr(message, field, value)
    return message


@pytest.mark.parametrize('field, message', [
    ('x', _bent('x', [1.0])),
    ('confidence', _bent('confidence', [1, 2, 3])),
    ('descriptor', _bent('descriptor', [0, 0, 0])),
    ('descriptor', _bent('descriptorsize', 9)),
    ('angle', _bent('angle', [])),
    ('x', _bent('keypointnumber', 3)),
])
def test_arrays_refuses_a_message_off_the_convention(field, message):
    with pytest.raises(ValueError, match="'%s'" % field):
        pelmora_cv.arrays(message)


@pytest.mark.parametrize('count', [1, 100_000])
def test_arrays_are_views_on_the_message(count):
    rng = numpy.random.default_rng(count)
    rows = rng.integers(0, 256, (count, 32), numpy.uint8)
    message = pelmora_cv.from_arrays(rng.random(count), rng.random(count), descriptors=rows)
    view = pelmora_cv.arrays(message)
    for field in pelmora_cv.Keypoints._fields[:-1]:
        assert numpy.shares_memory(getattr(view, field), getattr(message, field)), field
    assert numpy.shares_memory(view.descriptors, message.descriptor)
    assert view.descriptors.shape == (count, 32) and (view.descriptors == rows).all()
    view.x[0] = 12.5
    assert message.x[0] == 12.5
    with pytest.raises(BufferError):
        message.x.append(0.0)


def test_unaligned_descriptors_are_a_contiguous_copy():
    rows = numpy.arange(2 * 61, dtype=numpy.uint8).reshape(2, 61)
    message = pelmora_cv.from_arrays([1.0, 2.0], [3.0, 4.0], descriptors=rows)
    view = pelmora_cv.arrays(message)
    assert not numpy.shares_memory(view.descriptors, message.descriptor)
    assert view.descriptors.flags.c_contiguous and (view.descriptors == rows).all()


# --- OpenCV -------------------------------------------------------------------

def test_from_cv2_is_from_arrays_of_the_keypoints_fields(cv2):
    points = [cv2.KeyPoint(10.5, 20.25, 31.4, 90.0, 0.0012346, 3, -1),
              cv2.KeyPoint(740.0, 0.0, 30.5, -1.0, 1 / 128, 0, 42)]
    rows = numpy.uint8([[0xAB] * 61, range(61)])
    message = pelmora_cv.from_cv2(points, rows, right_image=True)
    assert message == pelmora_cv.from_arrays(
        [10.5, 740.0], [20.25, 0.0], angle=[90.0, -1.0], size=[31.4, 30.5],
        response=numpy.float32([0.0012346, 1 / 128]), class_id=[-1, 42], right_image=True,
        descriptors=rows)
    assert list(message.confidence) == [1235, 7812] and list(message.uniqueid) == [MAX, 42]


def test_to_cv2_keeps_what_the_message_holds(cv2):
    sift = numpy.float32([[0.5] * 128, [-1.0] * 128])
    message = pelmora_cv.from_arrays([1.5, 2.5], [3.5, 4.5], angle=[10.0, -1.0], size=[31.4, 7.0],
                                    response=[0.25, 1e-7], class_id=[-1, 9], descriptors=sift)
    points, rows = pelmora_cv.to_cv2(message, numpy.float32)
    assert all(isinstance(p, cv2.KeyPoint) for p in points)
    assert [(p.pt, p.size, p.angle, p.response, p.octave, p.class_id) for p in points] == [
        ((1.5, 3.5), 31.0, 10.0, 0.25, 0, -1), ((2.5, 4.5), 7.0, -1.0, 0.0, 0, 9)]
    assert rows.dtype == numpy.float32 and (rows == sift).all()
    assert not numpy.shares_memory(rows, message.descriptor)
    with pytest.raises(ValueError, match="'descriptorsize'"):
        pelmora_cv.to_cv2(pelmora_cv.from_arrays([1.0], [1.0], descriptors=numpy.uint8([[1, 2, 3]])),
                         numpy.float32)


@pytest.mark.parametrize('call', [lambda: pelmora_cv.from_cv2([], None),
                                  lambda: pelmora_cv.to_cv2(Features())])
def test_without_cv2_the_error_says_what_to_install(monkeypatch, call):
    monkeypatch.setitem(sys.modules, 'cv2', None)  # import cv2 now raises ImportError
    with pytest.raises(ImportError, match='python3-opencv'):
        call()

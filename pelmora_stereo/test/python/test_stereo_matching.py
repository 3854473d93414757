"""Row matching and scoring of pelmora-stereo-match: the candidate rules and
the ratio test on keypoints laid out by hand, the ground-truth look-up, and
the real pair, where the right match clears the bar and a descriptor moved
to the wrong keypoint or swapped images do not."""

import os

import pytest

numpy = pytest.importorskip('numpy')
import stereo_matching  # noqa: E402


def descriptor(bits):
    """A 32-byte descriptor with its first `bits` bits set: that far from zero."""
    return numpy.packbits(numpy.arange(256) < bits)


# Each row's descriptors are widened by 64 zero bytes, which change no
# distance, and the right one is joined by a far candidate (64 bytes 0xFF
# more: 512 bits away) that lets the nearest pass the ratio test.
@pytest.mark.parametrize('a, b, distance', [
    (numpy.zeros(32, numpy.uint8), numpy.full(32, 0xFF, numpy.uint8), 256),
    (numpy.zeros(32, numpy.uint8), descriptor(1), 1),
    (numpy.uint8([0b1011_0110, 0x0F]), numpy.uint8([0b0110_1101, 0xF0]), 6 + 8),  # XOR 1101_1011, 1111_1111
])
def test_match_distance_is_hamming(a, b, distance):
    zeros, ones = numpy.zeros(64, numpy.uint8), numpy.full(64, 0xFF, numpy.uint8)
    left = (numpy.float32([100]), numpy.float32([50]), numpy.concatenate([a, zeros])[None])
    right = (numpy.float32([90, 80]), numpy.float32([50, 50]),
             numpy.stack([numpy.concatenate([b, zeros]), numpy.concatenate([a, ones])]))
    found = stereo_matching.match_rows(left, right)
    assert (found.left.tolist(), found.right.tolist(), found.distance.tolist()) == ([0], [0], [distance])


# One left keypoint at (100, 50) with a zero descriptor; right keypoints as
# (x, y, distance of their descriptor); the expected match or None.
CASES = [
    ('nearest in the row', [(90, 50, 10), (80, 51, 30)], 0),
    ('within 2 px of the row', [(90, 52, 10), (80, 50, 30)], 0),
    ('beyond 2 px is no candidate', [(90, 52.5, 1), (80, 50, 10), (70, 50, 30)], 1),
    ('right of xL is no candidate', [(101, 50, 1), (80, 50, 10), (70, 50, 30)], 1),
    ('xR = xL is a candidate', [(100, 50, 10), (70, 50, 30)], 0),
    ('ambiguous: 10 against 12', [(90, 50, 10), (80, 50, 12)], None),
    ('ratio 0.8 is not enough', [(90, 50, 8), (80, 50, 10)], None),
    ('one candidate tells nothing', [(90, 50, 10), (80, 40, 30)], None),
]


@pytest.mark.parametrize('right, expected', [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_candidates_and_ratio_test(right, expected):
    left = (numpy.float32([100]), numpy.float32([50]), numpy.zeros((1, 32), numpy.uint8))
    xr, yr, bits = (numpy.array(column) for column in zip(*right))
    found = stereo_matching.match_rows(
        left, (xr.astype(numpy.float32), yr.astype(numpy.float32), numpy.stack([descriptor(b) for b in bits])))
    assert found.right.tolist() == ([] if expected is None else [expected])


def test_errors_where_the_ground_truth_knows():
    truth = numpy.float32([[10.0, numpy.inf], [20.0, 30.0]])
    xl = numpy.float32([0.4, 1.0, 0.0, 1.4, 5.0])
    yl = numpy.float32([0.0, 0.0, 1.2, 0.6, 0.0])
    errors = stereo_matching.disparity_errors(xl, yl, numpy.float32([12, 7, 19.5, 30, 1]), truth)
    assert numpy.isnan(errors[[1, 4]]).all()  # unknown (inf), outside the map
    assert errors[[0, 2, 3]].tolist() == [2.0, 0.5, 0.0]
    result = stereo_matching.score(errors)
    assert (result.matches, result.known, result.median_error) == (5, 3, 0.5)
    assert (result.within_1px, result.within_3px) == (2 / 3, 1.0)


@pytest.fixture(scope='module')
def orb_pair(stereo_data, cv2):
    """(x, y, descriptors) of ORB's 2,000 keypoints in each image, and the
    ground truth."""
    orb = cv2.ORB_create(2000)
    sides = []
    for name in ('motorcycle_left.png', 'motorcycle_right.png'):
        points, rows = orb.detectAndCompute(cv2.imread(os.path.join(stereo_data, name), cv2.IMREAD_GRAYSCALE), None)
        sides.append((numpy.float32([p.pt[0] for p in points]), numpy.float32([p.pt[1] for p in points]), rows))
    with numpy.load(os.path.join(stereo_data, 'motorcycle_disp.npz')) as archive:
        return sides, archive['arr_0']


def share_within_3px(left, right, truth):
    found = stereo_matching.match_rows(left, right)
    xl, yl = left[0][found.left], left[1][found.left]
    disparity = xl - right[0][found.right]
    return stereo_matching.score(stereo_matching.disparity_errors(xl, yl, disparity, truth)).within_3px


def test_the_real_pair_clears_the_bar_and_faults_do_not(orb_pair):
    (left, right), truth = orb_pair
    assert share_within_3px(left, right, truth) >= 0.70
    moved = (left[0], left[1], numpy.roll(left[2], 1, axis=0))  # each descriptor on the next keypoint
    assert share_within_3px(moved, right, truth) < 0.3
    assert share_within_3px(right, left, truth) < 0.3  # the images swapped

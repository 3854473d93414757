"""Matching binary descriptors along the rows of a rectified stereo pair, and
scoring the disparities against a ground-truth map, with NumPy only.

In a rectified pair a point seen at (xL, y) in the left image appears at
(xR, y) in the right one, with xR <= xL; the disparity xL - xR grows as the
point comes nearer. match_rows pairs each left keypoint with the right
keypoint whose descriptor is nearest in Hamming distance among those within
`row_tolerance` pixels of its row and not to its right, and keeps the pair
only if the nearest is clearly nearer than the second (Lowe's ratio test).
"""

import collections

import numpy

# Set bits of every byte value.
POPCOUNT = numpy.unpackbits(numpy.arange(256, dtype=numpy.uint8)[:, None], axis=1).sum(axis=1).astype(numpy.uint16)
# Left keypoints compared per step: bounds the XOR block at
# CHUNK x right keypoints x descriptor bytes.
CHUNK = 256

Matches = collections.namedtuple('Matches', 'left right distance')
Score = collections.namedtuple('Score', 'matches known within_1px within_3px median_error errors')


def hamming(left, right):
    """Hamming distances between every row of `left` (n x B uint8) and every
    row of `right` (m x B uint8): an n x m uint16 array."""
    return POPCOUNT[left[:, None, :] ^ right[None, :, :]].sum(axis=2, dtype=numpy.uint16)


def match_rows(left, right, row_tolerance=2.0, ratio=0.8):
    """Matches of left keypoints to right ones, each given as (x, y,
    descriptors) with n x B uint8 descriptors.

    A right keypoint is a candidate for a left one when |yL - yR| <=
    row_tolerance and xR <= xL. The nearest candidate is taken when its
    distance is below ratio x the second nearest's; a keypoint with one
    candidate only has nothing to tell it from, and is not matched.
    Returns Matches(left indices, right indices, distances).
    """
    (xl, yl, dl), (xr, yr, dr) = left, right
    if dl.shape[1] != dr.shape[1]:
        raise ValueError('left descriptors have %d bytes, right ones %d' % (dl.shape[1], dr.shape[1]))
    unreachable = numpy.iinfo(numpy.uint16).max
    found = [(numpy.zeros(0, numpy.intp), numpy.zeros(0, numpy.intp), numpy.zeros(0, numpy.uint16))]
    if len(xr) < 2:
        return Matches(*found[0])
    for start in range(0, len(xl), CHUNK):
        rows = slice(start, start + CHUNK)
        distance = hamming(dl[rows], dr)
        candidate = ((numpy.abs(yl[rows, None] - yr[None, :]) <= row_tolerance)
                     & (xr[None, :] <= xl[rows, None]))
        distance[~candidate] = unreachable
        two = numpy.partition(distance, 1, axis=1)[:, :2]
        best = numpy.argmin(distance, axis=1)
        kept = (two[:, 1] != unreachable) & (two[:, 0] < ratio * two[:, 1])
        index = numpy.flatnonzero(kept)
        found.append((index + start, best[index], two[index, 0]))
    return Matches(*(numpy.concatenate(parts) for parts in zip(*found)))


def disparity_errors(xl, yl, disparity, truth):
    """|disparity - truth| at (round xL, round yL) of each match, NaN where
    the ground truth (rows y, columns x; inf where unknown) knows nothing or
    the point lies outside it."""
    column, row = numpy.rint(xl).astype(numpy.int64), numpy.rint(yl).astype(numpy.int64)
    inside = (row >= 0) & (row < truth.shape[0]) & (column >= 0) & (column < truth.shape[1])
    expected = numpy.full(len(xl), numpy.inf, numpy.float64)
    expected[inside] = truth[row[inside], column[inside]]
    return numpy.where(numpy.isfinite(expected), numpy.abs(disparity - expected), numpy.nan)


def score(errors):
    """The shares of matches within 1 and 3 pixels and the median absolute
    error, over the matches whose ground truth is known."""
    known = errors[~numpy.isnan(errors)]
    if known.size == 0:
        return Score(len(errors), 0, 0.0, 0.0, numpy.nan, errors)
    return Score(len(errors), known.size, float(numpy.mean(known <= 1.0)),
                 float(numpy.mean(known <= 3.0)), float(numpy.median(known)), errors)

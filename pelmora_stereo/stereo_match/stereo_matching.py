"""Matching binary descriptors along the rows of a rectified stereo pair, and
scoring the disparities against a ground-truth map.

In a rectified pair a point seen at (xL, y) in the left image appears at
(xR, y) in the right one, with xR <= xL; the disparity xL - xR grows as the
point comes nearer. match_rows pairs each left keypoint with the right
keypoint whose descriptor is nearest in Hamming distance among those within
`row_tolerance` pixels of its row and not to its right, and keeps the pair
only if the nearest is clearly nearer than the second (Lowe's ratio test).
OpenCV's brute-force matcher measures the distances, restricted to those
candidates by a mask.
"""

import collections

import cv2
import numpy

# Left keypoints matched per step: bounds the candidate mask at
# CHUNK x right keypoints bytes.
CHUNK = 256

Matches = collections.namedtuple('Matches', 'left right distance')
Score = collections.namedtuple('Score', 'matches known within_1px within_3px median_error errors')


def match_rows(left, right, row_tolerance=2.0, ratio=0.8):
    """Matches of left keypoints to right ones, each given as (x, y,
    descriptors) with n x B uint8 descriptors.

    A right keypoint is a candidate for a left one when |yL - yR| <=
    row_tolerance and xR <= xL. The nearest candidate is taken when its
    distance is below ratio x the second nearest's; a keypoint with one
    candidate only has nothing to tell it from, and is not matched, nor is
    one whose two nearest are equally near.
    Returns Matches(left indices, right indices, distances).
    """
    (xl, yl, dl), (xr, yr, dr) = left, right
    if dl.shape[1] != dr.shape[1]:
        raise ValueError('left descriptors have %d bytes, right ones %d' % (dl.shape[1], dr.shape[1]))
    kept = []
    # Fewer than two right keypoints leave no left one two candidates.
    starts = range(0, len(xl), CHUNK) if len(xr) >= 2 else ()
    matcher = cv2.BFMatcher(cv2.NORM_HAMMING)
    for start in starts:
        rows = slice(start, start + CHUNK)
        candidate = ((numpy.abs(yl[rows, None] - yr[None, :]) <= row_tolerance)
                     & (xr[None, :] <= xl[rows, None]))
        # The two nearest candidates of each left keypoint, nearest first;
        # fewer where it has fewer.
        nearest = matcher.knnMatch(dl[rows], dr, k=2, mask=candidate.astype(numpy.uint8))
        kept += [(pair[0].queryIdx + start, pair[0].trainIdx, pair[0].distance) for pair in nearest
                 if len(pair) == 2 and pair[0].distance < ratio * pair[1].distance]
    left_index, right_index, distance = zip(*kept) if kept else ((), (), ())
    return Matches(numpy.array(left_index, numpy.intp), numpy.array(right_index, numpy.intp),
                   numpy.array(distance, numpy.uint16))


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

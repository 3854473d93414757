"""The picture of a stereo match: both images side by side, each match a
line from its left keypoint to its right one with a ring at either end,
coloured by the disparity error. Drawn with NumPy only: every line and ring
is a set of sampled points written in one indexing step.
"""

import numpy

# Colours by absolute disparity error: within 1 px, within 3 px, beyond,
# and where the ground truth knows nothing.
GOOD, FAIR, BAD, UNKNOWN = (40, 220, 40), (250, 200, 0), (235, 30, 30), (150, 150, 150)
RING_RADIUS = 3
# Lines are blended over the images, so that the scene stays visible.
LINE_OPACITY = 0.3


def colours(errors):
    """An (n, 3) uint8 colour per match error (NaN: unknown)."""
    result = numpy.empty((len(errors), 3), numpy.uint8)
    known = ~numpy.isnan(errors)
    result[:] = UNKNOWN
    result[known & (errors <= 1.0)] = GOOD
    result[known & (errors > 1.0) & (errors <= 3.0)] = FAIR
    result[known & (errors > 3.0)] = BAD
    return result


def _segments(start, end):
    """Points along each segment from start[i] to end[i] ((n, 2) x, y),
    about one per pixel of the longest: (n, samples, 2)."""
    samples = int(numpy.ceil(numpy.abs(end - start).max(initial=0.0))) + 1
    steps = numpy.linspace(0.0, 1.0, samples)
    return start[:, None, :] + steps[None, :, None] * (end - start)[:, None, :]


def _ring(centres):
    """Points on a circle of RING_RADIUS around each centre: (n, samples, 2)."""
    angles = numpy.linspace(0.0, 2 * numpy.pi, 8 * RING_RADIUS, endpoint=False)
    offsets = RING_RADIUS * numpy.stack([numpy.cos(angles), numpy.sin(angles)], axis=1)
    return centres[:, None, :] + offsets[None, :, :]


def _plot(canvas, points, colour, opacity=1.0):
    """Paints the pixels nearest to points (n, samples, 2) with each of the
    n colours, blended at `opacity`; points off the canvas are left out."""
    x = numpy.rint(points[..., 0]).astype(numpy.int64).ravel()
    y = numpy.rint(points[..., 1]).astype(numpy.int64).ravel()
    paint = numpy.repeat(colour, points.shape[1], axis=0).astype(numpy.float64)
    inside = (x >= 0) & (x < canvas.shape[1]) & (y >= 0) & (y < canvas.shape[0])
    x, y, paint = x[inside], y[inside], paint[inside]
    blended = (1.0 - opacity) * canvas[y, x] + opacity * paint
    canvas[y, x] = numpy.rint(blended).astype(numpy.uint8)


def draw_matches(left, right, left_points, right_points, errors):
    """Both RGB images side by side with each match drawn: left_points and
    right_points are (n, 2) arrays of (x, y) in their own image, errors the
    n absolute disparity errors (NaN: unknown). Bad matches are drawn last,
    on top, so that they stay visible."""
    if left.shape != right.shape:
        raise ValueError('the images differ in size: %s and %s' % (left.shape, right.shape))
    canvas = numpy.concatenate([left, right], axis=1)
    shift = numpy.array([left.shape[1], 0.0])
    order = numpy.argsort(numpy.nan_to_num(errors, nan=-1.0), kind='stable')
    start = numpy.asarray(left_points, numpy.float64)[order]
    end = numpy.asarray(right_points, numpy.float64)[order] + shift
    paint = colours(numpy.asarray(errors)[order])
    if len(order):
        _plot(canvas, _segments(start, end), paint, LINE_OPACITY)
        _plot(canvas, _ring(start), paint)
        _plot(canvas, _ring(end), paint)
    return canvas

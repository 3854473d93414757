#!/usr/bin/python3
"""pelmora-stereo-match: receives one Features message holding the ORB
keypoints of both images of a rectified stereo pair (isrightimage 0 and 1),
matches them along the rows, and scores the disparities against the pair's
ground truth.

    pelmora-stereo-match [--left PNG] [--right PNG] [--disparity NPZ]
                         [--output PNG] [--ratio R] [--row-tolerance PX]
                         [--bar SHARE] [--topic T] [--timeout SEC]
                         [--lib LIBPELMORA_DDS] [ENDPOINT OPTIONS]

Each left keypoint is matched to the right keypoint nearest in Hamming
distance among those within --row-tolerance pixels of its row and not to its
right, when that one passes the ratio test. The disparity xL - xR is compared
with the ground truth (array arr_0 of the .npz, inf where unknown) at the
left keypoint. The program prints the keypoints per image, the matches, the
shares within 1 and 3 pixels and the median absolute error, and writes both
images side by side with the matches coloured by error: green within 1 px,
yellow within 3 px, red beyond, grey where the ground truth is unknown.

ENDPOINT OPTIONS are those of pelmora-dds (--domain, --transport, --qos-*,
...), and its environment variables apply. Exit codes: 0 at least --bar of
the matches lie within 3 px, 1 fewer, 2 no message in time, 3 set-up
failure, 4 security enforced but enclave files missing, 64 usage, 130
interrupted.
"""

import argparse
import os
import sys

# The folders of the modules this program imports, relative to the prefix
# (the folder above bin/); CMake fills them in for the copies it makes.
MODULE_DIRS = ()
sys.path[:0] = [os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), folder)
                for folder in MODULE_DIRS]
# The folder of the pair that CMake was given (PELMORA_STEREO_DATA_DIR).
STEREO_DATA_DIR = None

import cv2  # noqa: E402
import numpy  # noqa: E402

from pelmora_dds_adapter import (  # noqa: E402
    DDS_ERROR, DDS_OK, EXIT_INTERRUPTED, EXIT_OK, EXIT_SETUP, EXIT_TIMEOUT,
    EXIT_USAGE, EXIT_WRONG, READER, Deadline, Stop, TypeSupport, default_library, last_error,
    load_adapter, make_options, refuse_usage, report_events, take_serialized)
import pelmora_cv  # noqa: E402
import stereo_matching  # noqa: E402
import stereo_picture  # noqa: E402

PROGRAM = 'pelmora-stereo-match'
FILES = {'left': 'motorcycle_left.png', 'right': 'motorcycle_right.png',
         'disparity': 'motorcycle_disp.npz'}
# 16,000 ORB keypoints (60 bytes each on the wire), eight times the default.
LARGEST_SAMPLE = 1 << 20


def share(text):
    value = float(text)
    if not 0.0 <= value <= 1.0:
        raise argparse.ArgumentTypeError('takes a share in [0, 1], got %s' % text)
    return value


def parse(argv):
    parser = argparse.ArgumentParser(
        prog=PROGRAM, description=__doc__.split('\n\n')[0], allow_abbrev=False,
        epilog='Endpoint options are those of pelmora-dds (see pelmora-dds pub --help).')
    for name, file in FILES.items():
        default = os.path.join(STEREO_DATA_DIR, file) if STEREO_DATA_DIR else None
        parser.add_argument('--' + name, default=default,
                            help='%s (default: %s)' % (file, default or 'none was configured'))
    parser.add_argument('--output', default='stereo-matches.png', help='the picture to write')
    parser.add_argument('--ratio', type=share, default=0.8,
                        help='ratio test: the nearest must be nearer than RATIO x the second')
    parser.add_argument('--row-tolerance', type=float, default=2.0, metavar='PX',
                        help='largest |yL - yR| of a candidate')
    parser.add_argument('--bar', type=share, default=0.70,
                        help='least share of matches within 3 px for exit code 0')
    parser.add_argument('--topic', default='/stereo/features')
    parser.add_argument('--timeout', type=float, default=60.0)
    parser.add_argument('--lib', default=default_library(__file__),
                        help='path of libpelmora_dds.so (default: $PELMORA_DDS_LIBRARY, '
                             'else the one installed beside this program)')
    try:
        args, endpoint_args = parser.parse_known_args(argv)
    except SystemExit as leaving:
        sys.exit(EXIT_OK if leaving.code == 0 else EXIT_USAGE)
    missing = [name for name in FILES if not getattr(args, name)]
    problems = ['--%s is required (no PELMORA_STEREO_DATA_DIR was configured)' % name for name in missing]
    refuse_usage(parser, args, problems)
    return args, ['--topic', args.topic] + endpoint_args


def read_image(path):
    """The image in the file as RGB, or OSError or ValueError. The file is
    read here and decoded by OpenCV: open() says why a file cannot be read,
    which cv2.imread keeps to itself."""
    with open(path, 'rb') as stream:
        data = numpy.frombuffer(stream.read(), numpy.uint8)
    image = cv2.imdecode(data, cv2.IMREAD_COLOR) if data.size else None
    if image is None:
        raise ValueError('%s: not an image OpenCV can decode' % path)
    return cv2.cvtColor(image, cv2.COLOR_BGR2RGB)


def write_picture(path, picture):
    """Writes the RGB picture to path as PNG, whatever its name ends in."""
    encoded, data = cv2.imencode('.png', cv2.cvtColor(picture, cv2.COLOR_RGB2BGR))
    assert encoded
    with open(path, 'wb') as stream:
        stream.write(data.tobytes())


def load_pair(args):
    """(left RGB, right RGB, ground-truth disparity), or exits with the
    usage code naming the file that cannot be read."""
    try:
        left, right = read_image(args.left), read_image(args.right)
        with numpy.load(args.disparity) as archive:
            truth = archive['arr_0']
    except (OSError, ValueError, KeyError) as error:
        print('%s: %s' % (PROGRAM, error), file=sys.stderr)
        sys.exit(EXIT_USAGE)
    return left, right, truth


def receive(args, endpoint_args):
    """(the serialized bytes of the first message on the topic, EXIT_OK) or
    (None, an exit code)."""
    deadline = Deadline(args.timeout)
    lib = load_adapter(args.lib)
    options = make_options(PROGRAM, lib, endpoint_args, LARGEST_SAMPLE)
    try:
        description = lib.pelmora_dds_options_describe(options).decode()
        ts = TypeSupport()
        Stop.install()
        reader = lib.pelmora_dds_endpoint_create(READER, ts.handle, options)
        if not reader:
            print('%s: %s' % (PROGRAM, last_error(lib)), file=sys.stderr)
            return None, EXIT_SETUP
        print('%s: waiting for one message on %s ...' % (PROGRAM, description), file=sys.stderr, flush=True)
        try:
            while not Stop.requested and not deadline.passed():
                status, data = take_serialized(lib, reader, deadline.left_ms(200))
                report_events(PROGRAM, 'writer', lib, reader)
                if status == DDS_OK:
                    return data, EXIT_OK
                if status == DDS_ERROR:
                    print('%s: %s' % (PROGRAM, last_error(lib)), file=sys.stderr)
                    return None, EXIT_SETUP
        finally:
            lib.pelmora_dds_endpoint_destroy(reader)
    finally:
        lib.pelmora_dds_options_destroy(options)
    if Stop.requested:
        return None, EXIT_INTERRUPTED
    print('%s: no message arrived in %g s' % (PROGRAM, args.timeout), file=sys.stderr)
    return None, EXIT_TIMEOUT


def split_images(keypoints):
    """((x, y, descriptors) of the left image, the same of the right one)
    from pelmora_cv.cdr_arrays, or ValueError for a message without
    descriptors."""
    if keypoints.descriptorsize == 0:
        raise ValueError('the message carries no descriptors')
    right = keypoints.isrightimage != 0
    return tuple((keypoints.x[side], keypoints.y[side], keypoints.descriptors[side]) for side in (~right, right))


def main(argv):
    args, endpoint_args = parse(argv)
    left_image, right_image, truth = load_pair(args)
    data, code = receive(args, endpoint_args)
    if data is None:
        return code
    try:
        # Views on the received bytes: nothing is decoded or copied.
        keypoints = pelmora_cv.cdr_arrays(data)
        left, right = split_images(keypoints)
    except ValueError as error:
        print('%s: %s' % (PROGRAM, error), file=sys.stderr)
        return EXIT_WRONG
    print('keypoints: left %d, right %d (descriptors of %d bytes)'
          % (len(left[0]), len(right[0]), keypoints.descriptorsize))
    found = stereo_matching.match_rows(left, right, args.row_tolerance, args.ratio)
    xl, yl = left[0][found.left], left[1][found.left]
    xr, yr = right[0][found.right], right[1][found.right]
    errors = stereo_matching.disparity_errors(xl, yl, xl - xr, truth)
    result = stereo_matching.score(errors)
    print('matches: %d (rows within %g px, xL >= xR, ratio test %g)'
          % (result.matches, args.row_tolerance, args.ratio))
    print('ground truth known at %d matches: within 1 px %.1f %%, within 3 px %.1f %%, '
          'median absolute error %.2f px'
          % (result.known, 100 * result.within_1px, 100 * result.within_3px, result.median_error))
    picture = stereo_picture.draw_matches(left_image, right_image, numpy.stack([xl, yl], axis=1),
                                          numpy.stack([xr, yr], axis=1), errors)
    write_picture(args.output, picture)
    print('wrote %s' % args.output)
    passed = result.within_3px >= args.bar
    print('stereo match: %s: %.1f %% of the matches within 3 px, the bar is %.1f %%'
          % ('passed' if passed else 'FAILED', 100 * result.within_3px, 100 * args.bar), flush=True)
    return EXIT_OK if passed else EXIT_WRONG


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

"""The encoded size of a Features sample, the 4-byte encapsulation header
excluded, for the Python tests; the same two functions as features_size.hpp.
The benchmark scripts count with a rule of their own, which the tests hold
to this one."""

# Two scalars and eight sequences, each a 4-byte word before any element.
_FIELD_WORDS = 2 + 8


def encoded_size(elements):
    """Bytes of a sample holding `elements` 4-byte elements in all."""
    return 4 * (_FIELD_WORDS + elements)


def keypoints_size(keypoints):
    """Bytes of a K-keypoint sample (8 descriptor words and one element of
    each other sequence a keypoint): 40 + 60·K."""
    return encoded_size((8 + 7) * keypoints)

"""The encoded size of a Features sample of K keypoints, the 4-byte
encapsulation header excluded, for the Python tests: as
tests/common/features_size.hpp, one 4-byte word per field (ten: two
scalars, eight length words), then one word per element, 8 descriptor words
and one element in each of the other seven sequences a keypoint."""

WORD_BYTES = 4
FIELD_WORDS = 10
DESCRIPTOR_WORDS_PER_KEYPOINT = 8
ELEMENTS_PER_KEYPOINT = DESCRIPTOR_WORDS_PER_KEYPOINT + 7


def keypoints_size(keypoints):
    """Bytes of a K-keypoint sample: 40 + 60·K."""
    return WORD_BYTES * (FIELD_WORDS + ELEMENTS_PER_KEYPOINT * keypoints)

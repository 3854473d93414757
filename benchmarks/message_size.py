"""The encoded size of a Features sample of K keypoints as the benchmark
scripts count it, the 4-byte encapsulation header excluded: one 4-byte word
per field (ten: two scalars, eight length words), then one word per element,
8 descriptor words and one element in each of the other seven sequences a
keypoint. The tests check the benchmarks' counts against their own rule
(tests/common/features_size.py), not against this one."""

WORD_BYTES = 4
FIELD_WORDS = 10
DESCRIPTOR_WORDS_PER_KEYPOINT = 8
ELEMENTS_PER_KEYPOINT = DESCRIPTOR_WORDS_PER_KEYPOINT + 7


def encoded_bytes(keypoints):
    """Bytes of a K-keypoint sample: 40 + 60·K."""
    return WORD_BYTES * (FIELD_WORDS + ELEMENTS_PER_KEYPOINT * keypoints)

"""The size of a pelmora-dds sample on the wire, for drivers, benchmarks
and their reports (the tests check them by a rule of their own,
features_size.py beside this package):
two 4-byte counts and eight sequence length words, then 15 words a
keypoint (8 descriptor words and one word in each of the seven other
sequences), behind a 4-byte encapsulation header.

    from pelmora_harness.features_size import encoded_bytes, payload_bytes
"""

ENCAPSULATION_BYTES = 4
DESCRIPTOR_WORDS_PER_KEYPOINT = 8


def encoded_bytes(keypoints):
    """CDR bytes of a sample with `keypoints` keypoints, header excluded."""
    return 4 * (10 + (DESCRIPTOR_WORDS_PER_KEYPOINT + 7) * keypoints)


def payload_bytes(keypoints):
    """The same with the encapsulation header: a DDS sample's payload."""
    return ENCAPSULATION_BYTES + encoded_bytes(keypoints)

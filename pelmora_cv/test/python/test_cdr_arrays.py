"""cdr_arrays() against pelmora's C decoder (cdr_checks.py) on a table of
payloads: every shared wire vector in both byte orders, cut at every offset
and with each length word set to 0, 1, 4294967295, the bytes behind it and
one more; the shared hostile payloads with the exact reason each is refused
for. Then the views themselves: on the memory of every kind of buffer, and
keeping it alive."""

import gc
import os
import struct
import weakref

import pytest

numpy = pytest.importorskip('numpy')

import pelmora_cv  # noqa: E402
from cdr_checks import HEADERS, check  # noqa: E402


def read_records(path, first_key):
    """The records of a shared vector file as dicts of their lines' keys."""
    records = []
    for line in open(path).read().splitlines():
        key, _, rest = line.partition(' ')
        if key == first_key:
            records.append({})
        if records and not key.startswith('#'):
            records[-1][key] = rest
    return records


VECTORS = read_records(os.environ['PELMORA_VECTORS_FILE'], 'vector')
HOSTILE = read_records(os.environ['PELMORA_HOSTILE_PAYLOADS_FILE'], 'payload')


def variants(body, order):
    """(what, payload): the body behind its header, cut at every offset, and
    with each sequence's length word set to each value of the table."""
    whole = HEADERS[order] + body
    yield 'whole', whole
    for cut in range(len(whole)):
        yield 'cut at %d' % cut, whole[:cut]
    word = struct.Struct(('<' if order == 'le' else '>') + 'I')
    at = 4 + 8  # the first length word
    for sequence in range(8):
        behind = len(whole) - at - 4
        for length in (0, 1, 4294967295, behind, behind + 1):
            yield 'sequence %d length %d' % (sequence, length), \
                whole[:at] + word.pack(length) + whole[at + 4:]
        at += 4 + 4 * word.unpack_from(whole, at)[0]


@pytest.mark.parametrize('order', sorted(HEADERS))
@pytest.mark.parametrize('vector', VECTORS, ids=[v['vector'] for v in VECTORS])
def test_holds_to_the_c_decoder(native, vector, order):
    problems = ['%s: %s' % (what, problem) for what, payload in variants(bytes.fromhex(vector[order]), order)
                for problem in [check(native, payload)] if problem]
    assert not problems, problems[:5]


@pytest.mark.parametrize('hostile', HOSTILE, ids=[h['payload'] for h in HOSTILE])
def test_hostile_payloads_are_refused_for_their_reasons(native, hostile):
    data = bytes.fromhex(hostile['hex'])
    assert check(native, data) == ''
    if hostile['verdict'] == 'drop':
        with pytest.raises(ValueError) as refused:
            pelmora_cv.cdr_arrays(data)
        assert str(refused.value) == hostile['reason']


def orb_payload(count, order='le'):
    """A consistent payload of count ORB-like keypoints (61-byte rows: the
    rows end in padding), with three bytes after it."""
    rng = numpy.random.default_rng(count)
    message = pelmora_cv.from_arrays(rng.random(count, numpy.float32), rng.random(count, numpy.float32),
                                     descriptors=rng.integers(0, 256, (count, 61), numpy.uint8))
    prefix = '<' if order == 'le' else '>'
    parts = [struct.pack(prefix + '2I', message.keypointnumber, message.descriptorsize)]
    for field, kind in (('descriptor', 'u4'), ('uniqueid', 'u4'), ('isrightimage', 'u4'), ('patternzise', 'u4'),
                        ('confidence', 'u4'), ('x', 'f4'), ('y', 'f4'), ('angle', 'f4')):
        values = numpy.frombuffer(getattr(message, field), kind)
        parts += [struct.pack(prefix + 'I', len(values)), values.astype(prefix + kind).tobytes()]
    return HEADERS[order] + b''.join(parts) + b'\xab\xcd\xef'


@pytest.mark.parametrize('kind', [bytes, bytearray, memoryview, lambda b: numpy.frombuffer(bytearray(b), numpy.uint8)],
                         ids=['bytes', 'bytearray', 'memoryview', 'numpy'])
@pytest.mark.parametrize('order', sorted(HEADERS))
def test_views_of_every_kind_of_buffer(native, kind, order):
    data = kind(orb_payload(100, order))
    assert check(native, data) == ''
    got = pelmora_cv.cdr_arrays(data)
    writable = not isinstance(data, bytes) and not (isinstance(data, memoryview) and data.readonly)
    assert got.x.flags.writeable == writable


def test_views_keep_the_data_alive():
    class Payload(bytearray):
        """A bytearray a weak reference can watch."""
    data = Payload(orb_payload(1000))
    gone = weakref.ref(data)
    got = pelmora_cv.cdr_arrays(data)
    x = got.x.copy()
    del data
    gc.collect()
    assert gone() is not None and (got.x == x).all()
    del got
    gc.collect()
    assert gone() is None


def test_a_buffer_with_gaps_is_refused():
    with pytest.raises(ValueError, match='contiguous'):
        pelmora_cv.cdr_arrays(memoryview(orb_payload(10))[::2])

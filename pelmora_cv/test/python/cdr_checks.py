"""Holds pelmora_cv.cdr_arrays() to pelmora's C decoder for any bytes at
all, as the table of cases (test_cdr_arrays.py) and the fuzzer
(cdr_arrays_fuzz.py) both do: the C type support, through pelmora_testing's
stand-in middleware, decodes the payload's body in the byte order its header
names, and what it made of it says what cdr_arrays() must do."""

import contextlib
import os

import numpy

import pelmora_cv

HEADERS = {'le': b'\x00\x01\x00\x00', 'be': b'\x00\x00\x00\x00'}


def words(values):
    """The values' 32-bit patterns in little-endian order (floats as bits)."""
    return values.view(values.dtype.str[0] + 'u4').astype('<u4')


@contextlib.contextmanager
def stderr_to_null():
    """File descriptor 2 on /dev/null: the C decoder says why it refuses
    there, millions of times in a fuzzing run."""
    saved = os.dup(2)
    null = os.open(os.devnull, os.O_WRONLY)
    try:
        os.dup2(null, 2)
        yield
    finally:
        os.dup2(saved, 2)
        os.close(null)
        os.close(saved)


def c_decoded(native, body, big_endian):
    """The Features the C decoder makes of body, or None when it refuses."""
    with native.record() as record:
        with stderr_to_null():
            decoded = native.peer_deserialize(native.type_support, body, len(body), big_endian, record)
        return native.convert_to_py(record) if decoded == 1 else None


def check(native, data):
    """'' when cdr_arrays(data) did what the C decoder requires, else what
    went wrong. It must refuse what the decoder refuses (with a reason of its
    own, which never names a field the way a count refusal does), refuse
    with arrays()'s text what arrays() refuses of the decoded message, and
    otherwise give arrays()'s values as views on data (descriptors of a
    big-endian body excepted, which must be a copy)."""
    try:
        got, refusal = pelmora_cv.cdr_arrays(data), None
    except ValueError as error:
        got, refusal = None, str(error)
    raw = bytes(memoryview(data).cast('B'))

    def refused_with(text):
        return '' if refusal == text else 'expected the refusal %r, got %r' % (text, refusal)

    if len(raw) < 4:
        return refused_with('payload of %d bytes has no encapsulation header' % len(raw))
    identifier = raw[0] << 8 | raw[1]
    if identifier not in (0, 1):
        return refused_with('unknown encapsulation 0x%04x' % identifier)
    message = c_decoded(native, raw[4:], identifier == 0)
    if message is None:
        return '' if refusal and not refusal.startswith("'") else \
            'the C decoder refuses the body, cdr_arrays said %r' % refusal
    try:
        expected = pelmora_cv.arrays(message)
    except ValueError as error:
        return refused_with(str(error))
    if refusal is not None:
        return 'refused what the C decoder and arrays() read: %r' % refusal
    return compare(got, expected, message, data, identifier == 0)


def compare(got, expected, message, data, big_endian):
    if (got.keypointnumber, got.descriptorsize) != (message.keypointnumber, message.descriptorsize):
        return 'the counts differ from the decoded ones'
    memory = numpy.frombuffer(memoryview(data).cast('B'), numpy.uint8)
    order = '>' if big_endian else '<'
    for field in expected._fields:
        view, values = getattr(got, field), getattr(expected, field)
        if field == 'descriptors':
            if view.shape != values.shape or not (view == values).all():
                return 'descriptors differ from the decoded ones'
            stride = -(-message.descriptorsize // 4) * 4
            if not big_endian and view.size and view.strides != (stride, 1):
                return 'descriptors have strides %s, not (%d, 1)' % (view.strides, stride)
            if numpy.shares_memory(view, memory) == big_endian and view.size:
                return 'descriptors of a %s body %s data' % (
                    'big-endian' if big_endian else 'little-endian',
                    'share memory with' if big_endian else 'do not share memory with')
            continue
        if view.dtype.str[0] != order:
            return '%s has dtype %s for a %s body' % (field, view.dtype, order)
        if view.shape != values.shape or not (words(view) == words(values)).all():
            return '%s differs from the decoded one' % field
        if view.size and not numpy.shares_memory(view, memory):
            return '%s is not a view on data' % field
    return ''

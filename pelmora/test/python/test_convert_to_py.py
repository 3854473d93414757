"""C-to-Python conversion: a new Features object from a record, the arrays
refilled in place, and failures that release the new object."""

import array
import sys

import pytest

import pelmora.msg._features as features_module
from conftest import SEQUENCE_FIELDS, assert_same_message, features_from_vector, vector
from pelmora.msg import Features


class Prefilled(Features):
    """Its constructor puts default items into every array."""
    __slots__ = ()

    def __init__(self):
        super().__init__(**{f: [7] for f in SEQUENCE_FIELDS})


released = []


class WideX(Features):
    """Breaks the class contract: x holds 8-byte doubles."""
    __slots__ = ()

    def __init__(self):
        super().__init__()
        Features._x.__set__(self, array.array('d'))

    def __del__(self):
        released.append(type(self))


class Broken(Features):
    __slots__ = ()

    def __init__(self):
        raise LookupError('constructor failed')


@pytest.fixture
def record(native):
    """A record holding descriptor [1, 2], x [0.5] and the largest scalar."""
    with native.record() as pointer:
        message = Features(keypointnumber=4294967295, descriptor=[1, 2], x=[0.5])
        assert native.convert_from_py(message, pointer) == (True, None)
        yield pointer


def test_scalars_and_arrays_reach_a_new_object(native, record):
    message = native.convert_to_py(record)
    assert message == Features(keypointnumber=4294967295, descriptor=[1, 2], x=[0.5])
    assert [getattr(message, f).typecode for f in SEQUENCE_FIELDS] == ['I'] * 5 + ['f'] * 3


def test_float_bit_patterns_survive_unchanged(native):
    with native.record() as pointer:
        native.deserialize(vector('special_floats')['le'], pointer)
        assert_same_message(native.convert_to_py(pointer), features_from_vector(vector('special_floats')))


def test_prefilled_arrays_end_with_exactly_the_records_elements(native, record, monkeypatch):
    monkeypatch.setattr(features_module, 'Features', Prefilled)
    message = native.convert_to_py(record)
    assert type(message) is Prefilled
    assert (list(message.descriptor), list(message.x), list(message.angle)) == ([1, 2], [0.5], [])


def test_item_size_8_is_refused_and_the_new_object_released(native, record, monkeypatch):
    monkeypatch.setattr(features_module, 'Features', WideX)
    released.clear()
    with pytest.raises(RuntimeError, match="^itemsize doesn't match expectation$"):
        native.convert_to_py(record)
    assert released == [WideX]


@pytest.mark.parametrize('breakage, error', [
    (lambda mp: mp.delattr(features_module, 'Features'), AttributeError),
    (lambda mp: mp.setitem(sys.modules, 'pelmora.msg._features', None), ImportError),
    (lambda mp: mp.setattr(features_module, 'Features', Broken), LookupError)])
def test_failures_keep_the_error_that_caused_them(native, record, monkeypatch, breakage, error):
    breakage(monkeypatch)
    with pytest.raises(error):
        native.convert_to_py(record)

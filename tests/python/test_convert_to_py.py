"""C-to-Python conversion: a new Features object from a record, the in-place
refill of the arrays, and the failures that release the new object."""

import array
import sys

import pytest

import pelmora.msg._features as features_module
from conftest import SEQUENCE_FIELDS, VECTORS, assert_same_message, features_from_vector
from pelmora.msg import Features


@pytest.fixture
def record_of(native):
    """A record filled from a Features message, destroyed after the test."""
    pointers = []

    def make(message):
        context = native.record()
        pointer = context.__enter__()
        pointers.append(context)
        assert native.convert_from_py(message, pointer) == (True, None)
        return pointer
    yield make
    for context in pointers:
        context.__exit__(None, None, None)


def test_empty_record_gives_zero_scalars_and_empty_arrays(native, record_of):
    message = native.convert_to_py(record_of(Features()))
    assert type(message) is Features
    assert message == Features()
    assert [getattr(message, f).typecode for f in SEQUENCE_FIELDS] == ['I'] * 5 + ['f'] * 3


def test_largest_scalar_stays_unsigned(native, record_of):
    message = native.convert_to_py(record_of(Features(keypointnumber=4294967295)))
    assert message.keypointnumber == 4294967295


def test_float_bit_patterns_survive_unchanged(native):
    vector = next(v for v in VECTORS if v['name'] == 'special_floats')
    with native.record() as pointer:
        native.deserialize(vector['le'], pointer)
        message = native.convert_to_py(pointer)
    assert_same_message(message, features_from_vector(vector))
    assert array.array('I', message.x.tobytes())[4] == 0x80000000  # negative zero


class Prefilled(Features):
    """A class whose constructor puts default items into every array."""
    __slots__ = ()

    def __init__(self):
        super().__init__(**{field: [7, 7, 7] if field not in ('x', 'y', 'angle') else [7.0]
                            for field in SEQUENCE_FIELDS})


def test_prefilled_arrays_end_with_exactly_the_records_elements(native, record_of, monkeypatch):
    source = Features(descriptor=[1, 2], x=[0.5])
    pointer = record_of(source)
    monkeypatch.setattr(features_module, 'Features', Prefilled)
    message = native.convert_to_py(pointer)
    assert type(message) is Prefilled
    assert list(message.descriptor) == [1, 2] and list(message.x) == [0.5]
    assert all(len(getattr(message, f)) == 0 for f in SEQUENCE_FIELDS if f not in ('descriptor', 'x'))


released = []


class WideX(Features):
    """A class that breaks the contract: x holds 8-byte doubles."""
    __slots__ = ()

    def __init__(self):
        super().__init__()
        Features._x.__set__(self, array.array('d'))

    def __del__(self):
        released.append(type(self))


def test_item_size_8_is_refused_and_the_new_object_released(native, record_of, monkeypatch):
    pointer = record_of(Features(x=[1.0]))
    monkeypatch.setattr(features_module, 'Features', WideX)
    released.clear()
    with pytest.raises(RuntimeError, match="^itemsize doesn't match expectation$"):
        native.convert_to_py(pointer)
    assert released == [WideX]


def test_missing_class_keeps_the_lookup_error(native, record_of, monkeypatch):
    pointer = record_of(Features())
    monkeypatch.delattr(features_module, 'Features')
    with pytest.raises(AttributeError, match='Features'):
        native.convert_to_py(pointer)


def test_unimportable_module_keeps_the_import_error(native, record_of, monkeypatch):
    pointer = record_of(Features())
    monkeypatch.setitem(sys.modules, 'pelmora.msg._features', None)
    with pytest.raises(ImportError):
        native.convert_to_py(pointer)


def test_failing_constructor_keeps_its_error(native, record_of, monkeypatch):
    pointer = record_of(Features())

    class Broken(Features):
        __slots__ = ()

        def __init__(self):
            raise LookupError('constructor failed')
    monkeypatch.setattr(features_module, 'Features', Broken)
    with pytest.raises(LookupError, match='constructor failed'):
        native.convert_to_py(pointer)


def test_failing_scalar_assignment_keeps_its_error(native, record_of, monkeypatch):
    pointer = record_of(Features(descriptorsize=3))

    class Refusing(Features):
        __slots__ = ()

        def __setattr__(self, name, value):
            if name == 'descriptorsize':
                raise PermissionError(name)
            super().__setattr__(name, value)
    monkeypatch.setattr(features_module, 'Features', Refusing)
    with pytest.raises(PermissionError, match='descriptorsize'):
        native.convert_to_py(pointer)

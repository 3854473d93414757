"""Every success and failure path of the two conversions, run thousands of
times: no Python reference and no heap memory may be lost.

References are counted with sys.gettotalrefcount(), which only a debug
interpreter has (python3.11-dbg, run by CTest on the modules built for its
ABI); heap memory with glibc's mallinfo2(). One lost reference or record per
run shows up thousands of times over, far above the noise allowed here.
"""

import array
import contextlib
import ctypes
import gc
import os
import sys
import types

import pytest

import pelmora.msg._features as features_module
from pelmora.msg import Features
from test_convert_from_py import MISSING, plain_message
from test_convert_to_py import Prefilled

RUNS = 3000
ALLOWED_REFERENCES = 50   # interpreter caches settling, not growth per run
ALLOWED_HEAP_BYTES = 16 * 1024


class Impostor:
    __class__ = types.SimpleNamespace(__name__=5, __module__='pelmora.msg._features')


class Huge:
    def __len__(self):
        return 2**60

    def __iter__(self):
        return iter(())


class Liar:
    def __len__(self):
        return 3

    def __iter__(self):
        return iter([1])


FROM_PY_CASES = {
    'full message': Features(keypointnumber=1, descriptor=range(50), x=[0.5] * 20, angle=[1.0]),
    'generic lists and tuples': plain_message(descriptor=[1, True, 2**40], x=(0.1, 1e39)),
    'buffer of bytes': plain_message(uniqueid=b'12345678', y=bytearray(8)),
    'wrong class': plain_message('Feature'),
    'non-str class name': Impostor(),
    'missing field': plain_message(isrightimage=MISSING),
    'non-int scalar': plain_message(descriptorsize=1.5),
    'negative scalar': plain_message(keypointnumber=-1),
    'generator': plain_message(descriptor=(i for i in ())),
    'non-iterable': plain_message(confidence=3),
    'str': plain_message(patternzise='ab'),
    'non-int item': plain_message(uniqueid=[1, None]),
    'negative item': plain_message(uniqueid=[1, -5]),
    'int in float field': plain_message(angle=[1.0, 2]),
    'storage failure': plain_message(x=Huge()),
    'length beyond items': plain_message(descriptor=Liar()),
    'partial element': plain_message(descriptor=b'123'),
    'strided buffer': plain_message(y=memoryview(array.array('f', range(4)))[::2]),
}


@contextlib.contextmanager
def message_class(cls):
    saved = features_module.Features
    features_module.Features = cls
    try:
        yield
    finally:
        features_module.Features = saved


class WideDoubles(Features):
    __slots__ = ()

    def __init__(self):
        super().__init__()
        Features._x.__set__(self, array.array('d'))


class Broken(Features):
    __slots__ = ()

    def __init__(self):
        raise LookupError('constructor failed')


TO_PY_CASES = {
    'plain class': Features,
    'prefilled arrays': Prefilled,
    'item size 8': WideDoubles,
    'failing constructor': Broken,
    'missing class': None,
}


class Mallinfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in (
        'arena', 'ordblks', 'smblks', 'hblks', 'hblkhd', 'usmblks', 'fsmblks', 'uordblks',
        'fordblks', 'keepcost')]


def heap_in_use():
    libc = ctypes.CDLL(None)
    libc.mallinfo2.restype = Mallinfo2
    info = libc.mallinfo2()
    return info.uordblks + info.hblkhd


def measure(run):
    """Runs `run` RUNS times after a warm-up; returns (references, heap bytes) gained."""
    for _ in range(RUNS // 10):
        run()
    gc.collect()
    references = sys.gettotalrefcount() if hasattr(sys, 'gettotalrefcount') else 0
    heap = heap_in_use()
    for _ in range(RUNS):
        run()
    gc.collect()
    gained = (sys.gettotalrefcount() - references) if hasattr(sys, 'gettotalrefcount') else 0
    return gained, heap_in_use() - heap


@pytest.fixture(scope='module', autouse=True)
def interpreter_counts_references():
    if not hasattr(sys, 'gettotalrefcount'):
        if os.environ.get('PELMORA_REQUIRE_DEBUG_INTERPRETER'):
            pytest.fail('this run must use a debug interpreter')
        if os.environ.get('PELMORA_SANITIZED'):
            pytest.skip('no reference counts, and the sanitizer owns the heap')
    yield


def check(gained):
    references, heap = gained
    assert references <= ALLOWED_REFERENCES, '%d references lost over %d runs' % (references, RUNS)
    if not os.environ.get('PELMORA_SANITIZED'):
        assert heap <= ALLOWED_HEAP_BYTES, '%d heap bytes lost over %d runs' % (heap, RUNS)


@pytest.mark.parametrize('case', list(FROM_PY_CASES))
def test_python_to_c_loses_nothing(native, case):
    message = FROM_PY_CASES[case]

    def run():
        with native.record() as pointer:
            native.convert_from_py(message, pointer)
    check(measure(run))


@pytest.mark.parametrize('case', list(TO_PY_CASES))
def test_c_to_python_loses_nothing(native, case):
    cls = TO_PY_CASES[case]
    with native.record() as pointer:
        assert native.convert_from_py(Features(descriptor=range(10), x=[1.0, 2.0]), pointer)[0]

        def run():
            try:
                native.convert_to_py(pointer)
            except (RuntimeError, LookupError, AttributeError):
                pass
        if cls is None:
            saved = features_module.Features
            del features_module.Features
            try:
                gained = measure(run)
            finally:
                features_module.Features = saved
        else:
            with message_class(cls):
                gained = measure(run)
    check(gained)


def test_capsule_create_and_destroy_lose_nothing(native):
    def run():
        native.destroy_ros_message(native.create_ros_message())
    check(measure(run))

"""Every success and failure path of both conversions and of the capsules,
run thousands of times: no Python reference and no heap memory may be lost.

References are counted with sys.gettotalrefcount(), which only a debug
interpreter has (CTest runs this file under python3.11-dbg on the modules
built for its ABI); heap memory with glibc's mallinfo2(). A reference or a
record lost per run shows up thousands of times over, far above the noise
allowed here.
"""

import ctypes
import gc
import os
import sys

import pytest

import pelmora.msg._features as features_module
from pelmora.msg import Features
from test_convert_from_py import FAILURES, SUCCESSES
from test_convert_to_py import Broken, Prefilled, WideX, released

RUNS = 3000
ALLOWED_REFERENCES = 50   # caches settling, not growth per run
ALLOWED_HEAP_BYTES = 16 * 1024
COUNTS_REFERENCES = hasattr(sys, 'gettotalrefcount')
SANITIZED = bool(os.environ.get('PELMORA_SANITIZED'))  # the sanitizer owns the heap

if os.environ.get('PELMORA_REQUIRE_DEBUG_INTERPRETER') and not COUNTS_REFERENCES:
    raise RuntimeError('this run must use a debug interpreter')


@pytest.fixture(autouse=True)
def something_to_count():
    if SANITIZED and not COUNTS_REFERENCES:
        pytest.skip('no reference counts, and the sanitizer owns the heap')


class Mallinfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in (
        'arena', 'ordblks', 'smblks', 'hblks', 'hblkhd', 'usmblks', 'fsmblks', 'uordblks',
        'fordblks', 'keepcost')]


def counts():
    gc.collect()
    mallinfo2 = ctypes.CDLL(None).mallinfo2
    mallinfo2.restype = Mallinfo2
    info = mallinfo2()
    return (sys.gettotalrefcount() if COUNTS_REFERENCES else 0), info.uordblks + info.hblkhd


def assert_loses_nothing(run):
    for _ in range(RUNS // 10):
        run()
    references, heap = counts()
    for _ in range(RUNS):
        run()
    references_after, heap_after = counts()
    assert references_after - references <= ALLOWED_REFERENCES, 'references lost'
    assert SANITIZED or heap_after - heap <= ALLOWED_HEAP_BYTES, 'heap memory lost'


@pytest.mark.parametrize('name', list(SUCCESSES) + list(FAILURES))
def test_python_to_c_loses_nothing(native, name):
    message = (SUCCESSES.get(name) or FAILURES[name])[0]

    def run():
        with native.record() as pointer:
            native.convert_from_py(message, pointer)
    assert_loses_nothing(run)


@pytest.mark.parametrize('cls', [Features, Prefilled, WideX, Broken, None])
def test_c_to_python_loses_nothing(native, monkeypatch, cls):
    if cls is None:
        monkeypatch.delattr(features_module, 'Features')
    else:
        monkeypatch.setattr(features_module, 'Features', cls)
    with native.record() as pointer:
        assert native.convert_from_py(Features(descriptor=range(10), x=[1.0, 2.0]), pointer)[0]

        def run():
            try:
                native.convert_to_py(pointer)
            except (RuntimeError, LookupError, AttributeError):
                released.clear()
        assert_loses_nothing(run)


def test_capsule_create_and_destroy_lose_nothing(native):
    assert_loses_nothing(lambda: native.destroy(native.create()))

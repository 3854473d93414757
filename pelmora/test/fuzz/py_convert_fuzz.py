#!/usr/bin/python3
"""Seeded generator of hostile Python objects for the Python-to-C conversion.

Each case is a message object whose ten fields hold values of random types
and shapes: ints in and out of range, int subclasses, floats, strs, bytes,
generators, every buffer the standard library makes (arrays of every
typecode, bytes, bytearrays, memoryviews of any format, shape and stride,
ctypes arrays and structures), objects whose length and iteration disagree,
objects that raise, and message classes whose identity is forged. The case
is converted into a new record through the capsules of a type-support
module, by way of the _pelmora_fuzz_probe module, and these must hold:

- a false result comes with a Python error set, a true result without one;
- where the value's meaning is fixed, the result and the record's contents
  are exactly what an independent reading of the value gives (low 32 bits of
  ints, binary32 narrowing of floats, raw bytes of buffers);
- a record that was filled converts back to a message holding the same bytes;
- no reference to any object of the case is gained or lost.

Run under AddressSanitizer (with PYTHONMALLOC=malloc, so that leaked Python
objects and C storage are reported at exit) or valgrind, it also checks for
memory errors and leaks.

Usage:
  py_convert_fuzz.py --seconds N [--seed S]   random cases for N seconds
  py_convert_fuzz.py --count N [--seed S]     N random cases
  py_convert_fuzz.py --replay                 the regression cases, then the
                                              random cases of seeds replay:0 to
                                              replay:1999 (replay:499 under a
                                              debug interpreter)
Case k of a run with seed S uses random.Random('S:k'); a failing case is
reported with that seed, and --case S:k runs it alone.
"""
import array
import ctypes
import gc
import math
import pickle
import random
import struct
import sys
import time
import types

import _pelmora_fuzz_probe as probe
import fuzz_cases
from features_fields import FIELDS, FLOAT_FIELDS, SCALAR_FIELDS
MODULES = ('pelmora_s__rosidl_typesupport_c', 'pelmora_s__rosidl_typesupport_fastrtps_c',
           'pelmora_s__rosidl_typesupport_introspection_c')
MASK32 = 0xFFFFFFFF


# --- what a value must become ------------------------------------------------
#
# Each generated value comes with its expectation:
#   ('ok', x)      converted, to x (an int for a scalar, bytes for a sequence)
#   ('fail',)      the conversion stops here with false
#   ('either', x)  the implementation may refuse it; if it converts it, to x
#                  (None: the contents are not fixed either)

def ok(value):
    return ('ok', value)


FAIL = ('fail',)


def either(value=None):
    return ('either', value)


def binary32(value):
    """The bytes of a float narrowed to binary32, rounding to nearest; beyond
    the range an infinity of the same sign. Read with struct, not ctypes."""
    try:
        return struct.pack('=f', value)
    except OverflowError:
        return struct.pack('=f', math.copysign(math.inf, value))


def uint32_expectation(value):
    """An int item or scalar: its low 32 bits; out of the unsigned 64-bit range
    the conversion may refuse it."""
    if 0 <= value < 2 ** 64:
        return ok(value & MASK32)
    return either(None)


def buffer_expectation(obj):
    """A buffer-protocol value: its bytes in C order, 4 to an element; a
    trailing part of an element may be dropped or refused."""
    try:
        view = memoryview(obj)
    except (TypeError, ValueError):
        return FAIL
    with view:
        if not view.c_contiguous:
            return FAIL
        raw = view.tobytes()
    if len(raw) % 4:
        return either(raw[:len(raw) // 4 * 4])
    return ok(raw)


# --- values ----------------------------------------------------------------

class IntSubclass(int):
    def __index__(self):
        raise AssertionError('the conversion must read the int value, not call __index__')


class FloatSubclass(float):
    pass


class Indexable:
    """Not an int, though it has __index__."""

    def __index__(self):
        return 7


class LyingLength:
    """Iterates over `items` but claims `length` items."""

    def __init__(self, items, length):
        self.items = items
        self.length = length

    def __len__(self):
        return self.length

    def __iter__(self):
        return iter(self.items)


class LyingList(list):
    """A list (PySequence_Fast takes it as it is) whose __len__ lies."""

    def __init__(self, items, length):
        super().__init__(items)
        self.length = length

    def __len__(self):
        return self.length


class ShrinkingList(list):
    """A list that empties itself when asked for its length."""

    def __len__(self):
        self.clear()
        return 0


class RaisesIn:
    """Raises a new `error_type` from __len__ or from __iter__ (after `after`
    items). A new exception each time: a kept one would hold, through its
    traceback, a reference to this object."""

    def __init__(self, items, where, error_type, after=0):
        self.items, self.where, self.error_type, self.after = items, where, error_type, after

    def __len__(self):
        if self.where == 'len':
            raise self.error_type('hostile')
        return len(self.items)

    def __iter__(self):
        for index, item in enumerate(self.items):
            if self.where == 'iter' and index == self.after:
                raise self.error_type('hostile')
            yield item
        if self.where == 'iter':
            raise self.error_type('hostile')


class Structure8(ctypes.Structure):
    _fields_ = [('a', ctypes.c_uint32), ('b', ctypes.c_float)]


def random_bytes(rng, count):
    return bytes(rng.getrandbits(8) for _ in range(count))


def random_uint32s(rng, count):
    return [rng.getrandbits(32) for _ in range(count)]


def random_floats(rng, count):
    specials = [0.0, -0.0, math.inf, -math.inf, math.nan, 1e39, -1e39, 3.4028235e38,
                3.4028236e38, 1e-46, 5e-324, 0.1, 1.5, -2.75]
    return [rng.choice(specials) if rng.random() < 0.3 else rng.uniform(-1e6, 1e6)
            for _ in range(count)]


def random_int(rng):
    return rng.choice([
        0, 1, MASK32, 2 ** 32, 2 ** 32 + 5, 2 ** 63, 2 ** 64 - 1,
        2 ** 64, 2 ** 100, -1, -(2 ** 64), rng.getrandbits(32), rng.getrandbits(64),
        rng.randint(-(2 ** 70), 2 ** 70)])


def length(rng):
    return rng.choice([0, 1, 2, 3, 4, 5, rng.randint(0, 40), rng.randint(0, 300)])


def scalar_value(rng):
    """A value for keypointnumber or descriptorsize."""
    kind = rng.randrange(12)
    if kind < 5:
        value = random_int(rng)
    elif kind == 5:
        value = rng.choice([True, False])
    elif kind == 6:
        value = IntSubclass(random_int(rng))
    else:
        return rng.choice([1.0, math.nan, '7', b'\x07\x00\x00\x00', None, Indexable(), [1], (),
                           FloatSubclass(2.0), array.array('I', [1]), object()]), FAIL
    return value, uint32_expectation(int(value))


def uint32_item(rng):
    """An item of a uint32 sequence read through the generic path."""
    roll = rng.random()
    if roll < 0.8:
        value = rng.getrandbits(32)
    elif roll < 0.9:
        value = random_int(rng)
    elif roll < 0.95:
        value = rng.choice([True, False, IntSubclass(rng.getrandbits(40))])
    else:
        return rng.choice([1.5, '1', None, b'1', Indexable(), FloatSubclass(0.0)]), FAIL
    return value, uint32_expectation(int(value))


def float_item(rng):
    """An item of a float sequence read through the generic path."""
    roll = rng.random()
    if roll < 0.9:
        value = random_floats(rng, 1)[0]
    elif roll < 0.95:
        value = FloatSubclass(random_floats(rng, 1)[0])
    else:
        return rng.choice([1, True, '1.0', None, 2 ** 80, IntSubclass(3)]), FAIL
    return value, ok(binary32(value))


def items_expectation(expectations):
    """The expectation of a whole generic sequence from those of its items."""
    parts = []
    for expectation in expectations:
        if expectation[0] == 'fail':
            return FAIL
        if expectation[0] == 'either':
            return either(None)
        parts.append(expectation[1] if isinstance(expectation[1], bytes)
                     else struct.pack('=I', expectation[1]))
    return ok(b''.join(parts))


def generic_items(rng, is_float, count):
    make = float_item if is_float else uint32_item
    pairs = [make(rng) for _ in range(count)]
    return [value for value, _ in pairs], [expectation for _, expectation in pairs]


def buffer_value(rng, is_float):
    """A value with the buffer protocol, of any item format and shape."""
    kind = rng.randrange(9)
    count = length(rng)
    if kind == 0:
        typecode = rng.choice('bBuhHiIlLqQfd')
        if typecode == 'u':
            # (array('u', '') leaks its empty wide string in this CPython.)
            text = ''.join(chr(rng.randrange(32, 0xD800)) for _ in range(count))
            value = array.array('u', text) if text else array.array('u')
        elif typecode in 'fd':
            value = array.array(typecode, random_floats(rng, count))
        else:
            size = array.array(typecode).itemsize * 8
            low = -(2 ** (size - 1)) if typecode.islower() else 0
            high = 2 ** (size - 1) - 1 if typecode.islower() else 2 ** size - 1
            value = array.array(typecode, [rng.randint(low, high) for _ in range(count)])
    elif kind == 1:
        value = random_bytes(rng, rng.randint(0, 64))
    elif kind == 2:
        value = bytearray(random_bytes(rng, rng.randint(0, 64)))
    elif kind == 3:
        base = array.array('I', random_uint32s(rng, count + 2))
        view = memoryview(base)
        value = view[::rng.choice([1, 2, 3, -1])]
    elif kind == 4:
        raw = random_bytes(rng, 4 * count)
        fmt = rng.choice(['B', 'b', 'c', 'I', 'f', 'H', 'Q', 'd'])
        size = struct.calcsize(fmt)
        value = memoryview(raw[:len(raw) // size * size]).cast(fmt)
        if fmt in 'IfHB' and len(value) % 2 == 0 and len(value) and rng.random() < 0.5:
            value = value.cast('B').cast(fmt, shape=[2, len(value) // 2])
    elif kind == 5:
        element = rng.choice([ctypes.c_uint32, ctypes.c_float, ctypes.c_double, ctypes.c_char,
                              ctypes.c_uint16, ctypes.c_int64, Structure8])
        value = (element * count)()
        ctypes.memmove(value, random_bytes(rng, ctypes.sizeof(value)), ctypes.sizeof(value))
    elif kind == 6:
        value = pickle.PickleBuffer(bytearray(random_bytes(rng, 4 * count)))
    elif kind == 7:
        view = memoryview(bytearray(4 * count))
        view.release()
        value = view
    else:
        # Two dimensions in C order, or every other item of one: the first
        # is contiguous, the second is not.
        base = memoryview(array.array('I', random_uint32s(rng, 2 * count + 2)))
        value = base.cast('B').cast('I', shape=[2, count + 1]) if rng.random() < 0.5 else base[1::2]
    return value, buffer_expectation(value)


def sequence_value(rng, is_float):
    """A value for one of the eight sequence fields."""
    kind = rng.randrange(16)
    count = length(rng)
    if kind < 3:
        if is_float:
            value = array.array('f', random_floats(rng, count))
        else:
            value = array.array('I', random_uint32s(rng, count))
        return value, ok(value.tobytes())
    if kind < 6:
        return buffer_value(rng, is_float)
    if kind < 12:
        # Generic items, in a list or tuple or in one of the hostile shapes.
        items, expectations = generic_items(rng, is_float, count)
    if kind < 9:
        value = items if kind < 8 else tuple(items)
        return value, items_expectation(expectations)
    if kind == 9:
        claimed = rng.choice([count + 1, count + rng.randint(2, 100), max(count - 1, 0),
                              2 ** 62, 2 ** 62 + 3, 2 ** 40, sys.maxsize])
        cls = LyingList if rng.random() < 0.5 else LyingLength
        value = cls(items, claimed)
        if claimed <= count:
            return value, items_expectation(expectations[:claimed])
        return value, FAIL if claimed > 2 ** 32 else either(None)
    if kind == 10:
        return (item for item in items), FAIL
    if kind == 11:
        where = rng.choice(['len', 'iter'])
        error_type = rng.choice([RuntimeError, ValueError, TypeError, MemoryError, StopIteration])
        return RaisesIn(items, where, error_type, rng.randint(0, count)), FAIL
    if kind == 12:
        # Iterables that are no list: ranges, sets, strs (iterated into
        # one-character strs) have a length; a dict has none as a sequence.
        keys = random_floats(rng, count) if is_float else random_uint32s(rng, count)
        choice = rng.randrange(4)
        value = (range(count), dict.fromkeys(keys), 'x' * (count % 3), set(keys))[choice]
        items = list(value)
        if choice == 1 or items and (choice in (0, 2) and is_float or choice == 2):
            return value, FAIL
        if is_float:
            return value, ok(b''.join(binary32(item) for item in items))
        return value, ok(array.array('I', items).tobytes())
    if kind == 13:
        return ShrinkingList(random_uint32s(rng, count)), either(None)
    if kind == 14:
        return rng.choice([None, 5, 2.5, object(), Indexable(), types.SimpleNamespace()]), FAIL
    return array.array('d' if is_float else 'Q', [0] * count), ok(bytes(8 * count))


# --- message objects ---------------------------------------------------------

def forged_class(name='Features', module='pelmora.msg._features', bases=()):
    return type(name, bases, {'__module__': module})


class ForgedIdentity:
    """An object whose __class__ is any object with any __name__ and __module__."""

    def __init__(self, fake_class):
        object.__setattr__(self, '_fake_class', fake_class)

    @property
    def __class__(self):
        return object.__getattribute__(self, '_fake_class')


class Vanishing:
    """Raises a new error of `error_type` when the attribute `name` is read."""

    def __init__(self, name, error_type):
        object.__setattr__(self, '_vanishing', (name, error_type))

    def __getattribute__(self, attribute):
        name, error_type = object.__getattribute__(self, '_vanishing')
        if attribute == name:
            raise error_type(name)
        return object.__getattribute__(self, attribute)


def message_shell(rng):
    """(object to carry the fields, whether its class passes the name check
    (None when that is the implementation's reading of odd strings), the
    field whose reading raises or None)."""
    roll = rng.random()
    if roll < 0.6:
        return forged_class()(), True, None
    if roll < 0.75:
        from pelmora.msg._features import Features
        return Features(), True, None
    if roll < 0.8:
        name, passes = rng.choice([('FeaturesV2', True), ('Feature', False), ('features', False),
                                   ('Features\u00e9', True)])
        return forged_class(name=name)(), passes, None
    if roll < 0.85:
        module, passes = rng.choice([('pelmora.msg._features', True), ('pelmora.msg', False),
                                     ('pelmora.msg._featuresX', False), ('', False)])
        return forged_class(module=module)(), passes, None
    if roll < 0.95:
        name = rng.choice(['Features', 'Features\x00tail', 'Featur\u20acs', 'Features\u20ac', 5, None,
                           b'Features'])
        module = rng.choice(['pelmora.msg._features', 'pelmora.msg._features\x00x',
                             'pelmora.msg._feat\U0001F600', 3.0, None])
        fake = types.SimpleNamespace(__name__=name, __module__=module)
        strings = isinstance(name, str) and isinstance(module, str)
        return ForgedIdentity(fake), None if strings else False, None
    field = rng.choice(('__class__',) + FIELDS)
    error_type = rng.choice([AttributeError, RuntimeError, KeyError])
    shell = forged_class(bases=(Vanishing,))(field, error_type)
    return shell, field != '__class__', field


def build_case(rng):
    """(message, expectation per field, class passes, field values)."""
    from pelmora.msg._features import Features
    shell, passes, vanishing = message_shell(rng)
    # Most fields hold values the conversion must take, so that cases get
    # past their first fields; a few (or all) hold anything at all.
    hostile = set(rng.sample(FIELDS, rng.choice([0, 0, 1, 1, 2, 3, len(FIELDS)])))
    values, expectations = {}, []
    for field in FIELDS:
        for _ in range(100):
            if field in SCALAR_FIELDS:
                value, expectation = scalar_value(rng)
            else:
                value, expectation = sequence_value(rng, field in FLOAT_FIELDS)
            if field in hostile or expectation[0] == 'ok':
                break
        values[field] = value
        expectations.append(FAIL if field == vanishing else expectation)
    for field, value in values.items():
        if type(shell) is Features:
            getattr(Features, '_' + field).__set__(shell, value)  # past the validating setter
        else:
            object.__setattr__(shell, field, value)
    return shell, expectations, passes, values


# --- running a case ----------------------------------------------------------

class Fault(Exception):
    pass


ATOMS = (int, float, str, bytes, bool, type(None))


def watched_objects(message, values):
    """Objects of the case whose reference counts must not move: the message,
    its class, and every field value and list or tuple item that is not an
    atom. Atoms (ints, floats, strs, bytes) may be shared with other objects
    of the case, such as the items of a generator that the conversion runs
    to its end; a reference leaked on a fresh one shows as a leak at exit."""
    objects = [message, type(message)]
    for value in values.values():
        objects.append(value)
        if type(value) in (list, tuple):  # subclasses may change their items
            objects.extend(value[:16])
    unique = {id(obj): obj for obj in objects if type(obj) not in ATOMS}
    return list(unique.values())


def expected_outcome(passes, expectations):
    """(result, index of the first field whose contents are unknown): result
    True or False when fixed, None when it is the implementation's choice."""
    if passes is False:
        return False, 0
    if passes is None:
        return None, 0
    for index, expectation in enumerate(expectations):
        if expectation[0] == 'fail':
            return False, index
        if expectation[0] == 'either':
            return None, index
    return True, len(expectations)


def float_bytes_match(actual, expected):
    """Equal binary32 elements, any NaN matching any NaN."""
    if len(actual) != len(expected):
        return False
    pairs = zip(struct.iter_unpack('=f', actual), struct.iter_unpack('=f', expected))
    return all((a == e and math.copysign(1, a) == math.copysign(1, e)) or (math.isnan(a) and math.isnan(e))
               for (a,), (e,) in pairs)


def field_matches(index, actual, expectation):
    if expectation[0] == 'fail' or expectation[1] is None:
        return True
    wanted = expectation[1]
    if FIELDS[index] in FLOAT_FIELDS:
        # The generic path narrows each float; a buffer is copied unchanged,
        # but both compare equal bit for bit except in NaN payloads.
        return actual == wanted or float_bytes_match(actual, wanted)
    return actual == wanted


def preview(value):
    """What a fault report shows of a field: the first 32 bytes of a sequence."""
    return value[:32] if isinstance(value, bytes) else value


def check_back(fields, back, back_error):
    if back_error is not None:
        raise Fault('converting the record back failed: %r' % (back_error,))
    for index, field in enumerate(FIELDS):
        value = getattr(back, field)
        if field in SCALAR_FIELDS:
            if value != fields[index]:
                raise Fault('%s came back as %r, not %r' % (field, value, fields[index]))
        elif value.tobytes() != fields[index]:
            raise Fault('%s came back with other bytes' % field)


RESULTS = {True: 0, False: 0}


def run_seed(capsules, seed):
    """Runs the case of `seed`; under a debug interpreter also counts every
    reference that the conversion gains or drops anywhere."""
    RESULTS[run_case(capsules, random.Random(seed))] += 1
    if hasattr(sys, 'gettotalrefcount'):
        gained = references_gained(capsules, seed)
        if gained:
            raise Fault('the conversion moved the total reference count by %d' % gained)


def run_case(capsules, rng):
    message, expectations, passes, values = build_case(rng)
    watched = watched_objects(message, values)
    counts = [sys.getrefcount(obj) for obj in watched]

    result, error, fields, back, back_error = probe.convert(*capsules, message)

    if result and error is not None:
        raise Fault('true result with an error set: %r' % (error,))
    if not result and error is None:
        raise Fault('false result without an error set')
    expected, known = expected_outcome(passes, expectations)
    if expected is not None and result != expected:
        raise Fault('expected %s, got %s (%r)' % (expected, result, error))
    if result:
        for index in range(min(known, len(FIELDS))):
            if not field_matches(index, fields[index], expectations[index]):
                raise Fault('%s holds %r, expected %r' % (FIELDS[index], preview(fields[index]),
                                                         preview(expectations[index][1])))
        check_back(fields, back, back_error)
    else:
        # A field that was refused for its length gets no storage for a count
        # that nothing backs; a count over 2**32 would mean exactly that.
        for field, count in zip(FIELDS, fields):
            if field not in SCALAR_FIELDS and count > 2 ** 32:
                raise Fault('%s was left with %d elements after a failure' % (field, count))

    converted = result
    del result, error, fields, back, back_error
    # Counted the same way before and after, so that the counting's own
    # references cancel out.
    after = [sys.getrefcount(obj) for obj in watched]
    if after != counts:
        gc.collect()
        after = [sys.getrefcount(obj) for obj in watched]
    for obj, before, now in zip(watched, counts, after):
        if now != before:
            raise Fault('reference count of a %s went from %d to %d' % (type(obj).__name__, before, now))
    return converted


def references_gained(capsules, seed):
    """Debug interpreter only: how far the interpreter's total reference count
    moves when the case is built, converted and dropped, less how far it moves
    when the case is built and dropped unconverted. The whole case is
    dropped, since a conversion may rightly use up objects of the case (it
    runs a generator to its end); a warm-up run first fills the caches that
    the measured runs would otherwise fill (attribute cache, ctypes types)."""
    def measure(convert):
        # An exception that passes through Python code makes the interpreter
        # create the frame object of this function; make it beforehand.
        frame = sys._getframe()  # noqa: F841
        # The type attribute cache keeps the attribute names it has seen.
        sys._clear_type_cache()
        gc.collect()
        before = sys.gettotalrefcount()
        message = build_case(random.Random(seed))[0]
        if convert:
            probe.convert(*capsules, message)
        del message
        sys._clear_type_cache()
        gc.collect()
        return sys.gettotalrefcount() - before

    measure(True)
    return measure(True) - measure(False)


def load_capsules(module_name):
    import importlib
    module = importlib.import_module('pelmora.' + module_name)
    return (module.create_ros_message_msg__msg__features,
            module.destroy_ros_message_msg__msg__features,
            module.convert_from_py_msg__msg__features,
            module.convert_to_py_msg__msg__features)


# --- regression cases: objects that once found a fault ---------------------

def regression_cases():
    """(name, message, field whose size must stay 0 on failure or None)."""
    cases = []
    for claimed in (2 ** 62, 2 ** 62 + 1, 2 ** 40):
        for cls in (LyingList, LyingLength):
            message = forged_class()()
            for field in FIELDS:
                setattr(message, field, 0 if field in SCALAR_FIELDS else [])
            message.uniqueid = cls([1, 2], claimed)
            cases.append(('%s claiming %d items in uniqueid' % (cls.__name__, claimed), message, 'uniqueid'))
    return cases


def run_regressions(capsules):
    cases = regression_cases()
    for name, message, field in cases:
        result, error, fields, _, _ = probe.convert(*capsules, message)
        if result or error is None:
            raise Fault('%s: expected false with an error, got %r, %r' % (name, result, error))
        if fields[FIELDS.index(field)] != 0:
            raise Fault('%s: %s was left with %d elements' % (name, field, fields[FIELDS.index(field)]))
    return len(cases)


def main():
    parser = fuzz_cases.argument_parser(__doc__.split('\n')[0])
    parser.add_argument('--module', default=None, help='type-support module whose capsules to use')
    args = parser.parse_args()

    # The cases take turns at the modules' capsules.
    capsules = [load_capsules(name) for name in ([args.module] if args.module else MODULES)]
    cases = 0
    started = time.monotonic()
    if args.replay and not args.case:
        for module_capsules in capsules:
            cases += run_regressions(module_capsules)
    try:
        # The debug interpreter converts each case three times more.
        replay_cases = 500 if hasattr(sys, 'gettotalrefcount') else 2000
        for index, seed in enumerate(fuzz_cases.case_seeds(args, started, replay_cases)):
            run_seed(capsules[index % len(capsules)], seed)
            cases += 1
    except Fault as fault:
        print('FAULT in case %s: %s' % (seed, fault), file=sys.stderr)
        print('rerun with: --case %s' % seed, file=sys.stderr)
        return 1
    elapsed = time.monotonic() - started
    print('%d cases in %.0f s, no fault (%d converted, %d refused)' % (
        cases, elapsed, RESULTS[True], RESULTS[False]))
    return 0


if __name__ == '__main__':
    sys.exit(main())

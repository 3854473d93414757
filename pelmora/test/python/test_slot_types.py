"""Features.SLOT_TYPES: one ROS 2 IDL type description per field, in field
order, from rosidl_parser.definition when it imports and from the package's
own classes of the same names and attributes when it does not."""

import os
import subprocess
import sys

import pytest

from pelmora.msg import Features

# (class name, typename of the basic type) per field, written out by hand.
EXPECTED = [('BasicType', 'uint32')] * 2 + [('UnboundedSequence', 'uint32')] * 5 \
    + [('UnboundedSequence', 'float')] * 3

DESCRIBE = '''
import sys
from pelmora.msg import Features
for slot in Features.SLOT_TYPES:
    basic = slot.value_type if hasattr(slot, 'value_type') else slot
    print(type(slot).__module__, type(slot).__name__, basic.typename,
          slot.has_maximum_size() if hasattr(slot, 'value_type') else '-')
'''


def describe(block_parser):
    """The SLOT_TYPES of a fresh interpreter, rosidl_parser importable or not."""
    code = ("import sys; sys.modules['rosidl_parser'] = None\n" if block_parser else '') + DESCRIBE
    result = subprocess.run([sys.executable, '-c', code], capture_output=True, text=True,
                            env=dict(os.environ), timeout=60, check=True)
    return [line.split() for line in result.stdout.splitlines()]


def test_without_the_parser_the_package_classes_describe_each_field():
    rows = describe(block_parser=True)
    assert [(name, typename) for _, name, typename, _ in rows] == EXPECTED
    assert {module for module, *_ in rows} == {'pelmora._definition'}
    assert [bounded for *_, bounded in rows] == ['-'] * 2 + ['False'] * 8


def test_with_the_parser_its_classes_describe_each_field():
    definition = pytest.importorskip('rosidl_parser.definition')
    assert [(type(s).__name__, getattr(s, 'value_type', s).typename) for s in Features.SLOT_TYPES] \
        == EXPECTED
    assert all(type(s) in (definition.BasicType, definition.UnboundedSequence)
               for s in Features.SLOT_TYPES)
    assert Features.SLOT_TYPES[2] == definition.UnboundedSequence(definition.BasicType('uint32'))
    assert Features.SLOT_TYPES[7] != Features.SLOT_TYPES[2]


def test_package_classes_compare_and_carry_the_parser_attributes():
    from pelmora._definition import BasicType, UnboundedSequence
    floats = UnboundedSequence(BasicType('float'))
    assert floats == UnboundedSequence(BasicType('float'))
    assert floats != UnboundedSequence(BasicType('uint32')) and BasicType('float') != floats
    assert floats.value_type.typename == 'float' and floats.has_maximum_size() is False
    definition = pytest.importorskip('rosidl_parser.definition')
    theirs = definition.UnboundedSequence(definition.BasicType('float'))
    assert all(hasattr(theirs, name) for name in ('value_type', 'has_maximum_size'))
    assert hasattr(theirs.value_type, 'typename')

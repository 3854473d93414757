#!/usr/bin/env python3
"""Compiles msg/Features.idl with Cyclone DDS's idlc, an IDL compiler
independent of this package, and checks that the C struct it derives has the
fields of msg/Features.msg, in order and with the matching types. A copy with
one wrong type name must be refused, so that a broken file cannot pass.

Usage: check_idl_with_idlc.py <idlc> <msg-folder>
"""
import pathlib
import re
import subprocess
import sys
import tempfile

# .msg field type -> the C member type idlc gives the IDL type of that field.
C_TYPES = {'uint32': 'uint32_t', 'uint32[]': 'dds_sequence_uint32', 'float32[]': 'dds_sequence_float'}


def msg_fields(path):
    lines = (line.split('#')[0].split() for line in path.read_text().splitlines())
    return [(C_TYPES[words[0]], words[1]) for words in lines if words]


def idlc_struct(idlc, idl, out):
    """The (type, name) members of the struct idlc writes, or None if it refuses the file."""
    if subprocess.run([idlc, '-o', str(out), str(idl)], capture_output=True, timeout=60).returncode:
        return None
    header = (out / (idl.stem + '.h')).read_text()
    body = re.search(r'typedef struct pelmora_msg_Features\n\{\n(.*?)\n\} pelmora_msg_Features;',
                     header, re.S)
    return [tuple(line.strip(' ;').split()) for line in body.group(1).splitlines()]


def main(idlc, msg_dir):
    msg_dir = pathlib.Path(msg_dir)
    expected = msg_fields(msg_dir / 'Features.msg')
    assert len(expected) == 10, expected
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        members = idlc_struct(idlc, msg_dir / 'Features.idl', work)
        assert members == expected, 'idlc: %s\n.msg: %s' % (members, expected)

        broken = work / 'broken' / 'Features.idl'
        broken.parent.mkdir()
        broken.write_text((msg_dir / 'Features.idl').read_text().replace('sequence<float> y;', 'sequence<flaot> y;'))
        assert idlc_struct(idlc, broken, broken.parent) is None, 'idlc accepted an unknown type'
    print('idlc compiles msg/Features.idl to the ten fields of msg/Features.msg')


if __name__ == '__main__':
    main(*sys.argv[1:])

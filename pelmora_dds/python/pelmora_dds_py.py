#!/usr/bin/python3
"""Python peer of pelmora-dds: publishes or receives pelmora.msg.Features
over DDS as a ROS 2 peer.

libpelmora_dds runs pelmora-dds pub or echo for it (pelmora_dds_main): the
options and their checks, the samples and their check, the stream
accounting, the YAML, the summary and the exit code are the tool's own.
Every sample's C message passes through this program on its way and is
converted to a pelmora.msg.Features and back to a new C message through the
package's capsules, as a ROS 2 client library converts what it publishes and
takes. Nothing in this file encodes or decodes CDR.

    pelmora_dds_py.py pub|echo [--lib LIBPELMORA_DDS] [OPTIONS]

OPTIONS are those of pelmora-dds pub and echo except --side (see
pelmora_dds_py.py pub --help); the same environment variables apply.
"""

import argparse
import ctypes
import os
import sys

# The folders of the modules this program imports, relative to the prefix
# (the folder above bin/); CMake fills them in for the copies it makes.
MODULE_DIRS = ()
sys.path[:0] = [os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), folder)
                for folder in MODULE_DIRS]

from pelmora_dds_adapter import EXIT_USAGE, TypeSupport, default_library, load_adapter  # noqa: E402

PROGRAM = 'pelmora-dds-py'
RELAY = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p)


def through_python(ts):
    """The relay: C message -> pelmora.msg.Features -> new C message. An
    exception makes ctypes return 0, which the tool reports as a failure."""
    def relay(message, copy, context):
        return 1 if ts.convert_from_py(ts.convert_to_py(message), copy) else 0
    return RELAY(relay)


def main(argv):
    parser = argparse.ArgumentParser(prog=PROGRAM, add_help=False, allow_abbrev=False)
    parser.add_argument('--lib', default=default_library(__file__))
    args, tool_args = parser.parse_known_args(argv)
    if not args.lib:
        print('%s: --lib (or PELMORA_DDS_LIBRARY) is required' % PROGRAM, file=sys.stderr)
        return EXIT_USAGE
    lib = load_adapter(args.lib)
    relay = through_python(TypeSupport())
    arguments = [a.encode() for a in [PROGRAM] + tool_args]
    return lib.pelmora_dds_main(len(arguments), (ctypes.c_char_p * len(arguments))(*arguments),
                                b'py', relay, None)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))

"""The DDS adapter's C interface and the package's capsules, from Python.

A Python program moves Features the way a ROS 2 client library does: the
capsules of pelmora's C type-support module create a C record, fill it from
the Python object (convert_from_py) and hand the record with the C
dispatcher's handle to libpelmora_dds through its C interface
(include/pelmora_dds/pelmora_dds.h); received records become
Python objects again through convert_to_py, or a reader takes a sample's
serialized bytes as they came (take_serialized). Nothing here encodes or
decodes CDR. The Python peer (pelmora_dds_py.py) and pelmora-stereo-match use it.
"""

import ctypes
import os
import signal
import sys
import time

# Exit codes shared by pelmora-dds and its Python programs.
EXIT_OK, EXIT_WRONG, EXIT_TIMEOUT, EXIT_SETUP, EXIT_REFUSED, EXIT_USAGE, EXIT_INTERRUPTED = \
    0, 1, 2, 3, 4, 64, 130
# Status codes and event kinds of the C interface.
DDS_OK, DDS_TIMEOUT, DDS_ERROR = 0, 1, -1
EVENTS = {1: 'matched', 2: 'lost', 3: 'incompatible', 4: 'lost the liveliness of', 5: 'alive:'}
READER, WRITER = 0, 1

# The library folder under the install prefix; the installed copy of this
# module names the one the build installs to.
INSTALLED_LIBDIR = 'lib'


def default_library(program):
    """libpelmora_dds of the prefix whose bin/ holds `program` (the build
    tree has the same layout), or $PELMORA_DDS_LIBRARY; None when neither is
    there."""
    prefix = os.path.dirname(os.path.dirname(os.path.abspath(program)))
    installed = os.path.join(prefix, INSTALLED_LIBDIR, 'libpelmora_dds.so')
    return os.environ.get('PELMORA_DDS_LIBRARY') or (installed if os.path.exists(installed) else None)


class TypeSupport:
    """Function pointers behind the capsules of pelmora's C type-support module."""

    def __init__(self):
        from pelmora.msg import Features
        metaclass = type(Features)
        metaclass.__import_type_support__()
        pointer_of = ctypes.pythonapi.PyCapsule_GetPointer
        pointer_of.restype = ctypes.c_void_p
        pointer_of.argtypes = [ctypes.py_object, ctypes.c_char_p]
        # These run Python code or touch records under the interpreter lock:
        # PYFUNCTYPE keeps the lock and raises a Python error the call set.
        self.create = ctypes.PYFUNCTYPE(ctypes.c_void_p)(
            pointer_of(metaclass._CREATE_ROS_MESSAGE, None))
        self.destroy = ctypes.PYFUNCTYPE(None, ctypes.c_void_p)(
            pointer_of(metaclass._DESTROY_ROS_MESSAGE, None))
        self.convert_from_py = ctypes.PYFUNCTYPE(ctypes.c_bool, ctypes.py_object, ctypes.c_void_p)(
            pointer_of(metaclass._CONVERT_FROM_PY, None))
        self.convert_to_py = ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.c_void_p)(
            pointer_of(metaclass._CONVERT_TO_PY, None))
        self.handle = pointer_of(metaclass._TYPE_SUPPORT, None)
        self.features = Features


def refuse_usage(parser, args, problems):
    """Adds the problems of the options every program over the adapter takes
    (--timeout, --lib) to `problems`; when there are any, prints the usage
    and each problem and exits with EXIT_USAGE."""
    if not 0 < args.timeout <= 86400:
        problems.append('--timeout must be in (0, 86400]')
    if not args.lib:
        problems.append('--lib (or PELMORA_DDS_LIBRARY) is required')
    if problems:
        parser.print_usage(sys.stderr)
        print('\n'.join(problems), file=sys.stderr)
        sys.exit(EXIT_USAGE)


def load_adapter(path):
    """libpelmora_dds with typed signatures; its calls release the interpreter lock."""
    lib = ctypes.CDLL(path)
    vp, u32 = ctypes.c_void_p, ctypes.c_uint32
    signatures = {
        'pelmora_dds_options_create': (vp, []),
        'pelmora_dds_options_destroy': (None, [vp]),
        'pelmora_dds_options_parse': (ctypes.c_int, [vp, ctypes.c_int, ctypes.POINTER(ctypes.c_char_p)]),
        'pelmora_dds_options_resolve_security': (ctypes.c_int, [vp, ctypes.POINTER(ctypes.c_char_p)]),
        'pelmora_dds_options_set_largest_sample': (None, [vp, u32]),
        'pelmora_dds_options_describe': (ctypes.c_char_p, [vp]),
        'pelmora_dds_endpoint_create': (vp, [ctypes.c_int, vp, vp]),
        'pelmora_dds_next_event': (ctypes.c_int, [vp, ctypes.POINTER(ctypes.c_char_p)]),
        'pelmora_dds_endpoint_destroy': (None, [vp]),
        'pelmora_dds_take': (ctypes.c_int, [vp, vp, u32]),
        'pelmora_dds_take_serialized': (ctypes.c_int, [vp, ctypes.POINTER(ctypes.POINTER(ctypes.c_uint8)),
                                                       ctypes.POINTER(u32), u32]),
        'pelmora_dds_last_error': (ctypes.c_char_p, []),
        'pelmora_dds_sample': (ctypes.c_int, [vp, u32, u32, u32]),
        'pelmora_dds_main': (ctypes.c_int, [ctypes.c_int, ctypes.POINTER(ctypes.c_char_p), ctypes.c_char_p,
                                            vp, vp]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


class Deadline:
    def __init__(self, seconds):
        self.end = time.monotonic() + seconds

    def left_ms(self, most=None):
        left = max(0, int((self.end - time.monotonic()) * 1000))
        return left if most is None else min(left, most)

    def passed(self):
        return time.monotonic() >= self.end


class Stop:
    """SIGINT and SIGTERM end the loops at their next check."""
    requested = False

    @classmethod
    def install(cls):
        def request(signum, frame):
            cls.requested = True
        signal.signal(signal.SIGINT, request)
        signal.signal(signal.SIGTERM, request)


def last_error(lib):
    return lib.pelmora_dds_last_error().decode(errors='replace')


def take_serialized(lib, endpoint, timeout_ms):
    """(status, the sample's bytes as they arrived, encapsulation header
    included) of the reader's next sample; the bytes are None unless the
    status is DDS_OK. They are a copy: the adapter reuses its buffer."""
    data, size = ctypes.POINTER(ctypes.c_uint8)(), ctypes.c_uint32()
    status = lib.pelmora_dds_take_serialized(endpoint, ctypes.byref(data), ctypes.byref(size), timeout_ms)
    return status, ctypes.string_at(data, size.value) if status == DDS_OK else None


def report_events(label, peer_role, lib, endpoint):
    detail = ctypes.c_char_p()
    while True:
        kind = lib.pelmora_dds_next_event(endpoint, ctypes.byref(detail))
        if not kind:
            return
        text = detail.value.decode(errors='replace')
        if EVENTS[kind] == 'incompatible':
            print('%s: a %s was refused: its %s QoS is incompatible with ours'
                  % (label, peer_role, text), file=sys.stderr, flush=True)
        else:
            print('%s: %s %s %s' % (label, EVENTS[kind], peer_role, text), file=sys.stderr, flush=True)


def make_options(program, lib, endpoint_args, largest):
    """The adapter's options from the environment and the endpoint arguments,
    or exits with the usage code (the refusal code when security is enforced
    and files are missing) and the adapter's message, after `program: `."""
    def refuse(code):
        print('%s: %s' % (program, last_error(lib)), file=sys.stderr)
        lib.pelmora_dds_options_destroy(options)
        sys.exit(code)

    options = lib.pelmora_dds_options_create()
    if not options:
        refuse(EXIT_USAGE)  # destroying null is a no-op
    argv = (ctypes.c_char_p * max(len(endpoint_args), 1))(*[a.encode() for a in endpoint_args])
    if lib.pelmora_dds_options_parse(options, len(endpoint_args), argv) != DDS_OK:
        refuse(EXIT_USAGE)
    warning = ctypes.c_char_p()
    if lib.pelmora_dds_options_resolve_security(options, ctypes.byref(warning)) != DDS_OK:
        refuse(EXIT_REFUSED)
    if warning.value:
        print('%s: %s' % (program, warning.value.decode(errors='replace')), file=sys.stderr)
    lib.pelmora_dds_options_set_largest_sample(options, largest)
    return options

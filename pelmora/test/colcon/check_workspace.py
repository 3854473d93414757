"""Run in a shell that sourced the workspace's install/setup.bash: the
package imports from the workspace, a message crosses the C record through
the capsules, and the interface files are found through the ament index.

Usage: check_workspace.py <install-prefix> <source-msg-folder>
"""
import ctypes
import pathlib
import sys

from ament_index_python.packages import get_package_share_directory
from ament_index_python.resources import get_resource
from pelmora import pelmora_s__rosidl_typesupport_fastrtps_c as module
from pelmora.msg import Features

install, sources = pathlib.Path(sys.argv[1]).resolve(), pathlib.Path(sys.argv[2])
assert pathlib.Path(module.__file__).resolve().is_relative_to(install), module.__file__

get = ctypes.pythonapi.PyCapsule_GetPointer
get.restype, get.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_char_p]
create = ctypes.CFUNCTYPE(ctypes.c_void_p)(get(module.create_ros_message_msg__msg__features, None))
destroy = ctypes.CFUNCTYPE(None, ctypes.c_void_p)(get(module.destroy_ros_message_msg__msg__features, None))
from_py = ctypes.PYFUNCTYPE(ctypes.c_bool, ctypes.py_object, ctypes.c_void_p)(
    get(module.convert_from_py_msg__msg__features, None))
to_py = ctypes.PYFUNCTYPE(ctypes.py_object, ctypes.c_void_p)(get(module.convert_to_py_msg__msg__features, None))

message = Features(keypointnumber=3, descriptor=[1, 2, 3], x=[0.5, -0.25])
record = create()
try:
    assert from_py(message, record)
    assert to_py(record) == message
finally:
    destroy(record)

content, prefix = get_resource('rosidl_interfaces', 'pelmora')
assert content.split() == ['msg/Features.idl', 'msg/Features.msg'], content
assert pathlib.Path(prefix).resolve() == install, prefix
share = pathlib.Path(get_package_share_directory('pelmora'))
for name in ('Features.msg', 'Features.idl'):
    assert (share / 'msg' / name).read_text() == (sources / name).read_text(), name
print('Python: message converted through the capsules, interfaces found through the ament index')

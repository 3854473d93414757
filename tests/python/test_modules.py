"""The three type-support modules and their five capsules."""

import importlib
import importlib.machinery

import pytest

from conftest import ALL_MODULES, CAPSULE_NAMES, capsule_pointer


@pytest.fixture(params=ALL_MODULES)
def module(request, native):
    if request.param not in native.modules:
        pytest.fail('module %s was not built' % request.param)
    return native.modules[request.param]


def test_every_module_is_built(native):
    assert sorted(native.modules) == sorted(ALL_MODULES)


def test_module_has_fixed_name_doc_and_no_functions(module):
    assert module.__name__ == '_pelmora_support'
    assert module.__doc__ == '_pelmora_doc'
    public = {name: value for name, value in vars(module).items() if not name.startswith('__')}
    assert not [name for name, value in public.items() if callable(value)]
    assert sorted(public) == sorted(CAPSULE_NAMES)
    assert all(type(value).__name__ == 'PyCapsule' for value in public.values())


def test_capsules_are_unnamed_and_refuse_any_name(module):
    for name in CAPSULE_NAMES:
        capsule = getattr(module, name)
        assert capsule_pointer(capsule)
        with pytest.raises(ValueError):
            capsule_pointer(capsule, name.encode())


def test_module_file_carries_the_interpreter_suffix(module):
    assert module.__file__.endswith(importlib.machinery.EXTENSION_SUFFIXES[0])


def test_all_modules_hold_the_dispatcher_handle(native):
    handles = {capsule_pointer(m.type_support_msg__msg__features) for m in native.modules.values()}
    assert handles == {native.dispatcher_handle}


def test_importing_a_flavour_loads_its_type_support_library():
    importlib.import_module('pelmora.pelmora_s__rosidl_typesupport_fastrtps_c')
    importlib.import_module('pelmora.pelmora_s__rosidl_typesupport_introspection_c')
    with open('/proc/self/maps') as maps:
        loaded = maps.read()
    assert 'libpelmora__rosidl_typesupport_fastrtps_c.so' in loaded
    assert 'libpelmora__rosidl_typesupport_introspection_c.so' in loaded


@pytest.mark.parametrize('name', ALL_MODULES)
def test_create_capsule_gives_a_fresh_record_that_destroy_frees(native, name):
    native.use_module(name)
    try:
        reference = native.c_library.pelmora__msg__Features__create()
        with native.record() as pointer:
            assert native.c_library.pelmora__msg__Features__are_equal(pointer, reference)
            fields = native.fields(pointer)
            assert (fields.keypointnumber, fields.descriptorsize) == (0, 0)
        native.c_library.pelmora__msg__Features__destroy(reference)
        native.destroy_ros_message(None)  # like destroy(NULL): nothing happens
    finally:
        native.use_module(ALL_MODULES[0])


def test_message_class_hands_out_the_capsules():
    from pelmora import pelmora_s__rosidl_typesupport_c as module
    from pelmora.msg import Features
    Features.__class__.__import_type_support__()
    assert Features._TYPE_SUPPORT is module.type_support_msg__msg__features
    assert Features._CONVERT_FROM_PY is module.convert_from_py_msg__msg__features
    assert Features._CONVERT_TO_PY is module.convert_to_py_msg__msg__features
    assert Features._CREATE_ROS_MESSAGE is module.create_ros_message_msg__msg__features
    assert Features._DESTROY_ROS_MESSAGE is module.destroy_ros_message_msg__msg__features

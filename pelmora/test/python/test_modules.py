"""The three type-support modules and their five capsules."""

import importlib.machinery

import pytest

from conftest import ALL_MODULES, capsule_pointer

CAPSULES = ('create_ros_message_msg__msg__features', 'destroy_ros_message_msg__msg__features',
            'convert_from_py_msg__msg__features', 'convert_to_py_msg__msg__features',
            'type_support_msg__msg__features')


@pytest.mark.parametrize('name', ALL_MODULES)
def test_module_holds_exactly_five_unnamed_capsules(native, name):
    module = native.modules[name]
    assert (module.__name__, module.__doc__) == ('_pelmora_support', '_pelmora_doc')
    assert module.__file__.endswith(importlib.machinery.EXTENSION_SUFFIXES[0])
    public = {k: v for k, v in vars(module).items() if not k.startswith('__')}
    assert sorted(public) == sorted(CAPSULES)
    for capsule_name, capsule in public.items():
        assert type(capsule).__name__ == 'PyCapsule' and capsule_pointer(capsule)
        with pytest.raises(ValueError):
            capsule_pointer(capsule, capsule_name.encode())


def test_every_module_is_built_and_holds_the_dispatcher_handle(native):
    assert sorted(native.modules) == sorted(ALL_MODULES)
    handles = {capsule_pointer(m.type_support_msg__msg__features) for m in native.modules.values()}
    assert handles == {native.dispatcher_handle}
    with open('/proc/self/maps') as maps:
        loaded = maps.read()
    for flavour in ('fastrtps_c', 'introspection_c'):
        assert 'libpelmora__rosidl_typesupport_%s.so' % flavour in loaded


@pytest.mark.parametrize('name', ALL_MODULES)
def test_create_and_destroy_capsules(native, name):
    native.use_module(name)
    reference = native.c_create()
    with native.record() as pointer:
        assert native.c_are_equal(pointer, reference)
    native.c_destroy(reference)
    native.destroy(None)  # as destroy(NULL): nothing happens
    native.use_module(ALL_MODULES[0])


def test_message_class_hands_out_the_capsules():
    from pelmora import pelmora_s__rosidl_typesupport_c as module
    from pelmora.msg import Features
    Features.__class__.__import_type_support__()
    assert Features._TYPE_SUPPORT is module.type_support_msg__msg__features
    assert Features._CONVERT_TO_PY is module.convert_to_py_msg__msg__features

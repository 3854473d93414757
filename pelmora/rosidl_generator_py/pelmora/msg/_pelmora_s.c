// The Python type-support module of the package: five capsules that give
// Python the record's create and destroy functions, the two conversions and
// the C dispatcher's handle.
//
// Built once per type-support flavour; PELMORA_PY_MODULE names the module
// (pelmora_s__rosidl_typesupport_c, ..._fastrtps_c, ..._introspection_c) and
// so its init function. The flavours differ only in the extra library on the
// link line: the capsule always holds the dispatcher, which picks the
// encoding later by identifier.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <stdint.h>

#include "pelmora/msg/_features_s.h"
#include "pelmora/msg/features.h"

#ifndef PELMORA_PY_MODULE
#error "PELMORA_PY_MODULE must name the module being built"
#endif

#define PELMORA_CONCAT_(a, b) a ## b
#define PELMORA_CONCAT(a, b) PELMORA_CONCAT_(a, b)

// Adapters with the untyped signatures that Python client libraries call.
static void * pelmora__msg__features__create_ros_message(void)
{
  return pelmora__msg__Features__create();
}

static void pelmora__msg__features__destroy_ros_message(void * raw_ros_message)
{
  pelmora__msg__Features__destroy(raw_ros_message);
}

// Attaches an unnamed capsule holding `pointer` to `module` under `name`.
// Returns 0, or non-zero with an exception set; on failure no reference of
// this function's own survives.
static int8_t add_capsule(PyObject * module, const char * name, void * pointer)
{
  PyObject * capsule = PyCapsule_New(pointer, NULL, NULL);
  if (capsule == NULL) {
    return -1;
  }
  int status = PyModule_AddObject(module, name, capsule);
  if (status != 0) {
    Py_DECREF(capsule);
    return (int8_t)status;
  }
  return 0;
}

// Registers the five capsules in order. Returns 0, or non-zero at the first
// failure (the capsules attached before it stay in the module).
__attribute__((visibility("default")))
int8_t _register_msg_type__msg__features(PyObject * module)
{
  int8_t status;
  if ((status = add_capsule(module, "create_ros_message_msg__msg__features",
    (void *)&pelmora__msg__features__create_ros_message)) != 0 ||
    (status = add_capsule(module, "destroy_ros_message_msg__msg__features",
    (void *)&pelmora__msg__features__destroy_ros_message)) != 0 ||
    (status = add_capsule(module, "convert_from_py_msg__msg__features",
    (void *)&pelmora__msg__features__convert_from_py)) != 0 ||
    (status = add_capsule(module, "convert_to_py_msg__msg__features",
    (void *)&pelmora__msg__features__convert_to_py)) != 0)
  {
    return status;
  }
  const rosidl_message_type_support_t * handle =
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  return add_capsule(module, "type_support_msg__msg__features", (void *)handle);
}

static PyMethodDef _pelmora_methods[] = {
  {NULL, NULL, 0, NULL},
};

static struct PyModuleDef _pelmora_module = {
  PyModuleDef_HEAD_INIT,
  "_pelmora_support",
  "_pelmora_doc",
  -1,  // no per-module state, so no sub-interpreter support
  _pelmora_methods,
  NULL,
  NULL,
  NULL,
  NULL,
};

PyMODINIT_FUNC PELMORA_CONCAT(PyInit_, PELMORA_PY_MODULE)(void)
{
  PyObject * module = PyModule_Create2(&_pelmora_module, 1013);
  if (module == NULL) {
    return NULL;
  }
  if (_register_msg_type__msg__features(module) != 0) {
    Py_DECREF(module);
    return NULL;
  }
  return module;
}

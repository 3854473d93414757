// _pelmora_fuzz_probe: calls the conversion functions that a type-support
// module hands out in its capsules, and reports what they did without
// letting Python turn the error indicator into an exception first, so that
// the fuzzer sees a false result and the error that came with it side by
// side.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <stdbool.h>
#include <stdint.h>

#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/detail/features__struct.h"

typedef void * (*create_function)(void);
typedef void (*destroy_function)(void *);
typedef bool (*from_py_function)(PyObject *, void *);
typedef PyObject * (*to_py_function)(void *);

// The pointer held by `capsule`, whatever name it was given. Returns NULL
// with an exception set when it holds none.
static void * capsule_pointer(PyObject * capsule)
{
  if (!PyCapsule_CheckExact(capsule)) {
    PyErr_SetString(PyExc_TypeError, "expected a capsule");
    return NULL;
  }
  return PyCapsule_GetPointer(capsule, PyCapsule_GetName(capsule));
}

// The pending error as its exception object (None when there is none); the
// error indicator is cleared. Returns a new reference.
static PyObject * take_error(void)
{
  if (!PyErr_Occurred()) {
    Py_RETURN_NONE;
  }
  PyObject * type;
  PyObject * value;
  PyObject * traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  if (value != NULL && traceback != NULL) {
    PyException_SetTraceback(value, traceback);
  }
  Py_XDECREF(type);
  Py_XDECREF(traceback);
  if (value == NULL) {
    Py_RETURN_NONE;
  }
  return value;
}

// (keypointnumber, descriptorsize, the eight sequences) of the record. With
// `contents` each sequence is its bytes; otherwise only its element count,
// since a failed conversion may leave a count without storage behind it.
static PyObject * record_fields(const pelmora__msg__Features * record, bool contents)
{
  PyObject * fields = PyTuple_New(10);
  if (fields == NULL) {
    return NULL;
  }
  Py_ssize_t index = 0;
#define PROBE_SCALAR(name) PyTuple_SET_ITEM(fields, index++, PyLong_FromUnsignedLong(record->name));
  PELMORA__MSG__FEATURES__SCALAR_FIELDS(PROBE_SCALAR)
#undef PROBE_SCALAR
#define PROBE_FIELD(name) \
  PyTuple_SET_ITEM(fields, index++, contents ? \
    PyBytes_FromStringAndSize((const char *)record->name.data, (Py_ssize_t)(record->name.size * 4)) : \
    PyLong_FromSize_t(record->name.size));
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PROBE_FIELD, PROBE_FIELD)
#undef PROBE_FIELD
  for (Py_ssize_t i = 0; i < 10; ++i) {
    if (PyTuple_GET_ITEM(fields, i) == NULL) {
      Py_DECREF(fields);
      return NULL;
    }
  }
  return fields;
}

PyDoc_STRVAR(convert_doc,
  "convert(create, destroy, convert_from_py, convert_to_py, message)\n"
  "\n"
  "Converts message into a new record, then the record back into a new\n"
  "message when that succeeded, and destroys the record. Returns\n"
  "(result, error, fields, back, back_error): the conversion's result, the\n"
  "exception it left set (or None), the record's fields (sequence bytes after\n"
  "a success, sequence lengths after a failure), and the message converted\n"
  "back with the exception that conversion left set (both None after a failure).");

static PyObject * probe_convert(PyObject * self, PyObject * args)
{
  (void)self;
  PyObject * create_capsule;
  PyObject * destroy_capsule;
  PyObject * from_py_capsule;
  PyObject * to_py_capsule;
  PyObject * message;
  if (!PyArg_ParseTuple(args, "OOOOO", &create_capsule, &destroy_capsule, &from_py_capsule,
    &to_py_capsule, &message))
  {
    return NULL;
  }
  create_function create = (create_function)capsule_pointer(create_capsule);
  destroy_function destroy = (destroy_function)capsule_pointer(destroy_capsule);
  from_py_function from_py = (from_py_function)capsule_pointer(from_py_capsule);
  to_py_function to_py = (to_py_function)capsule_pointer(to_py_capsule);
  if (!create || !destroy || !from_py || !to_py) {
    return NULL;
  }

  pelmora__msg__Features * record = create();
  if (record == NULL) {
    return PyErr_NoMemory();
  }
  const bool result = from_py(message, record);
  PyObject * error = take_error();
  PyObject * back = NULL;
  PyObject * back_error = NULL;
  PyObject * fields = NULL;
  if (error == NULL) {
    goto done;
  }
  fields = record_fields(record, result);
  if (fields == NULL) {
    goto done;
  }
  if (result && error == Py_None) {
    back = to_py(record);
    back_error = take_error();
    if (back == NULL) {
      back = Py_None;
      Py_INCREF(back);
    }
  } else {
    back = Py_None;
    back_error = Py_None;
    Py_INCREF(back);
    Py_INCREF(back_error);
  }

done:
  destroy(record);
  if (error == NULL || fields == NULL || back_error == NULL) {
    Py_XDECREF(error);
    Py_XDECREF(fields);
    Py_XDECREF(back);
    Py_XDECREF(back_error);
    return NULL;
  }
  return Py_BuildValue("(ONNNN)", result ? Py_True : Py_False, error, fields, back, back_error);
}

static PyMethodDef probe_methods[] = {
  {"convert", probe_convert, METH_VARARGS, convert_doc},
  {NULL, NULL, 0, NULL},
};

static struct PyModuleDef probe_module = {
  PyModuleDef_HEAD_INIT, "_pelmora_fuzz_probe",
  "Calls the package's conversion capsules and reports their results.", -1, probe_methods,
  NULL, NULL, NULL, NULL,
};

PyMODINIT_FUNC PyInit__pelmora_fuzz_probe(void)
{
  return PyModule_Create(&probe_module);
}

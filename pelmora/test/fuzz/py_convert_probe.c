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

// Argument converter: stores the pointer held by `capsule`, whatever name it
// was given, in the void * at `pointer`. Returns 0 with an exception set
// when it holds none.
static int capsule_pointer(PyObject * capsule, void * pointer)
{
  if (!PyCapsule_CheckExact(capsule)) {
    PyErr_SetString(PyExc_TypeError, "expected a capsule");
    return 0;
  }
  *(void **)pointer = PyCapsule_GetPointer(capsule, PyCapsule_GetName(capsule));
  return *(void **)pointer != NULL;
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

// `object`, or a new reference to None where it is NULL.
static PyObject * or_none(PyObject * object)
{
  return object != NULL ? object : Py_NewRef(Py_None);
}

static PyObject * probe_convert(PyObject * self, PyObject * args)
{
  (void)self;
  void * create;
  void * destroy;
  void * from_py;
  void * to_py;
  PyObject * message;
  if (!PyArg_ParseTuple(args, "O&O&O&O&O", capsule_pointer, &create, capsule_pointer, &destroy,
    capsule_pointer, &from_py, capsule_pointer, &to_py, &message))
  {
    return NULL;
  }

  pelmora__msg__Features * record = ((create_function)create)();
  if (record == NULL) {
    return PyErr_NoMemory();
  }
  const bool result = ((from_py_function)from_py)(message, record);
  PyObject * error = take_error();
  PyObject * fields = record_fields(record, result);
  PyObject * back = NULL;
  PyObject * back_error = NULL;
  if (fields != NULL && result && error == Py_None) {
    back = ((to_py_function)to_py)(record);
    back_error = take_error();
  }
  ((destroy_function)destroy)(record);
  if (fields == NULL) {
    Py_DECREF(error);
    return NULL;
  }
  return Py_BuildValue("(ONNNN)", result ? Py_True : Py_False, error, fields, or_none(back),
    or_none(back_error));
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

// Moves a Features message between its Python class and the C record.
//
// Sequences travel as raw bytes, 4 to an element, in both directions: the
// Python class keeps them in array.array objects, which offer the buffer
// protocol one way and frombytes the other, so no element is ever touched
// one by one on the bulk paths.
#include "pelmora/msg/_features_s.h"

#include <assert.h>
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "pelmora/msg/detail/features__fields.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

#define FEATURES_MODULE "pelmora.msg._features"
#define FEATURES_CLASS "Features"
#define FEATURES_FULL_NAME FEATURES_MODULE "." FEATURES_CLASS
#define FEATURES_FULL_NAME_LENGTH 30

_Static_assert(sizeof(FEATURES_FULL_NAME) - 1 == FEATURES_FULL_NAME_LENGTH,
  "the class check compares exactly the full class name");
_Static_assert(sizeof(uint32_t) == 4 && sizeof(float) == 4,
  "sequence elements travel as 4-byte words");

// ---------------------------------------------------------------------------
// Python to C

// Returns true when the class of `pymsg`, formatted as "<module>.<name>" and
// cut to 30 characters, reads "pelmora.msg._features.Features". Returns false
// with an exception set otherwise.
static bool is_features_message(PyObject * pymsg)
{
  bool matches = false;
  PyObject * name_attr = NULL;
  PyObject * module_attr = NULL;

  PyObject * class_attr = PyObject_GetAttrString(pymsg, "__class__");
  if (class_attr == NULL) {
    return false;
  }
  name_attr = PyObject_GetAttrString(class_attr, "__name__");
  if (name_attr == NULL) {
    goto cleanup;
  }
  module_attr = PyObject_GetAttrString(class_attr, "__module__");
  if (module_attr == NULL) {
    goto cleanup;
  }
  if (!PyUnicode_Check(name_attr) || !PyUnicode_Check(module_attr)) {
    PyErr_SetString(PyExc_TypeError,
      "expected a " FEATURES_FULL_NAME " message, got an object whose class "
      "has a non-str __name__ or __module__");
    goto cleanup;
  }
  if (PyUnicode_READY(name_attr) < 0 || PyUnicode_READY(module_attr) < 0) {
    goto cleanup;
  }

  // 31 places: at most 30 characters and the terminating zero.
  char full_classname_dest[FEATURES_FULL_NAME_LENGTH + 1];
  snprintf(full_classname_dest, sizeof(full_classname_dest), "%s.%s",
    (const char *)PyUnicode_1BYTE_DATA(module_attr),
    (const char *)PyUnicode_1BYTE_DATA(name_attr));
  matches = strncmp(full_classname_dest, FEATURES_FULL_NAME, FEATURES_FULL_NAME_LENGTH) == 0;
  if (!matches) {
    PyErr_Format(PyExc_TypeError, "expected a " FEATURES_FULL_NAME " message, got %U.%U",
      module_attr, name_attr);
  }

cleanup:
  Py_XDECREF(module_attr);
  Py_XDECREF(name_attr);
  Py_DECREF(class_attr);
  return matches;
}

// Stores the low 32 bits of the int `value` into *out. Returns false with the
// OverflowError of PyLong_AsUnsignedLong set (a negative value, or 2**64 and
// more), leaving *out alone.
static inline bool low_32_bits(PyObject * value, uint32_t * out)
{
  assert(PyLong_Check(value));
  unsigned long converted = PyLong_AsUnsignedLong(value);
  if (converted == (unsigned long)-1 && PyErr_Occurred()) {
    return false;
  }
  *out = (uint32_t)converted;
  return true;
}

// Fills *out from the int attribute `field` of `pymsg`. Returns true, or false
// with an exception set.
static bool scalar_from_py(PyObject * pymsg, const char * field, uint32_t * out)
{
  PyObject * attr = PyObject_GetAttrString(pymsg, field);
  if (attr == NULL) {
    return false;
  }
  bool ok = false;
  if (!PyLong_Check(attr)) {
    PyErr_Format(PyExc_TypeError, "'%s' must be an int, not %.100s", field, Py_TYPE(attr)->tp_name);
  } else {
    ok = low_32_bits(attr, out);
  }
  Py_DECREF(attr);
  return ok;
}

// The eight sequence fields in record order, with what converting one needs.
typedef struct
{
  const char * name;
  const char * not_a_sequence;  // the text of PySequence_Fast's error
  const char * item_kind;       // what each item must be, for the TypeError
  bool is_float;                // a float__Sequence, else a uint32__Sequence
  size_t offset;                // of the sequence in pelmora__msg__Features
} sequence_field;

#define UINT32_FIELD(name) \
  {#name, "expected a sequence in '" #name "'", "an int", false, \
    offsetof(pelmora__msg__Features, name)},
#define FLOAT_FIELD(name) \
  {#name, "expected a sequence in '" #name "'", "a float", true, \
    offsetof(pelmora__msg__Features, name)},
static const sequence_field sequence_fields[] = {
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(UINT32_FIELD, FLOAT_FIELD)
};
#undef FLOAT_FIELD
#undef UINT32_FIELD

#define SEQUENCE_FIELD_COUNT (sizeof(sequence_fields) / sizeof(sequence_fields[0]))

// Gives the sequence of `field` at `sequence` storage for exactly `count`
// elements and points *data at it. Returns true, or false with a
// RuntimeError set.
static bool init_sequence(const sequence_field * field, void * sequence, size_t count, void ** data)
{
  // rosidl_runtime_c sizes the block as count * 4 without checking the
  // product, so a count above SIZE_MAX / 4 (which only a lying __len__ can
  // report) would get a block that wrapped round to a few bytes. No memory
  // can hold such a count anyway: refuse it as the failed storage it is.
  const bool too_many = count > SIZE_MAX / 4;
  if (field->is_float) {
    rosidl_runtime_c__float__Sequence * floats = sequence;
    if (too_many || !rosidl_runtime_c__float__Sequence__init(floats, count)) {
      PyErr_SetString(PyExc_RuntimeError, "unable to create float__Sequence ros_message");
      return false;
    }
    *data = floats->data;
  } else {
    rosidl_runtime_c__uint32__Sequence * words = sequence;
    if (too_many || !rosidl_runtime_c__uint32__Sequence__init(words, count)) {
      PyErr_SetString(PyExc_RuntimeError, "unable to create uint32__Sequence ros_message");
      return false;
    }
    *data = words->data;
  }
  return true;
}

// Fast path: copies the bytes of a buffer-protocol object into `sequence`
// unchanged, 4 bytes an element, whatever the buffer's item format. Returns
// true, or false with an exception set.
static bool sequence_from_buffer(PyObject * attr, const sequence_field * field, void * sequence)
{
  Py_buffer view;
  if (PyObject_GetBuffer(attr, &view, PyBUF_SIMPLE) < 0) {
    return false;
  }
  bool ok = false;
  size_t count = (size_t)view.len / 4;
  void * data = NULL;
  // A trailing part of an element would otherwise be dropped without a word.
  if ((size_t)view.len != count * 4) {
    PyErr_Format(PyExc_ValueError,
      "'%s' takes whole 4-byte elements, got a buffer of %zd bytes", field->name, view.len);
    goto cleanup;
  }
  if (!init_sequence(field, sequence, count, &data)) {
    goto cleanup;
  }
  if (count > 0 && PyBuffer_ToContiguous(data, &view, (Py_ssize_t)(count * 4), 'C') < 0) {
    goto cleanup;
  }
  ok = true;

cleanup:
  PyBuffer_Release(&view);
  return ok;
}

// Stores each item into `data`: an int's low 32 bits, or a float narrowed to
// binary32 (to nearest; beyond the range it becomes an infinity of the same
// sign). Returns true, or false with a TypeError (an item of the wrong type;
// an int is not a float) or an OverflowError set.
static bool items_from_py(
  PyObject * const * items, Py_ssize_t count, const sequence_field * field, void * data)
{
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject * item = items[i];
    if (field->is_float ? !PyFloat_Check(item) : !PyLong_Check(item)) {
      PyErr_Format(PyExc_TypeError, "'%s' item %zd must be %s, not %.100s",
        field->name, i, field->item_kind, Py_TYPE(item)->tp_name);
      return false;
    }
    if (field->is_float) {
      ((float *)data)[i] = (float)PyFloat_AS_DOUBLE(item);
    } else if (!low_32_bits(item, (uint32_t *)data + i)) {
      return false;
    }
  }
  return true;
}

// Slow path: any iterable with a length, read through PySequence_Fast.
// Returns true, or false with an exception set.
static bool sequence_from_items(PyObject * attr, const sequence_field * field, void * sequence)
{
  PyObject * fast = PySequence_Fast(attr, field->not_a_sequence);
  if (fast == NULL) {
    return false;
  }
  bool ok = false;
  void * data = NULL;
  Py_ssize_t count = PySequence_Size(attr);
  if (count < 0) {
    goto cleanup;
  }
  if (!init_sequence(field, sequence, (size_t)count, &data)) {
    goto cleanup;
  }
  // The object's length and its iteration may disagree; never read past the
  // items that the iteration produced.
  Py_ssize_t available = PySequence_Fast_GET_SIZE(fast);
  if (available < count) {
    PyErr_Format(PyExc_ValueError, "'%s' reports %zd items but yields only %zd",
      field->name, count, available);
    goto cleanup;
  }
  ok = items_from_py(PySequence_Fast_ITEMS(fast), count, field, data);

cleanup:
  Py_DECREF(fast);
  return ok;
}

// Fills the sequence of `field` in `ros_message` from the attribute of the
// same name. Returns true, or false with an exception set.
static bool sequence_from_py(
  PyObject * pymsg, const sequence_field * field, pelmora__msg__Features * ros_message)
{
  PyObject * attr = PyObject_GetAttrString(pymsg, field->name);
  if (attr == NULL) {
    return false;
  }
  void * sequence = (char *)ros_message + field->offset;
  bool ok = PyObject_CheckBuffer(attr) ?
    sequence_from_buffer(attr, field, sequence) :
    sequence_from_items(attr, field, sequence);
  Py_DECREF(attr);
  return ok;
}

bool pelmora__msg__features__convert_from_py(PyObject * _pymsg, pelmora__msg__Features * ros_message)
{
  assert(_pymsg != NULL);
  assert(ros_message != NULL);
  if (!is_features_message(_pymsg)) {
    return false;
  }
  if (!scalar_from_py(_pymsg, "keypointnumber", &ros_message->keypointnumber) ||
    !scalar_from_py(_pymsg, "descriptorsize", &ros_message->descriptorsize))
  {
    return false;
  }
  for (size_t i = 0; i < SEQUENCE_FIELD_COUNT; ++i) {
    if (!sequence_from_py(_pymsg, &sequence_fields[i], ros_message)) {
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// C to Python

// Returns a new Features object made by calling the class with no argument,
// or NULL with an exception set. Nothing is cached between calls.
static PyObject * new_features_message(void)
{
  PyObject * pymessage_module = PyImport_ImportModule(FEATURES_MODULE);
  if (pymessage_module == NULL) {
    return NULL;
  }
  PyObject * pymessage_class = PyObject_GetAttrString(pymessage_module, FEATURES_CLASS);
  Py_DECREF(pymessage_module);
  if (pymessage_class == NULL) {
    return NULL;
  }
  PyObject * pymessage = PyObject_CallObject(pymessage_class, NULL);
  Py_DECREF(pymessage_class);
  return pymessage;
}

// Sets the int attribute `field` to `value`. Returns true, or false with an
// exception set.
static bool scalar_to_py(PyObject * pymsg, const char * field, uint32_t value)
{
  PyObject * number = PyLong_FromUnsignedLong(value);
  if (number == NULL) {
    return false;
  }
  int status = PyObject_SetAttrString(pymsg, field, number);
  Py_DECREF(number);
  return status == 0;
}

// The data pointer and element count of the sequence of `field`.
static void sequence_elements(
  const pelmora__msg__Features * ros_message, const sequence_field * field,
  const void ** elements, size_t * count)
{
  const void * sequence = (const char *)ros_message + field->offset;
  if (field->is_float) {
    const rosidl_runtime_c__float__Sequence * floats = sequence;
    *elements = floats->data;
    *count = floats->size;
  } else {
    const rosidl_runtime_c__uint32__Sequence * words = sequence;
    *elements = words->data;
    *count = words->size;
  }
}

// Empties the array held by the attribute of `entry` and refills it with the
// sequence's 4-byte elements, unchanged. Returns true, or false with an
// exception set.
static bool sequence_to_py(
  PyObject * pymsg, const sequence_field * entry, const pelmora__msg__Features * ros_message)
{
  const char * name = entry->name;
  const void * elements;
  size_t count;
  sequence_elements(ros_message, entry, &elements, &count);
  bool ok = false;
  PyObject * pop = NULL;
  PyObject * frombytes = NULL;
  PyObject * data = NULL;
  PyObject * result;

  PyObject * field = PyObject_GetAttrString(pymsg, name);
  if (field == NULL) {
    return false;
  }
  // The message class holds an array.array in every sequence attribute.
  assert(field->ob_type != NULL);
  assert(field->ob_type->tp_name != NULL);
  assert(strcmp(field->ob_type->tp_name, "array.array") == 0);

  PyObject * itemsize_attr = PyObject_GetAttrString(field, "itemsize");
  assert(itemsize_attr != NULL);
  size_t itemsize = PyLong_AsSize_t(itemsize_attr);
  Py_DECREF(itemsize_attr);
  if (itemsize != 4) {
    PyErr_SetString(PyExc_RuntimeError, "itemsize doesn't match expectation");
    goto cleanup;
  }

  // Whatever the class's constructor put in goes first.
  Py_ssize_t held = PyObject_Size(field);
  if (held < 0) {
    goto cleanup;
  }
  if (held > 0) {
    pop = PyObject_GetAttrString(field, "pop");
    assert(pop != NULL);
    for (Py_ssize_t i = 0; i < held; ++i) {
      result = PyObject_CallFunctionObjArgs(pop, NULL);
      if (result == NULL) {
        goto cleanup;
      }
      Py_DECREF(result);
    }
  }

  if (count > 0) {
    frombytes = PyObject_GetAttrString(field, "frombytes");
    assert(frombytes != NULL);
    if (count > (size_t)PY_SSIZE_T_MAX / 4) {
      PyErr_Format(PyExc_OverflowError, "'%s' holds too many elements for one bytes object", name);
      goto cleanup;
    }
    data = PyBytes_FromStringAndSize(elements, (Py_ssize_t)(count * 4));
    if (data == NULL) {
      goto cleanup;
    }
    result = PyObject_CallFunctionObjArgs(frombytes, data, NULL);
    if (result == NULL) {
      goto cleanup;
    }
    Py_DECREF(result);
  }
  ok = true;

cleanup:
  Py_XDECREF(data);
  Py_XDECREF(frombytes);
  Py_XDECREF(pop);
  Py_DECREF(field);
  return ok;
}

PyObject * pelmora__msg__features__convert_to_py(const pelmora__msg__Features * ros_message)
{
  assert(ros_message != NULL);
  PyObject * _pymessage = new_features_message();
  if (_pymessage == NULL) {
    return NULL;
  }
  if (!scalar_to_py(_pymessage, "keypointnumber", ros_message->keypointnumber) ||
    !scalar_to_py(_pymessage, "descriptorsize", ros_message->descriptorsize))
  {
    goto error;
  }
  for (size_t i = 0; i < SEQUENCE_FIELD_COUNT; ++i) {
    if (!sequence_to_py(_pymessage, &sequence_fields[i], ros_message)) {
      goto error;
    }
  }
  return _pymessage;

error:
  Py_DECREF(_pymessage);
  return NULL;
}

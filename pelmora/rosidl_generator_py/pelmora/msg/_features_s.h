#ifndef PELMORA__MSG___FEATURES_S_H_
#define PELMORA__MSG___FEATURES_S_H_

// Conversions between the Python message class pelmora.msg._features.Features
// and the C record pelmora__msg__Features. Both run under the interpreter lock
// that the caller holds.

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <stdbool.h>

#include "pelmora/msg/detail/features__struct.h"

#ifdef __cplusplus
extern "C"
{
#endif

#define ROSIDL_GENERATOR_PY_PUBLIC_pelmora __attribute__((visibility("default")))

/// Fills `ros_message` from the ten attributes of the Features object
/// `_pymsg` (borrowed). The record must be initialised with empty sequences;
/// each sequence field gets new storage, which stays with the record also
/// when the conversion stops half way. Returns true, or false with a Python
/// exception set; release the record in both cases.
ROSIDL_GENERATOR_PY_PUBLIC_pelmora
bool pelmora__msg__features__convert_from_py(PyObject * _pymsg, pelmora__msg__Features * ros_message);

/// Returns a new Features object holding the record's values (the record is
/// only read), or NULL with a Python exception set.
ROSIDL_GENERATOR_PY_PUBLIC_pelmora
PyObject * pelmora__msg__features__convert_to_py(const pelmora__msg__Features * ros_message);

#ifdef __cplusplus
}
#endif

#endif  // PELMORA__MSG___FEATURES_S_H_

// pelmora_cv._rounding: the convention's rounding (rounding.hpp) for the
// Python module's from_arrays, which took several NumPy passes and a dozen
// NumPy calls per field to round and clamp where this takes one pass.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "processor.hpp"
#include "rounding.hpp"

namespace
{

#if defined(__x86_64__)
// Rounds eight at a time while eight are left; returns the index it stopped at.
__attribute__((target("avx"))) size_t round_eight_at_a_time(
  const float * values, size_t count, double scale, uint32_t * out)
{
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    _mm256_storeu_ps(reinterpret_cast<float *>(out + i),
      pelmora_cv::rounded_and_clamped8(_mm256_loadu_ps(values + i), scale));
  }
  return i;
}
#endif

void round_floats(const float * values, size_t count, double scale, uint32_t * out)
{
  size_t i = 0;
#if defined(__x86_64__)
  if (pelmora_cv::have_avx()) {
    i = round_eight_at_a_time(values, count, scale, out);
  }
#endif
#if defined(__SSE2__)
  for (; i + 4 <= count; i += 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
      pelmora_cv::rounded_and_clamped4(_mm_loadu_ps(values + i), scale));
  }
#endif
  for (; i < count; ++i) {
    out[i] = pelmora_cv::rounded_and_clamped(values[i] * scale);
  }
}

void round_doubles(const double * values, size_t count, double scale, uint32_t * out)
{
  for (size_t i = 0; i < count; ++i) {
    out[i] = pelmora_cv::rounded_and_clamped(values[i] * scale);
  }
}

// Releases a buffer when it goes out of scope.
struct Buffer
{
  Py_buffer view{};
  bool held = false;

  bool get(PyObject * object, int flags)
  {
    held = PyObject_GetBuffer(object, &view, flags) == 0;
    return held;
  }

  ~Buffer()
  {
    if (held) {
      PyBuffer_Release(&view);
    }
  }
};

PyObject * rounded_uint32(PyObject *, PyObject * const * args, Py_ssize_t count)
{
  if (count != 3) {
    PyErr_SetString(PyExc_TypeError, "rounded_uint32(values, scale, out) takes 3 arguments");
    return nullptr;
  }
  const double scale = PyFloat_AsDouble(args[1]);
  if (scale == -1.0 && PyErr_Occurred()) {
    return nullptr;
  }
  Buffer values;
  Buffer out;
  if (!values.get(args[0], PyBUF_C_CONTIGUOUS | PyBUF_FORMAT) ||
    !out.get(args[2], PyBUF_C_CONTIGUOUS | PyBUF_FORMAT | PyBUF_WRITABLE))
  {
    return nullptr;
  }
  const bool floats = std::strcmp(values.view.format, "f") == 0;
  const bool doubles = std::strcmp(values.view.format, "d") == 0;
  if (values.view.ndim != 1 || !(floats || doubles)) {
    PyErr_Format(PyExc_TypeError, "values must be one-dimensional float32 or float64, got format %s",
      values.view.format);
    return nullptr;
  }
  const size_t items = static_cast<size_t>(values.view.shape[0]);
  if (std::strcmp(out.view.format, "I") != 0 || out.view.itemsize != sizeof(uint32_t) ||
    static_cast<size_t>(out.view.len) != items * sizeof(uint32_t))
  {
    PyErr_Format(PyExc_TypeError, "out must hold %zu native uint32 items", items);
    return nullptr;
  }
  auto * words = static_cast<uint32_t *>(out.view.buf);
  Py_BEGIN_ALLOW_THREADS
  if (floats) {
    round_floats(static_cast<const float *>(values.view.buf), items, scale, words);
  } else {
    round_doubles(static_cast<const double *>(values.view.buf), items, scale, words);
  }
  Py_END_ALLOW_THREADS
  Py_RETURN_NONE;
}

PyMethodDef methods[] = {
  {"rounded_uint32", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(rounded_uint32)),
    METH_FASTCALL,
    "rounded_uint32(values, scale, out): out[i] = values[i] x scale (in double) rounded to the\n"
    "nearest integer with ties to even, clamped to 0..4294967295, NaN giving 0. values is a\n"
    "contiguous 1-D float32 or float64 buffer, out a writable buffer of as many uint32."},
  {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module = {
  PyModuleDef_HEAD_INIT, "pelmora_cv._rounding",
  "The keypoints convention's rounding of sizes and responses, for from_arrays.", -1, methods,
  nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__rounding()
{
  return PyModule_Create(&module);
}

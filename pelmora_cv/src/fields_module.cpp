// pelmora_cv._fields: the per-keypoint work of the Python module's
// from_arrays in one call. from_arrays checks its arguments and brings them
// to one type per field; this copies, rounds and widens them into the
// array.array objects that the message keeps as they are. One pass per
// field, no NumPy temporaries, the rounding of rounding.hpp that
// libpelmora_cv uses too.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "processor.hpp"
#include "rounding.hpp"

namespace
{

// The words of a descriptor are its bytes in order only where a uint32 is
// stored least significant byte first; the library refuses other hosts too.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
  "descriptor words are copied as little-endian memory");

// --- the loops ---------------------------------------------------------------

#if defined(__x86_64__)
// Rounds sixteen at a time with AVX-512 while sixteen are left; returns the
// index it stopped at.
__attribute__((target("avx512f"))) size_t round_sixteen_at_a_time(
  const float * values, size_t count, double scale, uint32_t * out)
{
  size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    for (size_t half = i; half < i + 16; half += 8) {
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + half),
        pelmora_cv::rounded_and_clamped8_avx512(_mm256_loadu_ps(values + half), scale));
    }
  }
  return i;
}

// Rounds eight at a time with AVX from `first` while eight are left;
// returns the index it stopped at.
__attribute__((target("avx"))) size_t round_eight_at_a_time(
  const float * values, size_t first, size_t count, double scale, uint32_t * out)
{
  size_t i = first;
  for (; i + 8 <= count; i += 8) {
    _mm256_storeu_ps(reinterpret_cast<float *>(out + i),
      pelmora_cv::rounded_and_clamped8(_mm256_loadu_ps(values + i), scale));
  }
  return i;
}
#endif

// The widest loop the processor has first, then narrower ones for the
// rest, so that a count that is not a multiple of sixteen takes each.
void round_floats(const float * values, size_t count, double scale, uint32_t * out)
{
  size_t i = 0;
#if defined(__x86_64__)
  if (pelmora_cv::have_avx512f()) {
    i = round_sixteen_at_a_time(values, count, scale, out);
  }
  if (pelmora_cv::have_avx()) {
    i = round_eight_at_a_time(values, i, count, scale, out);
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

// 1 where a flag is true. NumPy's bools are the bytes 0 and 1; any other
// byte counts as true as well.
void widen_flags(const uint8_t * flags, size_t count, uint32_t * out)
{
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  for (; i + 16 <= count; i += 16) {
    const __m128i bytes = _mm_min_epu8(
      _mm_loadu_si128(reinterpret_cast<const __m128i *>(flags + i)), one);
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = _mm_unpackhi_epi8(bytes, zero);
    auto * words = reinterpret_cast<__m128i *>(out + i);
    _mm_storeu_si128(words, _mm_unpacklo_epi16(low, zero));
    _mm_storeu_si128(words + 1, _mm_unpackhi_epi16(low, zero));
    _mm_storeu_si128(words + 2, _mm_unpacklo_epi16(high, zero));
    _mm_storeu_si128(words + 3, _mm_unpackhi_epi16(high, zero));
  }
#endif
  for (; i < count; ++i) {
    out[i] = flags[i] != 0 ? 1 : 0;
  }
}

// --- Python objects ------------------------------------------------------------

struct Release
{
  void operator()(PyObject * object) const {Py_DECREF(object);}
};
using Reference = std::unique_ptr<PyObject, Release>;

// An argument's buffer, released when it goes out of scope.
struct Buffer
{
  Py_buffer view{};
  bool held = false;

  bool get(PyObject * object, int flags)
  {
    held = PyObject_GetBuffer(object, &view, flags) == 0;
    return held;
  }

  bool has_format(const char * format) const {return std::strcmp(view.format, format) == 0;}

  ~Buffer()
  {
    if (held) {
      PyBuffer_Release(&view);
    }
  }
};

// array.array, its method name "frombytes", and for each typecode that
// the message takes ('I' and 'f') its name and a one-item array of zero:
// made when the module loads.
PyObject * g_array_type = nullptr;
PyObject * g_frombytes = nullptr;
PyObject * g_typecodes[2] = {nullptr, nullptr};
PyObject * g_zero_words[2] = {nullptr, nullptr};

template<typename Item>
struct Typecode;
template<>
struct Typecode<uint32_t>
{
  static constexpr const char * name = "I";
  static constexpr int index = 0;
};
template<>
struct Typecode<float>
{
  static constexpr const char * name = "f";
  static constexpr int index = 1;
};

// A new array.array of `count` items that `fill` writes (an Item *), the
// GIL released while it runs.
template<typename Item, typename Fill>
Reference computed(Py_ssize_t count, Fill fill)
{
  Reference items(PySequence_Repeat(g_zero_words[Typecode<Item>::index], count));
  Buffer out;
  if (!items || !out.get(items.get(), PyBUF_WRITABLE | PyBUF_C_CONTIGUOUS)) {
    return nullptr;
  }
  auto * first = static_cast<Item *>(out.view.buf);
  Py_BEGIN_ALLOW_THREADS
  fill(first);
  Py_END_ALLOW_THREADS
  return items;
}

// frombytes allocates a sixteenth more than it copies, for appends to
// come. From 32 MiB on, the largest block that glibc's malloc learns to
// serve from its heap on a 64-bit host (the dynamic M_MMAP_THRESHOLD's
// maximum), that extra makes each such array a fresh mapping whose pages
// fault in one by one, message after message: a 60 MB message took three
// times as long. Above that size an array is made at its size instead,
// zero-filled first.
constexpr Py_ssize_t kLargestHeapBlock = Py_ssize_t{32} << 20;

// A new array.array of Items holding a copy of `source`'s bytes.
template<typename Item>
Reference copied(const Buffer & source)
{
  const Py_ssize_t bytes = source.view.len;
  if (bytes + bytes / 16 >= kLargestHeapBlock) {
    return computed<Item>(bytes / Py_ssize_t{sizeof(Item)}, [&source](Item * out) {
        std::memcpy(out, source.view.buf, static_cast<size_t>(source.view.len));
      });
  }
  // frombytes takes buffers of bytes only.
  Reference view(PyMemoryView_FromMemory(static_cast<char *>(source.view.buf), bytes, PyBUF_READ));
  Reference items(view ? PyObject_CallOneArg(g_array_type, g_typecodes[Typecode<Item>::index]) : nullptr);
  if (!items) {
    return nullptr;
  }
  Reference done(PyObject_CallMethodOneArg(items.get(), g_frombytes, view.get()));
  return done ? std::move(items) : nullptr;
}

// Sets TypeError and returns false unless `buffer` is one-dimensional with
// `count` items of one of the formats.
bool check_items(
  const Buffer & buffer, const char * name, Py_ssize_t count, const char * first,
  const char * second = nullptr)
{
  const bool format = buffer.has_format(first) || (second != nullptr && buffer.has_format(second));
  if (buffer.view.ndim == 1 && buffer.view.shape[0] == count && format) {
    return true;
  }
  PyErr_Format(PyExc_TypeError, "%s must hold %zd items of format %s%s%s, got format %s", name, count,
    first, second != nullptr ? " or " : "", second != nullptr ? second : "", buffer.view.format);
  return false;
}

Reference rounded(const Buffer & values, double scale)
{
  const size_t count = static_cast<size_t>(values.view.shape[0]);
  const void * items = values.view.buf;
  if (values.has_format("f")) {
    return computed<uint32_t>(values.view.shape[0], [=](uint32_t * out) {
        round_floats(static_cast<const float *>(items), count, scale, out);
      });
  }
  return computed<uint32_t>(values.view.shape[0], [=](uint32_t * out) {
      round_doubles(static_cast<const double *>(items), count, scale, out);
    });
}

// The arguments of message_fields, in order.
enum Argument { kX, kY, kAngle, kSize, kResponse, kClassId, kRightImage, kDescriptor, kArguments };

PyObject * message_fields(PyObject *, PyObject * const * args, Py_ssize_t count)
{
  if (count != kArguments) {
    PyErr_SetString(PyExc_TypeError,
      "message_fields(x, y, angle, size, response, class_id, right_image, descriptor) takes 8 arguments");
    return nullptr;
  }
  Buffer buffers[kArguments];
  for (int i = 0; i < kArguments; ++i) {
    if (!buffers[i].get(args[i], PyBUF_C_CONTIGUOUS | PyBUF_FORMAT)) {
      return nullptr;
    }
  }
  if (buffers[kX].view.ndim != 1) {
    PyErr_Format(PyExc_TypeError, "x must be one-dimensional, got %d dimensions", buffers[kX].view.ndim);
    return nullptr;
  }
  const Py_ssize_t items = buffers[kX].view.shape[0];
  if (!check_items(buffers[kX], "x", items, "f") || !check_items(buffers[kY], "y", items, "f") ||
    !check_items(buffers[kAngle], "angle", items, "f") ||
    !check_items(buffers[kSize], "size", items, "f", "d") ||
    !check_items(buffers[kResponse], "response", items, "f", "d") ||
    !check_items(buffers[kClassId], "class_id", items, "i", "I") ||
    !check_items(buffers[kRightImage], "right_image", items, "?"))
  {
    return nullptr;
  }
  if (buffers[kDescriptor].view.len % sizeof(uint32_t) != 0) {
    PyErr_Format(PyExc_TypeError, "descriptor must hold whole words, got %zd bytes",
      buffers[kDescriptor].view.len);
    return nullptr;
  }
  const auto * flags = static_cast<const uint8_t *>(buffers[kRightImage].view.buf);
  Reference result(PyDict_New());
  // Each field made in turn, `&&` stopping at the first that fails (with
  // its exception set).
  const auto add = [&result](const char * field, const Reference & words) {
      return words && PyDict_SetItemString(result.get(), field, words.get()) == 0;
    };
  const bool made = result && add("uniqueid", copied<uint32_t>(buffers[kClassId])) &&
    add("isrightimage", computed<uint32_t>(items, [=](uint32_t * out) {
      widen_flags(flags, static_cast<size_t>(items), out);
    })) &&
    add("patternzise", rounded(buffers[kSize], 1.0)) &&
    add("confidence", rounded(buffers[kResponse], pelmora_cv::kMillionths)) &&
    add("x", copied<float>(buffers[kX])) && add("y", copied<float>(buffers[kY])) &&
    add("angle", copied<float>(buffers[kAngle])) && add("descriptor", copied<uint32_t>(buffers[kDescriptor]));
  return made ? result.release() : nullptr;
}

PyMethodDef methods[] = {
  {"message_fields", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(message_fields)),
    METH_FASTCALL,
    "message_fields(x, y, angle, size, response, class_id, right_image, descriptor) -> dict\n\n"
    "The eight sequences of a Features message, as array.array objects named as its fields,\n"
    "from contiguous buffers of N items each: x, y and angle float32 (copied); size and\n"
    "response float32 or float64, times 1 and 10**6 (in double), rounded to the nearest\n"
    "integer with ties to even and clamped to 0..4294967295, NaN giving 0; class_id int32 or\n"
    "uint32 (its bytes copied); right_image bool (1 where true); descriptor the packed words'\n"
    "bytes (copied)."},
  {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module = {
  PyModuleDef_HEAD_INIT, "pelmora_cv._fields",
  "The per-keypoint work of from_arrays: the message's sequences from NumPy arrays.", -1, methods,
  nullptr, nullptr, nullptr, nullptr,
};

// Fills the globals above; false with an exception set if it cannot.
bool find_array_type()
{
  Reference array_module(PyImport_ImportModule("array"));
  if (!array_module) {
    return false;
  }
  Reference array_type(PyObject_GetAttrString(array_module.get(), "array"));
  Reference frombytes(array_type ? PyUnicode_InternFromString("frombytes") : nullptr);
  Reference words(frombytes ? PyUnicode_InternFromString(Typecode<uint32_t>::name) : nullptr);
  Reference floats(words ? PyUnicode_InternFromString(Typecode<float>::name) : nullptr);
  Reference zero_words(floats ? PyObject_CallFunction(array_type.get(), "O[i]", words.get(), 0) : nullptr);
  Reference zero_floats(zero_words ? PyObject_CallFunction(array_type.get(), "O[d]", floats.get(), 0.0) : nullptr);
  if (!zero_floats) {
    return false;
  }
  // Kept for the life of the process, as the module is.
  g_array_type = array_type.release();
  g_frombytes = frombytes.release();
  g_typecodes[Typecode<uint32_t>::index] = words.release();
  g_typecodes[Typecode<float>::index] = floats.release();
  g_zero_words[Typecode<uint32_t>::index] = zero_words.release();
  g_zero_words[Typecode<float>::index] = zero_floats.release();
  return true;
}

}  // namespace

PyMODINIT_FUNC PyInit__fields()
{
  if (g_array_type == nullptr && !find_array_type()) {
    return nullptr;
  }
  return PyModule_Create(&module);
}

// What the processor offers beyond what the build assumes: x86-64 itself
// guarantees SSE2 only, so the loops that go faster with AVX or AVX-512 ask
// before they take that path.
#ifndef PELMORA_CV__PROCESSOR_HPP_
#define PELMORA_CV__PROCESSOR_HPP_

namespace pelmora_cv
{

#if defined(__x86_64__)

/// Whether the processor has AVX, asked once.
inline bool have_avx()
{
  // __builtin_cpu_init fills what __builtin_cpu_supports reads, in case no
  // constructor has yet.
  static const bool avx = (__builtin_cpu_init(), __builtin_cpu_supports("avx"));
  return avx;
}

/// Whether the processor has AVX-512 Foundation, asked once.
inline bool have_avx512f()
{
  static const bool avx512f = (__builtin_cpu_init(), __builtin_cpu_supports("avx512f"));
  return avx512f;
}

#else

inline bool have_avx() {return false;}
inline bool have_avx512f() {return false;}

#endif

}  // namespace pelmora_cv

#endif  // PELMORA_CV__PROCESSOR_HPP_

// What the processor offers beyond what the build assumes: x86-64 itself
// guarantees SSE2 only, so the loops that go faster with AVX ask before
// they take that path.
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

#else

inline bool have_avx() {return false;}

#endif

}  // namespace pelmora_cv

#endif  // PELMORA_CV__PROCESSOR_HPP_

// Fuzz entry point for the CDR decoders, built once per harness with one of
// PELMORA_FUZZ_C_DECODER, PELMORA_FUZZ_CPP_DECODER or PELMORA_FUZZ_DIFFERENTIAL.
//
// Input: one option byte, then the bytes handed to the decoder. Bit 0 of the
// option byte selects big-endian CDR; bit 1 has the message hold data before
// it is decoded into (ignored by the differential harness).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "decoder_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  if (size == 0) {
    return 0;
  }
  const bool big_endian = (data[0] & 1) != 0;
  const bool prefilled = (data[0] & 2) != 0;
  (void)prefilled;
#if defined(PELMORA_FUZZ_C_DECODER)
  const std::string problem = pelmora_hostile::check_c_decoder(data + 1, size - 1, big_endian, prefilled);
#elif defined(PELMORA_FUZZ_CPP_DECODER)
  const std::string problem = pelmora_hostile::check_cpp_decoder(data + 1, size - 1, big_endian, prefilled);
#elif defined(PELMORA_FUZZ_DIFFERENTIAL)
  const std::string problem = pelmora_hostile::check_decoders_agree(data + 1, size - 1, big_endian);
#else
#error "define the harness to build"
#endif
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}

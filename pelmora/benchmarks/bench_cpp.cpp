// The C++ CDR type support of Features measured through its callbacks
// record, obtained from the C++ dispatcher by identifier as a middleware
// obtains it, against memcpy of the same bytes in the same run.
//
//   Cpp/Memcpy/keypoints:K          baseline: memcpy of encoded_bytes(K) bytes
//   Cpp/Encode/keypoints:K          cdr_serialize of a K-keypoint message
//   Cpp/Decode/keypoints:K          cdr_deserialize into a message that is
//                                   reused, so its vectors keep their storage
//   Cpp/DecodeFresh/keypoints:K     cdr_deserialize into a new message each
//                                   time (its vectors allocate and zero-fill)
//   Cpp/SerializedSize/keypoints:K  get_serialized_size: constant in K
//   Cpp/EmptyRoundTrip              encode then decode of the empty message
#include "callbacks_benchmarks.hpp"
#include "cpp_features.hpp"

int main(int argc, char ** argv)
{
  pelmora_bench::CallbackBenchmarks<pelmora_bench::CppFeatures>::register_all("Cpp", true);
  return pelmora_bench::run_registered(argc, argv);
}

// The C CDR type support of Features measured through its callbacks record,
// obtained from the C dispatcher by identifier as a middleware obtains it,
// against memcpy of the same bytes in the same run.
//
//   C/Memcpy/keypoints:K          baseline: memcpy of encoded_bytes(K) bytes
//   C/Encode/keypoints:K          cdr_serialize of a K-keypoint record
//   C/Decode/keypoints:K          cdr_deserialize into a record (its storage
//                                 is released and made anew on every call)
//   C/SerializedSize/keypoints:K  get_serialized_size: constant in K
//   C/EmptyRoundTrip              encode then decode of the all-empty record
#include "c_features.hpp"
#include "callbacks_benchmarks.hpp"

int main(int argc, char ** argv)
{
  pelmora_bench::CallbackBenchmarks<pelmora_bench::CFeatures>::register_all("C", false);
  return pelmora_bench::run_registered(argc, argv);
}

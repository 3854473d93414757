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

namespace
{

struct CSide
{
  using Message = pelmora_bench::Record;

  static const message_type_support_callbacks_t & callbacks()
  {
    static const message_type_support_callbacks_t & record = pelmora_bench::callbacks_for(
      rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(),
      "rosidl_typesupport_fastrtps_c");
    return record;
  }
  static Message make(size_t keypoints) {return pelmora_bench::make_record(keypoints);}
  static Message empty() {return pelmora_tests::empty_record();}
  static const void * of(const Message & m) {return m.get();}
  static void * of(Message & m) {return m.get();}
  static const void * storage(const Message & m) {return m->descriptor.data;}
};

}  // namespace

int main(int argc, char ** argv)
{
  pelmora_bench::CallbackBenchmarks<CSide>::register_all("C", false);
  return pelmora_bench::run_registered(argc, argv);
}

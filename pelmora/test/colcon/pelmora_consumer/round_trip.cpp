// Builds a Features message, encodes it through the C++ dispatcher's
// Fast-CDR type support and decodes it into a second message: what a C++
// node does through its middleware, with only pelmora's package
// configuration on the link line.
#include <cstdio>
#include <vector>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "pelmora/msg/features.hpp"
#include "rosidl_typesupport_cpp/message_type_support.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

int main()
{
  const pelmora::msg::Features sent = pelmora::build<pelmora::msg::Features>()
    .keypointnumber(2).descriptorsize(32).descriptor({1, 2}).uniqueid({7})
    .isrightimage({0, 1}).patternzise({}).confidence({9}).x({0.5f}).y({-1.5f})
    .angle({3.25f});

  const rosidl_message_type_support_t * dispatcher =
    rosidl_typesupport_cpp::get_message_type_support_handle<pelmora::msg::Features>();
  const rosidl_message_type_support_t * cdr_support =
    dispatcher->func(dispatcher, "rosidl_typesupport_fastrtps_cpp");
  if (cdr_support == nullptr) {
    std::puts("the dispatcher found no Fast-CDR type support");
    return 1;
  }
  const auto * callbacks =
    static_cast<const message_type_support_callbacks_t *>(cdr_support->data);

  std::vector<char> bytes(callbacks->get_serialized_size(&sent));
  eprosima::fastcdr::FastBuffer buffer(bytes.data(), bytes.size());
  eprosima::fastcdr::Cdr writer(buffer);
  pelmora::msg::Features received;
  bool ok = callbacks->cdr_serialize(&sent, writer) &&
    writer.getSerializedDataLength() == bytes.size();
  eprosima::fastcdr::Cdr reader(buffer);
  ok = ok && callbacks->cdr_deserialize(reader, &received) && received == sent;

  std::printf("%zu bytes, %s\n%s", bytes.size(), ok ? "round trip equal" : "round trip DIFFERS",
    rosidl_generator_traits::to_yaml(received).c_str());
  return ok ? 0 : 1;
}

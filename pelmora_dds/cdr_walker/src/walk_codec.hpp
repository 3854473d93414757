// The Codec over one member-table language: the sample header and the
// lifecycle around the walk.
#ifndef PELMORA_CDR_WALKER__WALK_CODEC_HPP_
#define PELMORA_CDR_WALKER__WALK_CODEC_HPP_

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "walk.hpp"

namespace pelmora_cdr_walker
{

template<class L>
class WalkCodec final : public Codec
{
public:
  using Members = typename L::Members;

  static std::unique_ptr<Codec> make(const Members & members, std::string * error)
  {
    const std::string problem = Walk<L>::check(members);
    if (!problem.empty()) {
      fail_with(error, problem);
      return nullptr;
    }
    return std::unique_ptr<Codec>(new WalkCodec(members));
  }

  size_t serialized_size(const void * message) const override
  {
    const size_t body = Walk<L>::size(members_, static_cast<const uint8_t *>(message), 0);
    return body == std::numeric_limits<size_t>::max() ? body : kHeaderBytes + body;
  }

  bool encode(
    const void * message, uint8_t * out, size_t capacity, ByteOrder order,
    size_t * written, std::string * error) const override
  {
    if (capacity < kHeaderBytes) {
      return fail_with(error, "no room for the encapsulation header");
    }
    out[0] = 0x00;
    out[1] = order == ByteOrder::little ? 0x01 : 0x00;
    out[2] = 0x00;
    out[3] = 0x00;
    Writer body(out + kHeaderBytes, capacity - kHeaderBytes, order != native_byte_order(), error);
    if (!Walk<L>::encode(members_, static_cast<const uint8_t *>(message), body)) {
      return false;
    }
    if (written != nullptr) {
      *written = kHeaderBytes + body.position();
    }
    return true;
  }

  bool decode(
    const uint8_t * sample, size_t size, void * message, std::string * error) const override
  {
    if (size < kHeaderBytes) {
      return fail_with(error, "sample of " + std::to_string(size) + " bytes has no encapsulation header");
    }
    if (sample[0] != 0x00 || sample[1] > 0x01) {
      char id[8];
      std::snprintf(id, sizeof(id), "%02x%02x", sample[0], sample[1]);
      return fail_with(error, std::string("unknown encapsulation 0x") + id + " (only plain CDR)");
    }
    const ByteOrder order = sample[1] == 0x01 ? ByteOrder::little : ByteOrder::big;
    Reader body(sample + kHeaderBytes, size - kHeaderBytes, order != native_byte_order(), error);
    return Walk<L>::decode(members_, static_cast<uint8_t *>(message), body);
  }

  size_t message_size() const override {return members_.size_of_;}
  void init_message(void * memory) const override {L::init(members_, memory);}
  void fini_message(void * message) const override {members_.fini_function(message);}

  std::string type_name() const override
  {
    std::string ns = members_.message_namespace_;
    for (size_t at = ns.find("__"); at != std::string::npos; at = ns.find("__", at + 2)) {
      ns.replace(at, 2, "::");
    }
    return ns + "::" + members_.message_name_;
  }

private:
  explicit WalkCodec(const Members & members)
  : members_(members) {}

  const Members & members_;
};

}  // namespace pelmora_cdr_walker

#endif  // PELMORA_CDR_WALKER__WALK_CODEC_HPP_

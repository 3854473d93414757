// Cyclone DDS's custom type interface over the introspection walker: a
// sertype that names the ROS type, and serdata that hold one sample as its
// CDR bytes, encapsulation header included. Writing encodes with the
// walker; the bytes received are kept as they came and decoded only when
// the reader takes them, so a bad sample is refused there, with a reason.
#ifndef PELMORA_DDS__CYCLONEDDS__WALKER_SERTYPE_HPP_
#define PELMORA_DDS__CYCLONEDDS__WALKER_SERTYPE_HPP_

#include <cstdint>
#include <string>

#include "pelmora_cdr_walker/walker.hpp"

struct ddsi_sertype;
struct ddsi_serdata;

namespace pelmora_dds
{
namespace cyclonedds
{

/// A new sertype (one reference, which dds_create_topic_sertype takes
/// over) for messages of `codec`, registered as `type_name`. The codec must
/// outlive every entity that uses the sertype.
ddsi_sertype * make_walker_sertype(const pelmora_cdr_walker::Codec & codec, const std::string & type_name);

/// A sample's bytes (header included) if `serdata` is one of ours, else
/// false.
bool serdata_bytes(const ddsi_serdata * serdata, const uint8_t ** bytes, uint32_t * size);

/// A serdata of `sertype` holding `bytes` unchecked, as if they had been
/// received: for writers of deliberately malformed samples.
ddsi_serdata * serdata_from_bytes(const ddsi_sertype * sertype, const uint8_t * bytes, uint32_t size);

}  // namespace cyclonedds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__CYCLONEDDS__WALKER_SERTYPE_HPP_

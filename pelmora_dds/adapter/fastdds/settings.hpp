// EndpointOptions turned into Fast DDS QoS: the participant's transports and
// discovery, and the ROS QoS policies of a writer or reader.
#ifndef PELMORA_DDS__FASTDDS__SETTINGS_HPP_
#define PELMORA_DDS__FASTDDS__SETTINGS_HPP_

#include <chrono>
#include <cstdint>
#include <string>

#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>
#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>

#include "pelmora_dds/options.hpp"

namespace pelmora_dds
{
namespace fastdds
{

/// `ms` as a Fast DDS duration; a negative one is zero.
eprosima::fastrtps::Duration_t to_duration(std::chrono::milliseconds ms);

/// Resources sized for the largest sample: shared-memory segment and port
/// queue, and the bound on a keep-all history.
struct ResourcePlan
{
  uint32_t segment_bytes;
  uint32_t port_queue_capacity;
  int32_t keep_all_depth;
};
ResourcePlan plan_for(uint32_t largest_sample);

/// Sets the transports and discovery of `qos` (which holds the defaults to
/// start from) as `transport` asks. Returns an empty string, or why the
/// settings cannot be made (a peer without UDP, an unreadable server list).
std::string apply_transport(
  const TransportOptions & transport, const ResourcePlan & plan,
  eprosima::fastdds::dds::DomainParticipantQos * qos);

/// Shortens the participant's lease to the liveliness lease, when one is set.
void apply_lease(const QosOptions & ros, eprosima::fastdds::dds::DomainParticipantQos * qos);

/// Sets reliability, durability, history and resource limits as ROS does;
/// `system_default` policies keep what `qos` holds.
void apply_qos(
  const QosOptions & ros, const ResourcePlan & plan, eprosima::fastdds::dds::DataWriterQos * qos);
void apply_qos(
  const QosOptions & ros, const ResourcePlan & plan, eprosima::fastdds::dds::DataReaderQos * qos);

/// `qos` with apply_qos done: a writer's or reader's default QoS made ROS's.
template<typename Qos>
Qos with_ros_qos(Qos qos, const QosOptions & ros, const ResourcePlan & plan)
{
  apply_qos(ros, plan, &qos);
  return qos;
}

}  // namespace fastdds
}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FASTDDS__SETTINGS_HPP_

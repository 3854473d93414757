#ifndef PELMORA__MSG__DETAIL__FEATURES__STRUCT_HPP_
#define PELMORA__MSG__DETAIL__FEATURES__STRUCT_HPP_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "rosidl_runtime_cpp/message_initialization.hpp"

namespace pelmora
{
namespace msg
{

/// Image keypoint features: two counts and eight independent sequences.
///
/// The object holds exactly these ten members, in this order: the order is
/// the wire order and the introspection order, and the type support
/// libraries publish the offsets as the compiler lays them out. Nothing ties
/// the counts to the sequence lengths.
template<class ContainerAllocator>
struct Features_
{
  using Type = Features_<ContainerAllocator>;

  /// The vector type of a sequence member: the container allocator rebound
  /// to the element type.
  template<typename Element>
  using Sequence = std::vector<Element,
      typename std::allocator_traits<ContainerAllocator>::template rebind_alloc<Element>>;

  /// ALL and ZERO set both counts to 0. SKIP and DEFAULTS_ONLY leave them
  /// unwritten (the message has no defaults), so memory handed to a
  /// placement construction keeps its bytes there. The sequences always
  /// start empty, without storage.
  explicit Features_(
    rosidl_runtime_cpp::MessageInitialization init = rosidl_runtime_cpp::MessageInitialization::ALL)
  {
    initialize_counts(init);
  }

  explicit Features_(
    const ContainerAllocator & allocator,
    rosidl_runtime_cpp::MessageInitialization init = rosidl_runtime_cpp::MessageInitialization::ALL)
  : descriptor(allocator), uniqueid(allocator), isrightimage(allocator),
    patternzise(allocator), confidence(allocator), x(allocator), y(allocator), angle(allocator)
  {
    initialize_counts(init);
  }

  uint32_t keypointnumber;
  uint32_t descriptorsize;
  Sequence<uint32_t> descriptor;
  Sequence<uint32_t> uniqueid;
  Sequence<uint32_t> isrightimage;
  Sequence<uint32_t> patternzise;
  Sequence<uint32_t> confidence;
  Sequence<float> x;
  Sequence<float> y;
  Sequence<float> angle;

  using RawPtr = Features_<ContainerAllocator> *;
  using ConstRawPtr = const Features_<ContainerAllocator> *;
  using SharedPtr = std::shared_ptr<Features_<ContainerAllocator>>;
  using ConstSharedPtr = std::shared_ptr<const Features_<ContainerAllocator>>;
  using UniquePtr = std::unique_ptr<Features_<ContainerAllocator>>;
  using ConstUniquePtr = std::unique_ptr<const Features_<ContainerAllocator>>;

  /// Member-wise equality; floats compare as values (a NaN element makes
  /// two messages unequal, -0.0 equals 0.0).
  bool operator==(const Features_ & other) const
  {
    return keypointnumber == other.keypointnumber &&
           descriptorsize == other.descriptorsize &&
           descriptor == other.descriptor &&
           uniqueid == other.uniqueid &&
           isrightimage == other.isrightimage &&
           patternzise == other.patternzise &&
           confidence == other.confidence &&
           x == other.x &&
           y == other.y &&
           angle == other.angle;
  }

  bool operator!=(const Features_ & other) const
  {
    return !(*this == other);
  }

private:
  void initialize_counts(rosidl_runtime_cpp::MessageInitialization init)
  {
    if (init == rosidl_runtime_cpp::MessageInitialization::ALL ||
      init == rosidl_runtime_cpp::MessageInitialization::ZERO)
    {
      keypointnumber = 0;
      descriptorsize = 0;
    }
  }
};

using Features = Features_<std::allocator<void>>;

// The layout is what the introspection table publishes: the two counts, then
// the eight vectors back to back, with nothing else in the object.
static_assert(offsetof(Features, keypointnumber) == 0, "keypointnumber leads the object");
static_assert(offsetof(Features, descriptorsize) == 4, "descriptorsize follows keypointnumber");
static_assert(offsetof(Features, descriptor) == 8, "the vectors follow the two counts");
static_assert(
  sizeof(Features::Sequence<uint32_t>) == sizeof(Features::Sequence<float>),
  "both vector types have one size");
static_assert(
  offsetof(Features, angle) == 8 + 7 * sizeof(Features::Sequence<float>) &&
  sizeof(Features) == 8 + 8 * sizeof(Features::Sequence<float>),
  "Features holds its ten members and nothing else");
static_assert(
  sizeof(void *) != 8 || sizeof(Features) == 200,
  "Features is 200 bytes on 64-bit targets");

}  // namespace msg
}  // namespace pelmora

#endif  // PELMORA__MSG__DETAIL__FEATURES__STRUCT_HPP_

// CDR (XCDR1, encapsulation header included) for any ROS message, by walking
// the member table of its introspection type support. A middleware that was
// never compiled against a message moves it with this, byte for byte as the
// message's own CDR type support does.
//
// Moved member kinds: the fixed-size primitives (bool, byte, char, the
// 8- to 64-bit integers, float32, float64), strings, nested messages, and
// fixed arrays, bounded and unbounded sequences of all of these. long double,
// wchar and wstring are refused when the codec is made.
//
// A sample is the 4-byte encapsulation header (0x00 0x00 big-endian CDR,
// 0x00 0x01 little-endian CDR, then two option bytes) followed by the body,
// whose alignment origin is the first byte after the header.
#ifndef PELMORA_CDR_WALKER__WALKER_HPP_
#define PELMORA_CDR_WALKER__WALKER_HPP_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "rosidl_runtime_c/message_type_support_struct.h"

namespace pelmora_cdr_walker
{

constexpr size_t kHeaderBytes = 4;

enum class ByteOrder { little, big };
ByteOrder native_byte_order();

/// Encoder, decoder and size of one message type, over a C or a C++
/// introspection member table. Immutable once made: one codec may serve any
/// number of threads, each on its own messages.
class Codec
{
public:
  virtual ~Codec() = default;

  /// Bytes a sample of `message` takes, header included; SIZE_MAX when the
  /// message cannot be encoded (a sequence beyond 2^32 - 1 elements or
  /// beyond its bound, a string beyond its bound).
  virtual size_t serialized_size(const void * message) const = 0;

  /// Writes the sample of `message` into `out`, header first, in `order`.
  /// Fails (false, `error` says why) when `capacity` is smaller than
  /// serialized_size() or the message cannot be encoded. `written` receives
  /// the bytes written.
  virtual bool encode(
    const void * message, uint8_t * out, size_t capacity, ByteOrder order,
    size_t * written, std::string * error) const = 0;

  /// Reads a sample into `message`, an initialised message that is
  /// overwritten. Either byte order. Fails (false, `error` says why) on an
  /// unknown encapsulation, a truncated body or a length word the remaining
  /// bytes cannot hold; storage for a sequence is made only after its length
  /// word has been checked against the bytes left, so no allocation exceeds
  /// what the sample itself could fill. Bytes after the body are ignored. On
  /// failure the message is valid but its content unspecified.
  virtual bool decode(
    const uint8_t * sample, size_t size, void * message, std::string * error) const = 0;

  /// Memory of one message and its lifecycle, from the member table.
  virtual size_t message_size() const = 0;
  virtual void init_message(void * memory) const = 0;
  virtual void fini_message(void * message) const = 0;

  /// "<namespace>::<name>" with the C table's "__" shown as "::".
  virtual std::string type_name() const = 0;
};

/// Codec over `rosidl_typesupport_introspection_c` or
/// `rosidl_typesupport_introspection_cpp` handle `introspection` (the
/// identifier tells which). Null with `error` set when the handle is of
/// another kind or the table holds a member kind the walker does not move.
std::unique_ptr<Codec> make_codec(
  const rosidl_message_type_support_t * introspection, std::string * error);

/// Asks a dispatcher handle, as a client library holds it, for its
/// introspection type support (C for `language_c`, else C++) and makes the
/// codec over it.
std::unique_ptr<Codec> make_codec_from_dispatcher(
  const rosidl_message_type_support_t * dispatcher, bool language_c, std::string * error);

/// DDS type name under which ROS 2 middlewares register a message:
/// "<pkg>::msg::dds_::<Name>_".
std::string dds_type_name(const Codec & codec);

}  // namespace pelmora_cdr_walker

#endif  // PELMORA_CDR_WALKER__WALKER_HPP_

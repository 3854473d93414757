#include "cyclonedds/walker_sertype.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <dds/dds.h>
#include <dds/ddsi/ddsi_serdata.h>
#include <dds/ddsi/ddsi_sertype.h>
#include <dds/ddsi/q_radmin.h>

namespace pelmora_dds
{
namespace cyclonedds
{

namespace
{

using pelmora_cdr_walker::Codec;

struct WalkerSertype
{
  ddsi_sertype base;  // first: Cyclone sees only this part
  const Codec * codec;
};

struct WalkerSerdata
{
  ddsi_serdata base;  // first: Cyclone sees only this part
  uint32_t size;      // bytes of the sample, header included
  uint8_t * bytes;    // size rounded up to 4, the padding zeroed
};

const Codec & codec_of(const ddsi_sertype * type)
{
  return *reinterpret_cast<const WalkerSertype *>(type)->codec;
}

const WalkerSerdata * ours(const ddsi_serdata * d)
{
  return reinterpret_cast<const WalkerSerdata *>(d);
}

extern const ddsi_serdata_ops serdata_ops;

// An empty serdata with room for `size` bytes; Cyclone may copy up to the
// next multiple of 4, so the buffer runs to there and the tail is zero.
WalkerSerdata * new_serdata(const ddsi_sertype * type, ddsi_serdata_kind kind, size_t size)
{
  if (size > UINT32_MAX - 3) {
    return nullptr;
  }
  auto * d = new (std::nothrow) WalkerSerdata();
  const size_t room = std::max<size_t>(4, (size + 3) & ~size_t{3});
  uint8_t * bytes = d != nullptr ? static_cast<uint8_t *>(std::malloc(room)) : nullptr;
  if (bytes == nullptr) {
    delete d;
    return nullptr;
  }
  std::memset(bytes + room - 4, 0, 4);  // before the sample's bytes go in
  ddsi_serdata_init(&d->base, type, kind);
  d->size = static_cast<uint32_t>(size);
  d->bytes = bytes;
  return d;
}

// Keyless topics: every sample is of the one instance.
bool eqkey(const ddsi_serdata *, const ddsi_serdata *) {return true;}

uint32_t get_size(const ddsi_serdata * d) {return ours(d)->size;}

ddsi_serdata * from_ser(
  const ddsi_sertype * type, ddsi_serdata_kind kind, const nn_rdata * fragchain, size_t size)
{
  WalkerSerdata * d = new_serdata(type, kind, size);
  if (d == nullptr) {
    return nullptr;
  }
  // Fragments arrive in order and may overlap; each adds the bytes past the
  // end of what is already there.
  uint32_t filled = 0;
  for (const nn_rdata * f = fragchain; f != nullptr && filled < size; f = f->nextfrag) {
    if (f->maxp1 > filled && f->min <= filled) {
      const unsigned char * payload = NN_RMSG_PAYLOADOFF(f->rmsg, NN_RDATA_PAYLOAD_OFF(f));
      const uint32_t end = f->maxp1 < size ? f->maxp1 : static_cast<uint32_t>(size);
      std::memcpy(d->bytes + filled, payload + (filled - f->min), end - filled);
      filled = end;
    }
  }
  return &d->base;
}

ddsi_serdata * from_ser_iov(
  const ddsi_sertype * type, ddsi_serdata_kind kind, ddsrt_msg_iovlen_t niov,
  const ddsrt_iovec_t * iov, size_t size)
{
  WalkerSerdata * d = new_serdata(type, kind, size);
  if (d == nullptr) {
    return nullptr;
  }
  size_t filled = 0;
  for (ddsrt_msg_iovlen_t i = 0; i < niov && filled < size; ++i) {
    const size_t n = iov[i].iov_len < size - filled ? iov[i].iov_len : size - filled;
    std::memcpy(d->bytes + filled, iov[i].iov_base, n);
    filled += n;
  }
  return &d->base;
}

// A key-only sample of a keyless type is the header of an empty body.
ddsi_serdata * from_keyhash(const ddsi_sertype * type, const ddsi_keyhash *)
{
  static const uint8_t header[4] = {0x00, 0x01, 0x00, 0x00};
  ddsrt_iovec_t iov{const_cast<uint8_t *>(header), sizeof(header)};
  return from_ser_iov(type, SDK_KEY, 1, &iov, sizeof(header));
}

ddsi_serdata * from_sample(const ddsi_sertype * type, ddsi_serdata_kind kind, const void * sample)
{
  const Codec & codec = codec_of(type);
  const size_t size = codec.serialized_size(sample);
  WalkerSerdata * d = new_serdata(type, kind, size);  // refuses SIZE_MAX
  if (d == nullptr) {
    return nullptr;
  }
  std::string error;
  if (!codec.encode(
      sample, d->bytes, d->size, pelmora_cdr_walker::native_byte_order(), nullptr, &error))
  {
    std::fprintf(stderr, "pelmora-dds: cannot encode the sample: %s\n", error.c_str());
    ddsi_serdata_unref(&d->base);
    return nullptr;
  }
  return &d->base;
}

void to_ser(const ddsi_serdata * d, size_t off, size_t sz, void * buf)
{
  std::memcpy(buf, ours(d)->bytes + off, sz);
}

ddsi_serdata * to_ser_ref(const ddsi_serdata * d, size_t off, size_t sz, ddsrt_iovec_t * ref)
{
  ref->iov_base = ours(d)->bytes + off;
  ref->iov_len = static_cast<ddsrt_iov_len_t>(sz);
  return ddsi_serdata_ref(d);
}

void to_ser_unref(ddsi_serdata * d, const ddsrt_iovec_t *)
{
  ddsi_serdata_unref(d);
}

// `sample` is an initialised message (see realloc_samples); loans of
// caller buffers are not offered.
bool to_sample(const ddsi_serdata * d, void * sample, void ** bufptr, void *)
{
  if (bufptr != nullptr || d->kind != SDK_DATA) {
    return false;
  }
  std::string error;
  if (!codec_of(d->type).decode(ours(d)->bytes, ours(d)->size, sample, &error)) {
    std::fprintf(stderr, "pelmora-dds: dropped a sample: %s\n", error.c_str());
    return false;
  }
  return true;
}

ddsi_serdata * to_untyped(const ddsi_serdata * d)
{
  return ddsi_serdata_ref(d);
}

// A keyless type has no key fields to fill.
bool untyped_to_sample(const ddsi_sertype *, const ddsi_serdata *, void *, void **, void *)
{
  return true;
}

void free_serdata(ddsi_serdata * d)
{
  auto * mine = reinterpret_cast<WalkerSerdata *>(d);
  std::free(mine->bytes);
  delete mine;
}

size_t print(const ddsi_sertype *, const ddsi_serdata * d, char * buf, size_t size)
{
  const int n = std::snprintf(buf, size, "(%u bytes of CDR)", ours(d)->size);
  return n < 0 ? 0 : static_cast<size_t>(n);
}

void get_keyhash(const ddsi_serdata *, ddsi_keyhash * buf, bool)
{
  std::memset(buf, 0, sizeof(*buf));
}

const ddsi_serdata_ops serdata_ops = {
  eqkey, get_size, from_ser, from_ser_iov, from_keyhash, from_sample, to_ser, to_ser_ref,
  to_ser_unref, to_sample, to_untyped, untyped_to_sample, free_serdata, print, get_keyhash,
  nullptr, nullptr,  // no shared-memory (iceoryx) transport
};

void free_sertype(ddsi_sertype * tp)
{
  ddsi_sertype_fini(tp);
  delete reinterpret_cast<WalkerSertype *>(tp);
}

// Samples are messages of the codec's type, each initialised, in one block.
void zero_samples(const ddsi_sertype * type, void * samples, size_t count)
{
  const Codec & codec = codec_of(type);
  for (size_t i = 0; i < count; ++i) {
    void * message = static_cast<uint8_t *>(samples) + i * codec.message_size();
    codec.fini_message(message);
    codec.init_message(message);
  }
}

void realloc_samples(void ** ptrs, const ddsi_sertype * type, void * old, size_t oldcount, size_t count)
{
  const Codec & codec = codec_of(type);
  const size_t size = codec.message_size();
  auto * block = static_cast<uint8_t *>(std::malloc(count == 0 ? 1 : count * size));
  if (block == nullptr) {
    std::abort();  // Cyclone offers no way to report it
  }
  for (size_t i = 0; i < count; ++i) {
    if (i < oldcount) {
      // Messages hold their storage by pointer: moving the bytes moves them.
      std::memcpy(block + i * size, static_cast<uint8_t *>(old) + i * size, size);
    } else {
      codec.init_message(block + i * size);
    }
    ptrs[i] = block + i * size;
  }
  for (size_t i = count; i < oldcount; ++i) {
    codec.fini_message(static_cast<uint8_t *>(old) + i * size);
  }
  std::free(old);
}

void free_samples(const ddsi_sertype * type, void ** ptrs, size_t count, dds_free_op_t op)
{
  const Codec & codec = codec_of(type);
  if (count == 0) {
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    codec.fini_message(ptrs[i]);
    if (!(op & DDS_FREE_ALL_BIT)) {
      codec.init_message(ptrs[i]);  // the caller keeps a usable message
    }
  }
  if (op & DDS_FREE_ALL_BIT) {
    std::free(ptrs[0]);
  }
}

bool equal(const ddsi_sertype * a, const ddsi_sertype * b)
{
  return reinterpret_cast<const WalkerSertype *>(a)->codec ==
         reinterpret_cast<const WalkerSertype *>(b)->codec;
}

uint32_t hash(const ddsi_sertype * tp)
{
  const auto address = reinterpret_cast<uintptr_t>(reinterpret_cast<const WalkerSertype *>(tp)->codec);
  return static_cast<uint32_t>(address ^ (address >> 32));
}

bool serialize_into(const ddsi_sertype * type, const void * sample, void * dst, size_t dst_size)
{
  return codec_of(type).encode(
    sample, static_cast<uint8_t *>(dst), dst_size, pelmora_cdr_walker::native_byte_order(),
    nullptr, nullptr);
}

size_t get_serialized_size(const ddsi_sertype * type, const void * sample)
{
  return codec_of(type).serialized_size(sample);
}

const ddsi_sertype_ops sertype_ops = {
  ddsi_sertype_v0, nullptr, free_sertype, zero_samples, realloc_samples, free_samples, equal,
  hash, nullptr, nullptr, nullptr, nullptr, get_serialized_size, serialize_into,
};

}  // namespace

ddsi_sertype * make_walker_sertype(const Codec & codec, const std::string & type_name)
{
  auto * st = new WalkerSertype();
  st->codec = &codec;
  ddsi_sertype_init_flags(
    &st->base, type_name.c_str(), &sertype_ops, &serdata_ops, DDSI_SERTYPE_FLAG_TOPICKIND_NO_KEY);
  st->base.allowed_data_representation = DDS_DATA_REPRESENTATION_FLAG_XCDR1;
  return &st->base;
}

bool serdata_bytes(const ddsi_serdata * serdata, const uint8_t ** bytes, uint32_t * size)
{
  if (serdata->ops != &serdata_ops) {
    return false;
  }
  *bytes = ours(serdata)->bytes;
  *size = ours(serdata)->size;
  return true;
}

ddsi_serdata * serdata_from_bytes(const ddsi_sertype * sertype, const uint8_t * bytes, uint32_t size)
{
  ddsrt_iovec_t iov{const_cast<uint8_t *>(bytes), static_cast<ddsrt_iov_len_t>(size)};
  return from_ser_iov(sertype, SDK_DATA, 1, &iov, size);
}

}  // namespace cyclonedds
}  // namespace pelmora_dds

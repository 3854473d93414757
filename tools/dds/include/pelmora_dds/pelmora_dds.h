/* C interface of the DDS adapter, for C programs and for Python through
 * ctypes. Messages cross it as untyped pointers to messages of the language
 * of the chosen type support (C records for "rosidl_typesupport_fastrtps_c").
 *
 * Every blocking call takes a timeout in milliseconds and returns by it.
 * Calls that fail leave a description for pelmora_dds_last_error(). */
#ifndef PELMORA_DDS__PELMORA_DDS_H_
#define PELMORA_DDS__PELMORA_DDS_H_

#include <stddef.h>
#include <stdint.h>

#include "rosidl_runtime_c/message_type_support_struct.h"

#ifdef __cplusplus
extern "C"
{
#endif

#define PELMORA_DDS_PUBLIC __attribute__((visibility("default")))

typedef struct pelmora_dds_endpoint pelmora_dds_endpoint;

enum
{
  PELMORA_DDS_OK = 0,
  PELMORA_DDS_TIMEOUT = 1,
  PELMORA_DDS_ERROR = -1
};

/* Creates a writer (is_writer != 0) or a reader on ROS topic `topic` in
 * `domain`. `dispatcher` is a type-support handle as a client library holds
 * it; the adapter asks it for `identifier`, the Fast-CDR type support to use.
 * `largest_sample` is the payload size in bytes of the largest expected
 * sample (0 for a small default). Returns null on failure. */
PELMORA_DDS_PUBLIC
pelmora_dds_endpoint * pelmora_dds_endpoint_create(
  int is_writer, const rosidl_message_type_support_t * dispatcher, const char * identifier,
  uint32_t domain, const char * topic, uint32_t largest_sample);

/* Destroys the endpoint and its participant; null is ignored. */
PELMORA_DDS_PUBLIC
void pelmora_dds_endpoint_destroy(pelmora_dds_endpoint * endpoint);

/* Waits until `count` endpoints of the other role have matched. */
PELMORA_DDS_PUBLIC
int pelmora_dds_wait_for_peers(pelmora_dds_endpoint * endpoint, uint32_t count, uint32_t timeout_ms);

/* Publishes one message (writer only). */
PELMORA_DDS_PUBLIC
int pelmora_dds_write(pelmora_dds_endpoint * endpoint, const void * message, uint32_t timeout_ms);

/* Waits until every matched reader acknowledged every sample (writer only). */
PELMORA_DDS_PUBLIC
int pelmora_dds_wait_acknowledged(pelmora_dds_endpoint * endpoint, uint32_t timeout_ms);

/* Takes the next sample into `message`, an initialised message that the
 * decoder overwrites (reader only). */
PELMORA_DDS_PUBLIC
int pelmora_dds_take(pelmora_dds_endpoint * endpoint, void * message, uint32_t timeout_ms);

/* Payload bytes of `message` on the wire, encapsulation header included. */
PELMORA_DDS_PUBLIC
uint32_t pelmora_dds_payload_size(const pelmora_dds_endpoint * endpoint, const void * message);

/* Text of the last failure in this thread; never null. */
PELMORA_DDS_PUBLIC
const char * pelmora_dds_last_error(void);

#ifdef __cplusplus
}
#endif

#endif  /* PELMORA_DDS__PELMORA_DDS_H_ */

/* C interface of the DDS adapter, for Python through ctypes: a reader of
 * any message (pelmora-stereo-match), the samples of pelmora-dds, and the
 * whole tool (pelmora_dds_main), which pelmora-dds and the Python peer run.
 * Messages cross it as untyped pointers to messages of the language of the
 * dispatcher's handle (C records for the C dispatcher).
 *
 * Endpoint settings travel as an options object, filled from the process
 * environment (ROS_DOMAIN_ID, ROS_LOCALHOST_ONLY, ROS_DISCOVERY_SERVER,
 * FASTRTPS_DEFAULT_PROFILES_FILE) and from command-line style arguments with
 * the names and checks of pelmora-dds (--topic, --domain, --transport, ...).
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

typedef struct pelmora_dds_options pelmora_dds_options;
typedef struct pelmora_dds_endpoint pelmora_dds_endpoint;

enum
{
  PELMORA_DDS_OK = 0,
  PELMORA_DDS_TIMEOUT = 1,
  PELMORA_DDS_REFUSED = 2,
  PELMORA_DDS_ERROR = -1
};

/* Kinds of pelmora_dds_next_event. */
enum
{
  PELMORA_DDS_EVENT_MATCHED = 1,
  PELMORA_DDS_EVENT_LOST = 2,
  PELMORA_DDS_EVENT_INCOMPATIBLE = 3,
  PELMORA_DDS_EVENT_NOT_ALIVE = 4,
  PELMORA_DDS_EVENT_ALIVE = 5
};

/* Options with ROS's defaults (topic /features, reliable, volatile,
 * keep-last 10, built-in transports) and the environment applied. Returns
 * null when an environment variable holds a value it cannot take. */
PELMORA_DDS_PUBLIC
pelmora_dds_options * pelmora_dds_options_create(void);

/* Null is ignored. */
PELMORA_DDS_PUBLIC
void pelmora_dds_options_destroy(pelmora_dds_options * options);

/* Parses `argc` arguments such as {"--topic", "/ns/features", "--qos-depth",
 * "5"}; the options are unchanged when one is wrong (PELMORA_DDS_ERROR). */
PELMORA_DDS_PUBLIC
int pelmora_dds_options_parse(pelmora_dds_options * options, int argc, const char * const * argv);

/* Decides DDS Security as pelmora-dds does, from --enclave (as parsed) and
 * ROS_SECURITY_ENABLE, _STRATEGY, _KEYSTORE and _ENCLAVE_OVERRIDE. Returns
 * PELMORA_DDS_OK, with `*warning` a text to show the user (or ""; valid
 * until the next call on these options), or PELMORA_DDS_REFUSED when the
 * Enforce strategy finds an enclave file missing (pelmora_dds_last_error()
 * names it) or the enclave name is wrong. Endpoints made from options not
 * resolved since their last parse resolve them first, print a warning to
 * standard error and fail on a refusal. */
PELMORA_DDS_PUBLIC
int pelmora_dds_options_resolve_security(pelmora_dds_options * options, const char ** warning);

/* Payload bytes of the largest expected sample (0 keeps the small default). */
PELMORA_DDS_PUBLIC
void pelmora_dds_options_set_largest_sample(pelmora_dds_options * options, uint32_t bytes);

/* One line describing topic, domain, QoS and transport; valid until the
 * options change or are destroyed. */
PELMORA_DDS_PUBLIC
const char * pelmora_dds_options_describe(pelmora_dds_options * options);

/* Creates a writer (is_writer != 0) or a reader. `dispatcher` is a
 * type-support handle as a client library holds it; the chosen vendor asks
 * it for the type support it moves messages with. Resolves the security of
 * `options` first unless done since their last parse. Returns null on
 * failure. */
PELMORA_DDS_PUBLIC
pelmora_dds_endpoint * pelmora_dds_endpoint_create(
  int is_writer, const rosidl_message_type_support_t * dispatcher, pelmora_dds_options * options);

/* Destroys the endpoint and its participant; null is ignored. */
PELMORA_DDS_PUBLIC
void pelmora_dds_endpoint_destroy(pelmora_dds_endpoint * endpoint);

/* The oldest event not yet returned: its kind (PELMORA_DDS_EVENT_*), or 0
 * when there is none. `detail` receives the remote endpoint's GUID or the
 * incompatible policy's name, valid until the next call. */
PELMORA_DDS_PUBLIC
int pelmora_dds_next_event(pelmora_dds_endpoint * endpoint, const char ** detail);

/* Takes the next sample into `message`, an initialised message that the
 * decoder overwrites (reader only). */
PELMORA_DDS_PUBLIC
int pelmora_dds_take(pelmora_dds_endpoint * endpoint, void * message, uint32_t timeout_ms);

/* Takes the next sample's bytes as they arrived, the 4-byte encapsulation
 * header included, without decoding them (reader only): `*data` and `*size`
 * receive them, valid until the next serialized take on this endpoint or its
 * destruction (0 bytes unless PELMORA_DDS_OK). The caller checks them. */
PELMORA_DDS_PUBLIC
int pelmora_dds_take_serialized(
  pelmora_dds_endpoint * endpoint, const uint8_t ** data, uint32_t * size, uint32_t timeout_ms);

/* Called with every sample's C message on its way through the tool (see
 * pelmora_dds_main) and `copy`, a new initialised C message, which it fills
 * with the same sample. Returns 0 when it failed. */
typedef int (*pelmora_dds_relay)(const void * message, void * copy, void * context);

/* Makes `message`, an initialised C Features message, sample `index` of
 * `seed` with `keypoints` keypoints, as pelmora-dds pub sends it. Returns
 * PELMORA_DDS_OK, or PELMORA_DDS_ERROR when memory ran out. */
PELMORA_DDS_PUBLIC
int pelmora_dds_sample(void * message, uint32_t seed, uint32_t index, uint32_t keypoints);

/* Runs pelmora-dds with `argc` arguments, argv[0] the program's name for
 * its messages: pub, echo or security, their options, checks, output and
 * exit code (the return value). The samples are generated, checked, counted
 * and printed here. With a relay, pub and echo work on the C message, pass
 * every sample through `relay` (pub writes the copy, echo checks or prints
 * it) and name their side `side` in the summary; they take no --side option. */
PELMORA_DDS_PUBLIC
int pelmora_dds_main(
  int argc, const char * const * argv, const char * side, pelmora_dds_relay relay, void * context);

/* Text of the last failure in this thread; never null. */
PELMORA_DDS_PUBLIC
const char * pelmora_dds_last_error(void);

#ifdef __cplusplus
}
#endif

#endif  /* PELMORA_DDS__PELMORA_DDS_H_ */

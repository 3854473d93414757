#include "cyclonedds/security.hpp"

#include <string>

namespace pelmora_dds
{
namespace cyclonedds
{

dds_qos_t * participant_qos(const SecuritySettings & security)
{
  if (!security.enabled) {
    return nullptr;
  }
  dds_qos_t * qos = dds_create_qos();
  auto set = [qos](const char * name, const std::string & value) {
      dds_qset_prop(qos, name, value.c_str());
    };
  // The paths are absolute: "file:" followed by the path is a file URI.
  auto uri = [](const std::string & path) {return "file:" + path;};
  const SecurityFiles & f = security.files;
  set("dds.sec.auth.library.path", "dds_security_auth");
  set("dds.sec.auth.library.init", "init_authentication");
  set("dds.sec.auth.library.finalize", "finalize_authentication");
  set("dds.sec.access.library.path", "dds_security_ac");
  set("dds.sec.access.library.init", "init_access_control");
  set("dds.sec.access.library.finalize", "finalize_access_control");
  set("dds.sec.crypto.library.path", "dds_security_crypto");
  set("dds.sec.crypto.library.init", "init_crypto");
  set("dds.sec.crypto.library.finalize", "finalize_crypto");
  set("dds.sec.auth.identity_ca", uri(f.identity_ca));
  set("dds.sec.auth.identity_certificate", uri(f.certificate));
  set("dds.sec.auth.private_key", uri(f.private_key));
  set("dds.sec.access.permissions_ca", uri(f.permissions_ca));
  set("dds.sec.access.governance", uri(f.governance));
  set("dds.sec.access.permissions", uri(f.permissions));
  return qos;
}

}  // namespace cyclonedds
}  // namespace pelmora_dds

// A keystore laid out as ROS 2 lays it out:
//
//   public/ca.cert.pem          identity_ca.cert.pem, permissions_ca.cert.pem -> ca.cert.pem
//   private/ca.key.pem          identity_ca.key.pem, permissions_ca.key.pem -> ca.key.pem
//   enclaves/governance.xml     governance.p7s (signed by the permissions CA)
//   enclaves/<name>/            cert.pem key.pem permissions.xml permissions.p7s, and
//                               identity_ca.cert.pem permissions_ca.cert.pem governance.p7s
//                               as relative links, so the keystore can be moved or copied.
#ifndef PELMORA_DDS__SECURITY__KEYSTORE_HPP_
#define PELMORA_DDS__SECURITY__KEYSTORE_HPP_

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelmora_dds::security
{

/// The files a participant of an enclave needs, in the order DDS security
/// uses them: identity CA, certificate, private key, permissions CA,
/// governance, permissions.
inline constexpr std::array<const char *, 6> kEnclaveFiles{
  "identity_ca.cert.pem", "cert.pem", "key.pem",
  "permissions_ca.cert.pem", "governance.p7s", "permissions.p7s"};

/// <keystore>/enclaves for "/", <keystore>/enclaves/a/b for "/a/b".
std::filesystem::path enclave_directory(
  const std::filesystem::path & keystore, const std::string & enclave);

/// Creates the certificate authority and the signed governance of `domain`
/// in `keystore` (made if missing). Refuses, without touching anything, a
/// directory that already holds a keystore. Throws KeystoreError.
void create_keystore(const std::filesystem::path & keystore, uint32_t domain);

struct EnclaveRequest
{
  std::string name;
  uint32_t domain = 0;
  /// ROS topic names; when both lists are empty every topic is allowed both
  /// ways (and services too), as ROS 2 does for an enclave without policy.
  std::vector<std::string> publish;
  std::vector<std::string> subscribe;
};

/// Creates (or renews: new key, certificate and permissions) the enclave
/// `request.name` of `keystore`. Throws KeystoreError, naming what is wrong
/// with the request or which keystore file is missing.
void create_enclave(const std::filesystem::path & keystore, const EnclaveRequest & request);

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__KEYSTORE_HPP_

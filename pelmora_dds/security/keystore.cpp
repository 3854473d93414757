#include "security/keystore.hpp"

#include <ctime>

#include "security/credentials.hpp"
#include "security/documents.hpp"
#include "security/files.hpp"
#include "security/names.hpp"

namespace pelmora_dds::security
{

namespace fs = std::filesystem;

namespace
{

constexpr mode_t kPublicFile = 0644;
constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kPublicFolder = 0755;
constexpr mode_t kPrivateFolder = 0700;
constexpr int kValidDays = 3650;
constexpr const char * kAuthorityName = "pelmoraCA";

// Paths inside a keystore, spelled from its root.
const fs::path kAuthorityCertificate = "public/ca.cert.pem";
const fs::path kAuthorityKey = "private/ca.key.pem";
const fs::path kIdentityCertificate = "public/identity_ca.cert.pem";
const fs::path kIdentityKey = "private/identity_ca.key.pem";
const fs::path kPermissionsCertificate = "public/permissions_ca.cert.pem";
const fs::path kPermissionsKey = "private/permissions_ca.key.pem";
const fs::path kGovernanceXml = "enclaves/governance.xml";
const fs::path kGovernance = "enclaves/governance.p7s";

// The keystore files an enclave is made from.
const fs::path kEnclaveSources[] = {
  kIdentityCertificate, kIdentityKey, kPermissionsCertificate, kPermissionsKey, kGovernance};

std::vector<std::string> permission_topics(const std::vector<std::string> & names)
{
  std::vector<std::string> topics;
  for (const std::string & name : names) {
    std::string problem;
    topics.push_back(permission_topic(name, &problem));
    if (topics.back().empty()) {
      throw KeystoreError(problem);
    }
  }
  return topics;
}

Grant grant_for(const EnclaveRequest & request, Validity validity)
{
  Grant grant;
  grant.enclave = request.name;
  grant.validity = validity;
  grant.domain = request.domain;
  if (request.publish.empty() && request.subscribe.empty()) {
    grant.publish = {"rt/*", "rq/*Request", "rr/*Reply"};
    grant.subscribe = grant.publish;
  } else {
    grant.publish = permission_topics(request.publish);
    grant.subscribe = permission_topics(request.subscribe);
  }
  return grant;
}

void require_keystore(const fs::path & keystore)
{
  std::string missing;
  for (const fs::path & file : kEnclaveSources) {
    if (!fs::is_regular_file(keystore / file)) {
      missing += (missing.empty() ? "" : ", ") + file.string();
    }
  }
  if (!missing.empty()) {
    throw KeystoreError(keystore.string() + " is not a keystore: it lacks " + missing);
  }
}

}  // namespace

fs::path enclave_directory(const fs::path & keystore, const std::string & enclave)
{
  return enclave == "/" ? keystore / "enclaves" : keystore / "enclaves" / enclave.substr(1);
}

void create_keystore(const fs::path & keystore, uint32_t domain)
{
  if (fs::exists(keystore / kAuthorityCertificate) || fs::exists(keystore / kAuthorityKey) ||
    fs::exists(keystore / kGovernance))
  {
    throw KeystoreError(keystore.string() + " already holds a keystore; it is left as it is");
  }
  const Validity validity = validity_from(std::time(nullptr), kValidDays);
  const Key key = generate_key();
  const Certificate authority = make_authority(kAuthorityName, key, validity);
  const std::string governance = governance_document(domain);

  make_directory(keystore, kPublicFolder);
  make_directory(keystore / "public", kPublicFolder);
  make_directory(keystore / "private", kPrivateFolder);
  make_directory(keystore / "enclaves", kPublicFolder);
  write_file(keystore / kAuthorityKey, to_pem(key), kPrivateFile);
  write_file(keystore / kAuthorityCertificate, to_pem(authority), kPublicFile);
  // One authority plays both roles, each under its own name, so that either
  // can be replaced by a separate authority later.
  link_relative(keystore / kIdentityCertificate, keystore / kAuthorityCertificate);
  link_relative(keystore / kPermissionsCertificate, keystore / kAuthorityCertificate);
  link_relative(keystore / kIdentityKey, keystore / kAuthorityKey);
  link_relative(keystore / kPermissionsKey, keystore / kAuthorityKey);
  write_file(keystore / kGovernanceXml, governance, kPublicFile);
  write_file(keystore / kGovernance, sign_document(governance, authority, key), kPublicFile);
}

void create_enclave(const fs::path & keystore, const EnclaveRequest & request)
{
  const std::string problem = enclave_name_problem(request.name);
  if (!problem.empty()) {
    throw KeystoreError("\"" + request.name + "\" is not an enclave name: " + problem);
  }
  require_keystore(keystore);
  const Validity validity = validity_from(std::time(nullptr), kValidDays);
  const Grant grant = grant_for(request, validity);
  const Certificate identity_ca = read_certificate((keystore / kIdentityCertificate).string());
  const Key identity_key = read_key((keystore / kIdentityKey).string());
  const Certificate permissions_ca = read_certificate((keystore / kPermissionsCertificate).string());
  const Key permissions_key = read_key((keystore / kPermissionsKey).string());

  const Key key = generate_key();
  const Certificate certificate = issue_certificate(request.name, key, identity_ca, identity_key, validity);
  const std::string permissions = permissions_document(grant);
  const std::string signed_permissions = sign_document(permissions, permissions_ca, permissions_key);

  const fs::path folder = enclave_directory(keystore, request.name);
  make_directory(folder, kPublicFolder);
  write_file(folder / "key.pem", to_pem(key), kPrivateFile);
  write_file(folder / "cert.pem", to_pem(certificate), kPublicFile);
  write_file(folder / "permissions.xml", permissions, kPublicFile);
  write_file(folder / "permissions.p7s", signed_permissions, kPublicFile);
  link_relative(folder / "identity_ca.cert.pem", keystore / kIdentityCertificate);
  link_relative(folder / "permissions_ca.cert.pem", keystore / kPermissionsCertificate);
  // The root enclave's folder is the one that holds the governance itself.
  if (folder / "governance.p7s" != keystore / kGovernance) {
    link_relative(folder / "governance.p7s", keystore / kGovernance);
  }
}

}  // namespace pelmora_dds::security

// The cryptographic pieces of a keystore, made with OpenSSL: EC P-256 keys,
// X.509 certificates signed with SHA-256, and S/MIME signatures of the XML
// documents. Everything returns PEM or S/MIME text; writing files is the
// keystore's business. Failures throw KeystoreError with OpenSSL's reason.
#ifndef PELMORA_DDS__SECURITY__CREDENTIALS_HPP_
#define PELMORA_DDS__SECURITY__CREDENTIALS_HPP_

#include <ctime>
#include <stdexcept>
#include <string>

#include "security/openssl_handles.hpp"

namespace pelmora_dds::security
{

class KeystoreError : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

/// The period a certificate is valid, in seconds since the epoch.
struct Validity
{
  std::time_t not_before;
  std::time_t not_after;
};

/// From a day before `now` (clocks of peers differ) to `days` after it.
Validity validity_from(std::time_t now, int days);

/// A fresh private key on curve prime256v1, the curve PKI-DH peers expect.
Key generate_key();

/// A self-signed certificate authority "CN=`common_name`", allowed to sign
/// certificates one level down and documents.
Certificate make_authority(const std::string & common_name, const Key & key, Validity validity);

/// A certificate "CN=`common_name`" for `subject_key`, issued by `authority`.
Certificate issue_certificate(
  const std::string & common_name, const Key & subject_key,
  const Certificate & authority, const Key & authority_key, Validity validity);

/// `document` as a clear-signed S/MIME message (detached PKCS#7 signature,
/// text/plain content), as DDS access control reads governance and
/// permissions files.
std::string sign_document(const std::string & document, const Certificate & signer, const Key & key);

/// PEM encodings: the key as unencrypted PKCS#8.
std::string to_pem(const Key & key);
std::string to_pem(const Certificate & certificate);

/// Reads PEM files written by to_pem (or by the openssl command).
Key read_key(const std::string & path);
Certificate read_certificate(const std::string & path);

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__CREDENTIALS_HPP_

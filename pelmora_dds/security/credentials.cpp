#include "security/credentials.hpp"

#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

namespace pelmora_dds::security
{

namespace
{

constexpr std::time_t kDay = 24 * 60 * 60;

// Throws with `what` and the newest reason OpenSSL queued, then clears the
// queue so a later failure does not report a stale reason.
[[noreturn]] void fail(const std::string & what)
{
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) {
    throw KeystoreError(what);
  }
  char reason[256];
  ERR_error_string_n(code, reason, sizeof reason);
  throw KeystoreError(what + ": " + reason);
}

void check(int ok, const char * what)
{
  if (ok != 1) {
    fail(what);
  }
}

std::string drain(BIO * bio)
{
  char * data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<size_t>(size));
}

Bio memory_bio()
{
  Bio bio(BIO_new(BIO_s_mem()));
  if (!bio) {
    fail("cannot allocate a memory buffer");
  }
  return bio;
}

// A positive random serial of 159 bits: unique without a serial file, and
// within the 20 octets X.509 allows.
void set_random_serial(X509 * certificate)
{
  BigNumber serial(BN_new());
  if (!serial || BN_rand(serial.get(), 159, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1 ||
    BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate)) == nullptr)
  {
    fail("cannot draw a certificate serial number");
  }
}

void add_extension(X509 * certificate, X509V3_CTX * context, int nid, const char * value)
{
  X509_EXTENSION * extension = X509V3_EXT_conf_nid(nullptr, context, nid, value);
  if (extension == nullptr) {
    fail(std::string("cannot build extension ") + OBJ_nid2sn(nid));
  }
  const int added = X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
  check(added, "cannot add a certificate extension");
}

// A version 3 certificate of `subject_key` named "CN=`common_name`", with the
// validity set and nothing signed yet.
Certificate new_certificate(const std::string & common_name, const Key & subject_key, Validity validity)
{
  Certificate certificate(X509_new());
  if (!certificate) {
    fail("cannot allocate a certificate");
  }
  X509 * x = certificate.get();
  check(X509_set_version(x, X509_VERSION_3), "cannot set the certificate version");
  set_random_serial(x);
  if (ASN1_TIME_set(X509_getm_notBefore(x), validity.not_before) == nullptr ||
    ASN1_TIME_set(X509_getm_notAfter(x), validity.not_after) == nullptr)
  {
    fail("cannot set the certificate validity");
  }
  X509_NAME * name = X509_get_subject_name(x);
  check(
    X509_NAME_add_entry_by_txt(
      name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(common_name.c_str()), -1, -1, 0),
    "cannot set the certificate subject");
  check(X509_set_pubkey(x, subject_key.get()), "cannot set the certificate key");
  return certificate;
}

}  // namespace

Validity validity_from(std::time_t now, int days)
{
  return Validity{now - kDay, now + days * kDay};
}

Key generate_key()
{
  Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  if (!key) {
    fail("cannot generate an EC P-256 key");
  }
  return key;
}

Certificate make_authority(const std::string & common_name, const Key & key, Validity validity)
{
  Certificate certificate = new_certificate(common_name, key, validity);
  X509 * x = certificate.get();
  check(X509_set_issuer_name(x, X509_get_subject_name(x)), "cannot set the certificate issuer");
  X509V3_CTX context;
  X509V3_set_ctx(&context, x, x, nullptr, nullptr, 0);
  add_extension(x, &context, NID_basic_constraints, "critical,CA:TRUE,pathlen:1");
  // digitalSignature: the same authority signs the governance and
  // permissions documents, and S/MIME verifiers check that this use is allowed.
  add_extension(x, &context, NID_key_usage, "critical,digitalSignature,keyCertSign,cRLSign");
  add_extension(x, &context, NID_subject_key_identifier, "hash");
  if (X509_sign(x, key.get(), EVP_sha256()) == 0) {
    fail("cannot sign the authority certificate");
  }
  return certificate;
}

Certificate issue_certificate(
  const std::string & common_name, const Key & subject_key,
  const Certificate & authority, const Key & authority_key, Validity validity)
{
  Certificate certificate = new_certificate(common_name, subject_key, validity);
  X509 * x = certificate.get();
  check(
    X509_set_issuer_name(x, X509_get_subject_name(authority.get())),
    "cannot set the certificate issuer");
  X509V3_CTX context;
  X509V3_set_ctx(&context, authority.get(), x, nullptr, nullptr, 0);
  add_extension(x, &context, NID_basic_constraints, "critical,CA:FALSE");
  add_extension(x, &context, NID_key_usage, "critical,digitalSignature,keyAgreement");
  add_extension(x, &context, NID_authority_key_identifier, "keyid:always");
  if (X509_sign(x, authority_key.get(), EVP_sha256()) == 0) {
    fail("cannot sign the certificate of " + common_name);
  }
  return certificate;
}

std::string sign_document(const std::string & document, const Certificate & signer, const Key & key)
{
  // The streaming mode signs while SMIME_write_PKCS7 copies the content out,
  // so the document is read once; TEXT prefixes it with a text/plain header.
  const int flags = PKCS7_DETACHED | PKCS7_TEXT | PKCS7_STREAM;
  Bio content(BIO_new_mem_buf(document.data(), static_cast<int>(document.size())));
  if (!content) {
    fail("cannot allocate a memory buffer");
  }
  Pkcs7 signature(PKCS7_sign(signer.get(), key.get(), nullptr, content.get(), flags));
  if (!signature) {
    fail("cannot sign the document");
  }
  Bio out = memory_bio();
  check(SMIME_write_PKCS7(out.get(), signature.get(), content.get(), flags), "cannot write the S/MIME message");
  return drain(out.get());
}

std::string to_pem(const Key & key)
{
  Bio out = memory_bio();
  check(
    PEM_write_bio_PrivateKey(out.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr),
    "cannot encode the private key");
  return drain(out.get());
}

std::string to_pem(const Certificate & certificate)
{
  Bio out = memory_bio();
  check(PEM_write_bio_X509(out.get(), certificate.get()), "cannot encode the certificate");
  return drain(out.get());
}

Key read_key(const std::string & path)
{
  // Without a callback OpenSSL would prompt on the terminal for the password
  // of an encrypted key; keystore keys have none, so an encrypted one fails.
  auto no_password = [](char *, int, int, void *) {return 0;};
  Bio in(BIO_new_file(path.c_str(), "r"));
  Key key(in ? PEM_read_bio_PrivateKey(in.get(), nullptr, no_password, nullptr) : nullptr);
  if (!key) {
    fail("cannot read the private key " + path);
  }
  return key;
}

Certificate read_certificate(const std::string & path)
{
  Bio in(BIO_new_file(path.c_str(), "r"));
  Certificate certificate(in ? PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!certificate) {
    fail("cannot read the certificate " + path);
  }
  return certificate;
}

}  // namespace pelmora_dds::security

// Owning handles for the OpenSSL objects the keystore code creates, so that
// every early return frees what was made so far.
#ifndef PELMORA_DDS__SECURITY__OPENSSL_HANDLES_HPP_
#define PELMORA_DDS__SECURITY__OPENSSL_HANDLES_HPP_

#include <memory>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

namespace pelmora_dds::security
{

template<typename T, void (*Free)(T *)>
struct OpenSslFree
{
  void operator()(T * p) const {Free(p);}
};

// BIO_free returns int; this adapter gives it the shape the deleter wants.
inline void free_bio(BIO * bio) {BIO_free(bio);}

using Key = std::unique_ptr<EVP_PKEY, OpenSslFree<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, OpenSslFree<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, OpenSslFree<BIO, free_bio>>;
using Pkcs7 = std::unique_ptr<PKCS7, OpenSslFree<PKCS7, PKCS7_free>>;
using BigNumber = std::unique_ptr<BIGNUM, OpenSslFree<BIGNUM, BN_free>>;

}  // namespace pelmora_dds::security

#endif  // PELMORA_DDS__SECURITY__OPENSSL_HANDLES_HPP_

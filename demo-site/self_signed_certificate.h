// A throw-away TLS identity for loopback servers: a fresh key and a self-signed certificate
// for 127.0.0.1 and localhost, made in memory at start (no key is ever stored on disk).
// Used by the demo site and the loopback test servers.
//
// Immutable after construction; the accessors may be called from any thread. The OpenSSL objects
// belong to this holder and live as long as it does.
#pragma once

#include <memory>
#include <string>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace nc {

class SelfSignedCertificate {
 public:
  // Generates the key and certificate; valid() tells whether OpenSSL managed it.
  SelfSignedCertificate();
  ~SelfSignedCertificate();
  SelfSignedCertificate(const SelfSignedCertificate&) = delete;
  SelfSignedCertificate& operator=(const SelfSignedCertificate&) = delete;

  bool valid() const { return certificate_ != nullptr && key_ != nullptr; }
  X509* certificate() const { return certificate_; }
  EVP_PKEY* key() const { return key_; }

  // The certificate and the private key (PKCS #8, unencrypted) in PEM form; empty when not valid.
  std::string certificatePem() const;
  std::string keyPem() const;

 private:
  X509* certificate_ = nullptr;
  EVP_PKEY* key_ = nullptr;
};

}  // namespace nc

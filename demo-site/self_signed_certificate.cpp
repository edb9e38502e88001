#include "demo-site/self_signed_certificate.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace nc {
namespace {

constexpr long kValiditySeconds = 7L * 24 * 3600;

void addExtension(X509* certificate, int id, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  if (X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, id, value)) {
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
  }
}

// Everything written to a memory BIO by `write`, or empty when it fails.
template <typename Write>
std::string toPem(Write write) {
  BIO* bio = BIO_new(BIO_s_mem());
  if (bio == nullptr) return {};
  std::string pem;
  if (write(bio) == 1) {
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    if (length > 0) pem.assign(data, static_cast<std::size_t>(length));
  }
  BIO_free(bio);
  return pem;
}

}  // namespace

SelfSignedCertificate::SelfSignedCertificate() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  if (key == nullptr || certificate == nullptr) {
    EVP_PKEY_free(key);
    X509_free(certificate);
    return;
  }
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate), kValiditySeconds);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                             -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  addExtension(certificate, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  if (X509_sign(certificate, key, EVP_sha256()) == 0) {
    EVP_PKEY_free(key);
    X509_free(certificate);
    return;
  }
  certificate_ = certificate;
  key_ = key;
}

SelfSignedCertificate::~SelfSignedCertificate() {
  X509_free(certificate_);
  EVP_PKEY_free(key_);
}

std::string SelfSignedCertificate::certificatePem() const {
  if (!valid()) return {};
  return toPem([this](BIO* bio) { return PEM_write_bio_X509(bio, certificate_); });
}

std::string SelfSignedCertificate::keyPem() const {
  if (!valid()) return {};
  return toPem([this](BIO* bio) {
    return PEM_write_bio_PrivateKey(bio, key_, nullptr, nullptr, 0, nullptr, nullptr);
  });
}

}  // namespace nc

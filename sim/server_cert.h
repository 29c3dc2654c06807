// Certificates of the simulated server: a CA made at start and a server
// certificate for IP 127.0.0.1 signed by it (EC P-256, valid for a day).
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace orv::sim {

struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

struct ServerCertificates {
  X509Ptr caCert;
  PkeyPtr caKey;
  X509Ptr cert;
  PkeyPtr key;
};

// False, with `error`, when OpenSSL fails.
bool MakeServerCertificates(ServerCertificates& out, std::string& error);
std::string CertificatePem(X509* cert);

}  // namespace orv::sim

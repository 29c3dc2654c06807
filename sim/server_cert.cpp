#include "sim/server_cert.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

namespace orv::sim {

namespace {

PkeyPtr NewKey() { return PkeyPtr(EVP_EC_gen("P-256")); }

bool AddExt(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) return false;
  bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

X509Ptr NewCert(const char* cn, EVP_PKEY* key) {
  X509Ptr cert(X509_new());
  if (!cert) return nullptr;
  X509_set_version(cert.get(), 2);
  unsigned char serial[16];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7f;
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
  BN_free(bn);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24L * 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("orvantis-sim"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn), -1, -1, 0);
  return cert;
}

}  // namespace

bool MakeServerCertificates(ServerCertificates& out, std::string& error) {
  out.caKey = NewKey();
  out.key = NewKey();
  if (!out.caKey || !out.key) {
    error = "cannot make keys";
    return false;
  }
  out.caCert = NewCert("orvantis-sim CA", out.caKey.get());
  out.cert = NewCert("127.0.0.1", out.key.get());
  if (!out.caCert || !out.cert) {
    error = "cannot make certificates";
    return false;
  }
  X509* ca = out.caCert.get();
  X509* srv = out.cert.get();
  X509_set_issuer_name(ca, X509_get_subject_name(ca));
  X509_set_issuer_name(srv, X509_get_subject_name(ca));
  bool ok = AddExt(ca, ca, NID_basic_constraints, "critical,CA:TRUE") &&
            AddExt(ca, ca, NID_key_usage, "critical,keyCertSign,cRLSign") &&
            AddExt(ca, ca, NID_subject_key_identifier, "hash") &&
            X509_sign(ca, out.caKey.get(), EVP_sha256()) > 0 &&
            AddExt(srv, ca, NID_basic_constraints, "critical,CA:FALSE") &&
            AddExt(srv, ca, NID_key_usage, "critical,digitalSignature") &&
            AddExt(srv, ca, NID_ext_key_usage, "serverAuth") &&
            AddExt(srv, ca, NID_subject_alt_name, "IP:127.0.0.1") &&
            AddExt(srv, ca, NID_authority_key_identifier, "keyid:always") &&
            X509_sign(srv, out.caKey.get(), EVP_sha256()) > 0;
  if (!ok) error = "cannot sign certificates";
  return ok;
}

std::string CertificatePem(X509* cert) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  char* data = nullptr;
  long len = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<size_t>(len));
  BIO_free(bio);
  return pem;
}

}  // namespace orv::sim

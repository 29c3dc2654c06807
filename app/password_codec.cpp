#include "app/password_codec.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "app/base64.h"
#include "app/code_page.h"
#include "device/text_codec.h"

namespace orv {

namespace {

constexpr size_t kBlock = 16;
// The application's fixed key. Stored passwords are readable only by builds
// that share it.
constexpr unsigned char kKey[kBlock] = {0x4f, 0x72, 0x76, 0x3a, 0x9c, 0x15, 0xe2, 0x6b,
                                        0x38, 0xd7, 0x51, 0xa0, 0x0e, 0xc4, 0x7d, 0x29};

// AES-128 over whole blocks, each on its own (ECB, no padding).
std::vector<uint8_t> Aes(const std::vector<uint8_t>& in, bool encrypt) {
  if (in.empty()) return {};
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, kKey, nullptr, encrypt ? 1 : 0) != 1)
    throw std::runtime_error("AES-128 is not available");
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  std::vector<uint8_t> out(in.size() + kBlock);
  int n = 0, tail = 0;
  if (EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), static_cast<int>(in.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail) != 1)
    throw std::runtime_error("AES-128 failed");
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

}  // namespace

std::string EncryptProxyPassword(const std::string& password, bool* lossy) {
  std::u16string text = Utf8ToUtf16(password);
  if (text.size() % kBlock) text.append(kBlock - text.size() % kBlock, u'\0');
  const std::vector<uint8_t> plain = Utf16ToCp1251(text, lossy);
  // The encrypted bytes pass through the code page as text and back; every
  // byte maps to a character and back to itself, so they are taken as they are.
  return Base64Encode(Aes(plain, true));
}

std::string DecryptProxyPassword(const std::string& stored) {
  std::vector<uint8_t> data = Base64Decode(stored);
  if (data.empty()) return {};
  if (data.size() % kBlock) data.resize(data.size() + kBlock - data.size() % kBlock, 0);
  std::vector<uint8_t> plain = Aes(data, false);
  std::u16string text = Cp1251ToUtf16(plain);
  if (const size_t nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
  return Utf16ToUtf8(text);
}

}  // namespace orv

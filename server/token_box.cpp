#include "server/token_box.hpp"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

#include "server/crypto.hpp"

namespace talewick::server::tokens {

namespace {

constexpr std::size_t NONCE_BYTES = 12;
constexpr std::size_t TAG_BYTES = 16;

struct ContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_CIPHER_CTX, ContextFree>;

std::optional<std::string> fromHex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string bytes(text.size() / 2, '\0');
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = digit(text[2 * i]);
    const int low = digit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::string keyBytes(std::string_view keyHex) {
  std::optional<std::string> key = fromHex(keyHex);
  if (!key || key->size() != 32) throw std::runtime_error("the token key is not 64 hex digits");
  return *key;
}

const unsigned char* bytesOf(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}
unsigned char* bytesOf(std::string& text) { return reinterpret_cast<unsigned char*>(text.data()); }

}  // namespace

std::string seal(std::string_view keyHex, std::string_view plaintext) {
  const std::string key = keyBytes(keyHex);
  const std::string nonce = crypto::randomBytes(NONCE_BYTES);
  std::string sealed(plaintext.size(), '\0');
  std::string tag(TAG_BYTES, '\0');
  Context context(EVP_CIPHER_CTX_new());
  int length = 0;
  int tail = 0;
  if (!context ||
      EVP_EncryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, bytesOf(key), bytesOf(nonce)) !=
          1 ||
      EVP_EncryptUpdate(context.get(), bytesOf(sealed), &length, bytesOf(plaintext),
                        static_cast<int>(plaintext.size())) != 1 ||
      EVP_EncryptFinal_ex(context.get(), bytesOf(sealed) + length, &tail) != 1 ||
      EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(TAG_BYTES),
                          tag.data()) != 1) {
    throw std::runtime_error("sealing a token failed");
  }
  return crypto::hex(nonce + sealed + tag);
}

std::optional<std::string> open(std::string_view keyHex, std::string_view sealed) {
  const std::string key = keyBytes(keyHex);
  const std::optional<std::string> bytes = fromHex(sealed);
  if (!bytes || bytes->size() < NONCE_BYTES + TAG_BYTES) return std::nullopt;
  const std::string_view all = *bytes;
  const std::string_view nonce = all.substr(0, NONCE_BYTES);
  const std::string_view body = all.substr(NONCE_BYTES, all.size() - NONCE_BYTES - TAG_BYTES);
  std::string tag(all.substr(all.size() - TAG_BYTES));
  std::string plaintext(body.size(), '\0');
  Context context(EVP_CIPHER_CTX_new());
  int length = 0;
  int tail = 0;
  if (!context ||
      EVP_DecryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, bytesOf(key), bytesOf(nonce)) !=
          1 ||
      EVP_DecryptUpdate(context.get(), bytesOf(plaintext), &length, bytesOf(body),
                        static_cast<int>(body.size())) != 1 ||
      EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(TAG_BYTES),
                          tag.data()) != 1 ||
      EVP_DecryptFinal_ex(context.get(), bytesOf(plaintext) + length, &tail) != 1) {
    return std::nullopt;
  }
  return plaintext;
}

}  // namespace talewick::server::tokens

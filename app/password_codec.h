// Protection of the stored proxy password: the password's 8-bit bytes,
// padded with zeros to whole 16-byte blocks, encrypted block by block with
// AES-128 under the application's fixed key, stored as Base64.
#pragma once

#include <string>

namespace orv {

// Stored form of a password (UTF-8). An empty password gives an empty text.
// Characters outside the 8-bit code page are stored as '?'; `lossy` tells.
std::string EncryptProxyPassword(const std::string& password, bool* lossy = nullptr);
// The password (UTF-8) of a stored text. Text that was not written by
// EncryptProxyPassword is decoded and decrypted all the same and gives
// whatever it gives; it never fails. The first U+0000 ends the password.
std::string DecryptProxyPassword(const std::string& stored);

}  // namespace orv

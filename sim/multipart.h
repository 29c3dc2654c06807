// The simulated server's reader of multipart/form-data bodies (the settings
// synchronisation). The body comes from a client and is not trusted: sizes
// and counts are bounded, every malformed body is an error with a reason,
// never a crash.
#pragma once

#include <string>
#include <vector>

namespace orv::sim {

struct FormPart {
  std::string name;
  std::string fileName;     // empty when the part has none
  std::string contentType;  // empty when the part has none
  std::string data;
};

inline constexpr size_t kMaxFormParts = 32;
inline constexpr size_t kMaxPartHeaders = 4096;

// The boundary parameter of a Content-Type ("boundary=X;charset=..." gives
// X; quotes removed); empty when there is none or it is not 1..70 characters.
std::string MultipartBoundary(const std::string& contentType);
// Splits `body` into its parts; false with `error` when it is not a complete
// multipart body of that boundary.
bool ParseMultipart(const std::string& contentType, const std::string& body, std::vector<FormPart>& parts,
                    std::string& error);

}  // namespace orv::sim

#include "sim/multipart.h"

#include <cctype>

namespace orv::sim {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The value of `param` in a header value like `form-data; name="a"; filename="b"`.
bool Param(const std::string& value, const std::string& param, std::string& out) {
  size_t pos = 0;
  while ((pos = value.find(';', pos)) != std::string::npos) {
    ++pos;
    const size_t eq = value.find('=', pos);
    if (eq == std::string::npos) return false;
    if (Lower(Trim(value.substr(pos, eq - pos))) != param) continue;
    std::string v = value.substr(eq + 1);
    if (!v.empty() && v.front() == '"') {
      const size_t close = v.find('"', 1);
      if (close == std::string::npos) return false;
      out = v.substr(1, close - 1);
    } else {
      out = Trim(v.substr(0, v.find(';')));
    }
    return true;
  }
  return false;
}

}  // namespace

std::string MultipartBoundary(const std::string& contentType) {
  const std::string lower = Lower(contentType);
  const size_t p = lower.find("boundary=");
  if (p == std::string::npos) return {};
  std::string b = contentType.substr(p + 9);
  if (!b.empty() && b.front() == '"') {
    const size_t close = b.find('"', 1);
    b = close == std::string::npos ? std::string() : b.substr(1, close - 1);
  } else {
    b = Trim(b.substr(0, b.find(';')));
  }
  return b.size() >= 1 && b.size() <= 70 ? b : std::string();
}

bool ParseMultipart(const std::string& contentType, const std::string& body, std::vector<FormPart>& parts,
                    std::string& error) {
  parts.clear();
  if (Lower(contentType).rfind("multipart/form-data", 0) != 0) {
    error = "not multipart/form-data";
    return false;
  }
  const std::string boundary = MultipartBoundary(contentType);
  if (boundary.empty()) {
    error = "no boundary";
    return false;
  }
  const std::string delimiter = "--" + boundary;
  if (body.compare(0, delimiter.size(), delimiter) != 0) {
    error = "the body does not start with the boundary";
    return false;
  }
  size_t pos = delimiter.size();
  for (;;) {
    if (body.compare(pos, 2, "--") == 0) {
      pos += 2;
      if (pos != body.size() && body.compare(pos, std::string::npos, "\r\n") != 0) {
        error = "data after the closing boundary";
        return false;
      }
      return true;
    }
    if (body.compare(pos, 2, "\r\n") != 0) {
      error = "no line end after a boundary";
      return false;
    }
    pos += 2;
    if (parts.size() >= kMaxFormParts) {
      error = "too many parts";
      return false;
    }
    const size_t headersEnd = body.find("\r\n\r\n", pos);
    if (headersEnd == std::string::npos || headersEnd - pos > kMaxPartHeaders) {
      error = "part headers not closed";
      return false;
    }
    FormPart part;
    bool disposition = false;
    size_t line = pos;
    while (line < headersEnd) {
      size_t eol = body.find("\r\n", line);
      if (eol == std::string::npos || eol > headersEnd) eol = headersEnd;
      const std::string header = body.substr(line, eol - line);
      line = eol + 2;
      const size_t colon = header.find(':');
      if (colon == std::string::npos) {
        error = "bad part header";
        return false;
      }
      const std::string name = Lower(Trim(header.substr(0, colon)));
      const std::string value = Trim(header.substr(colon + 1));
      if (name == "content-disposition") {
        if (Lower(value).rfind("form-data", 0) != 0 || !Param(value, "name", part.name)) {
          error = "bad Content-Disposition";
          return false;
        }
        Param(value, "filename", part.fileName);
        disposition = true;
      } else if (name == "content-type") {
        part.contentType = value;
      }
    }
    if (!disposition) {
      error = "a part without Content-Disposition";
      return false;
    }
    const size_t dataStart = headersEnd + 4;
    const size_t dataEnd = body.find("\r\n" + delimiter, dataStart);
    if (dataEnd == std::string::npos) {
      error = "a part without its closing boundary";
      return false;
    }
    part.data = body.substr(dataStart, dataEnd - dataStart);
    parts.push_back(std::move(part));
    pos = dataEnd + 2 + delimiter.size();
  }
}

}  // namespace orv::sim

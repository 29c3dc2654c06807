#include "update/voice_container.h"

#include <cstdio>

#include "device/checksums.h"

namespace orv::voice {

std::string FileName(uint32_t index) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%3.3u.wav", static_cast<unsigned>(index + 1));
  return buf;
}

uint32_t SlotAddress(uint32_t index) { return kSlotBase + index * kSlotSize; }

ContainerReader::ContainerReader(std::istream& in) : in_(in) {
  if (!ReadU32(count_)) count_ = 0;
  if (!CountValid()) ended_ = true;
}

bool ContainerReader::ReadU32(uint32_t& v) {
  uint8_t b[4];
  if (!in_.read(reinterpret_cast<char*>(b), 4)) return false;
  v = uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
  return true;
}

bool ContainerReader::Skip(uint64_t n) {
  char buf[4096];
  while (n > 0) {
    const auto part = static_cast<std::streamsize>(n < sizeof buf ? n : sizeof buf);
    if (!in_.read(buf, part)) return false;
    n -= static_cast<uint64_t>(part);
  }
  return true;
}

ContainerReader::Record ContainerReader::Next(std::vector<uint8_t>& data, size_t offset) {
  if (ended_ || index_ >= count_) return Record::kEnd;
  ++index_;
  size_ = 0;
  crc_ = 0;
  auto truncated = [this] {
    ended_ = true;
    return Record::kTruncated;
  };
  if (!ReadU32(size_)) return truncated();
  if (size_ < kMinSize || size_ > kMaxSize) {
    // Step over the record as announced, so the next one is read from its start.
    if (!Skip(uint64_t{size_} + 4)) return truncated();
    return size_ < kMinSize ? Record::kEmpty : Record::kBadSize;
  }
  if (data.size() < offset + kMaxSize) data.resize(offset + kMaxSize);
  if (!in_.read(reinterpret_cast<char*>(data.data() + offset), size_)) return truncated();
  if (!ReadU32(crc_)) return truncated();
  if (TCRC32::Calculate(data.data() + offset, size_) != crc_) return Record::kBadCrc;
  return Record::kOk;
}

std::string BuildContainer(const std::vector<std::vector<uint8_t>>& files) {
  std::string out;
  auto put = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  put(static_cast<uint32_t>(files.size()));
  for (const auto& f : files) {
    put(static_cast<uint32_t>(f.size()));
    out.append(reinterpret_cast<const char*>(f.data()), f.size());
    put(TCRC32::Calculate(f.data(), f.size()));
  }
  return out;
}

}  // namespace orv::voice

// The voice-prompt container ("PackedWave") the configurator carries, and the
// one reader of it. All numbers little-endian:
//
//   count N (4)                         1..255 accepted
//   N records: size S (4), S bytes of 16-bit PCM samples, TCRC32 of them (4)
//
// Record i is the file "%3.3d.wav" of i + 1. The reader walks the records in
// order from any std::istream, reading each one's samples into a buffer the
// caller owns (so one buffer serves a whole run), and says for each record
// whether it can be used. It never reads past the stream's end and never
// trusts a size: a record whose size is out of range is skipped by its
// announced length when the stream still holds it, and a stream that ends
// inside a record ends the walk.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace orv::voice {

constexpr uint32_t kMaxFiles = 255;
constexpr uint32_t kMinSize = 9;
constexpr uint32_t kMaxSize = 0x1FFF8;     // 131064: a full slot less its 8 bytes of header and CRC
constexpr uint32_t kSlotBase = 0x4B00000;  // slot of file i: kSlotBase + i * kSlotSize
constexpr uint32_t kSlotSize = 0x20000;
constexpr const char* kContainerName = "voice/PackedWave.bin";  // inside the data folder

// "%3.3d.wav" of index + 1.
std::string FileName(uint32_t index);
uint32_t SlotAddress(uint32_t index);

class ContainerReader {
 public:
  enum class Record {
    kOk,         // samples and CRC read; the CRC matches
    kEmpty,      // size below kMinSize
    kBadSize,    // size above kMaxSize
    kBadCrc,     // the stored CRC differs from the samples' CRC
    kTruncated,  // the stream ended inside the record
    kEnd,        // no record left (or the count was out of range)
  };

  explicit ContainerReader(std::istream& in);
  // The count as stored; 0 when the stream is shorter than 4 bytes.
  uint32_t Count() const { return count_; }
  // True when the count is in 1..kMaxFiles.
  bool CountValid() const { return count_ >= 1 && count_ <= kMaxFiles; }
  // Reads the next record. For kOk the samples (little-endian, as stored) are
  // in data[offset .. offset + Size()); `data` grows to offset + kMaxSize once.
  Record Next(std::vector<uint8_t>& data, size_t offset);
  uint32_t Index() const { return index_ - 1; }  // of the record last read
  uint32_t Size() const { return size_; }
  uint32_t Crc() const { return crc_; }

 private:
  bool ReadU32(uint32_t& v);
  bool Skip(uint64_t n);
  std::istream& in_;
  uint32_t count_ = 0;
  uint32_t index_ = 0;
  uint32_t size_ = 0;
  uint32_t crc_ = 0;
  bool ended_ = false;
};

// Builds a container from files of samples (used by the build tool and tests).
std::string BuildContainer(const std::vector<std::vector<uint8_t>>& files);

}  // namespace orv::voice

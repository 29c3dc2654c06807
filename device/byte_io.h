// Checked readers and writers for the binary records exchanged with the unit
// and stored in files. Records are read field by field through these, never by
// casting raw buffers; every access is bounds-checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {

class ByteRangeError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(std::span<const uint8_t> s) : data_(s.data()), size_(s.size()) {}

  size_t Pos() const { return pos_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return size_ - pos_; }
  void Seek(size_t pos) {
    if (pos > size_) throw ByteRangeError("seek beyond the end of the record");
    pos_ = pos;
  }
  void Skip(size_t n) { Need(n); pos_ += n; }

  uint8_t U8() { Need(1); return data_[pos_++]; }
  uint16_t U16LE() { Need(2); uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8)); pos_ += 2; return v; }
  uint16_t U16BE() { Need(2); uint16_t v = static_cast<uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]); pos_ += 2; return v; }
  uint32_t U32LE() {
    Need(4);
    uint32_t v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
                 (static_cast<uint32_t>(data_[pos_ + 2]) << 16) | (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  uint32_t U32BE() {
    Need(4);
    uint32_t v = (static_cast<uint32_t>(data_[pos_]) << 24) | (static_cast<uint32_t>(data_[pos_ + 1]) << 16) |
                 (static_cast<uint32_t>(data_[pos_ + 2]) << 8) | static_cast<uint32_t>(data_[pos_ + 3]);
    pos_ += 4;
    return v;
  }
  void Bytes(uint8_t* out, size_t n) {
    Need(n);
    if (n) std::memcpy(out, data_ + pos_, n);
    pos_ += n;
  }
  template <size_t N>
  void Bytes(uint8_t (&out)[N]) { Bytes(out, N); }

 private:
  void Need(size_t n) const {
    if (n > size_ - pos_) throw ByteRangeError("record shorter than expected");
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Appends to a growing buffer.
class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(size_t reserve) { buf_.reserve(reserve); }
  void U8(uint8_t v) { buf_.push_back(v); }
  void U16LE(uint16_t v) { U8(static_cast<uint8_t>(v)); U8(static_cast<uint8_t>(v >> 8)); }
  void U16BE(uint16_t v) { U8(static_cast<uint8_t>(v >> 8)); U8(static_cast<uint8_t>(v)); }
  void U32LE(uint32_t v) { for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i))); }
  void U32BE(uint32_t v) { for (int i = 3; i >= 0; --i) U8(static_cast<uint8_t>(v >> (8 * i))); }
  void Bytes(const uint8_t* p, size_t n) { buf_.insert(buf_.end(), p, p + n); }
  void Bytes(std::span<const uint8_t> s) { buf_.insert(buf_.end(), s.begin(), s.end()); }
  void Zeros(size_t n) { buf_.insert(buf_.end(), n, 0); }
  const std::vector<uint8_t>& Data() const { return buf_; }
  std::vector<uint8_t> Take() { return std::move(buf_); }
  size_t Size() const { return buf_.size(); }

 private:
  std::vector<uint8_t> buf_;
};

}  // namespace orv

#include "update/voice_upload.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <vector>

#include "core/data_dir.h"
#include "device/orvantis.h"
#include "update/voice_container.h"

namespace orv {
namespace {

std::string Format(const char* pattern, const std::string& name) {
  char buf[256];
  std::snprintf(buf, sizeof buf, pattern, name.c_str());
  return buf;
}

std::string FormatInt(const char* pattern, int value) {
  char buf[128];
  std::snprintf(buf, sizeof buf, pattern, value);
  return buf;
}

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint32_t LittleEndian32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The slot already holds this prompt: its size at the start and its CRC at
// the end. A failed read counts as "different".
bool SlotHolds(TOrvantis& link, uint32_t addr, uint32_t size, uint32_t crc) {
  uint8_t b[4];
  if (!link.ReadFlash(b, addr, 4) || BigEndian32(b) != size) return false;
  return link.ReadFlash(b, addr + 4 + size, 4) && LittleEndian32(b) == crc;
}

}  // namespace

SoundsResult WriteSounds(TOrvantis& link, std::istream& container, Status& status) {
  using voice::ContainerReader;
  SoundsResult r;
  ContainerReader reader(container);
  status.StartAction(voice_text::kTitle);
  bool stopped = false;  // the run ended early and was reported as failed
  if (!link.OnLine()) {
    status.Log(voice_text::kNoUnit);
    status.FinishAction(kResError, voice_text::kNoUnitResult);
    return r;
  }
  // The slot image: 4 bytes of size, the samples, 4 bytes of CRC.
  std::vector<uint8_t> slot(voice::kSlotSize);
  const uint32_t n = reader.CountValid() ? reader.Count() : 0;
  if (!reader.CountValid()) ++r.failed;
  for (uint32_t i = 0; i < n && !stopped; ++i) {
    const std::string name = voice::FileName(i);
    const int percent = static_cast<int>(std::lround(100.0 * i / n));
    status.Progress(FormatInt(voice_text::kProgress, percent), true, percent);
    status.Display(voice_text::kChecking + name, true);
    const auto rec = reader.Next(slot, 4);
    const uint32_t size = reader.Size();
    switch (rec) {
      case ContainerReader::Record::kEmpty:
        status.Log(Format(voice_text::kEmpty, name));
        ++r.failed;
        continue;
      case ContainerReader::Record::kBadSize:
        status.Log(Format(voice_text::kBadSize, name));
        ++r.failed;
        continue;
      case ContainerReader::Record::kBadCrc:
      case ContainerReader::Record::kTruncated:
      case ContainerReader::Record::kEnd:
        status.FinishAction(kResError, voice_text::kTitle);
        status.Log(voice_text::kBadCrc);
        r.checksumFailed = true;
        stopped = true;
        continue;
      case ContainerReader::Record::kOk:
        break;
    }
    const uint32_t addr = voice::SlotAddress(i);
    try {
      if (SlotHolds(link, addr, size, reader.Crc())) {
        status.Replace(voice_text::kChecking + name, Format(voice_text::kUnchanged, name), true);
        ++r.unchanged;
        continue;
      }
      // Big-endian samples; an odd last byte stays as it is.
      for (uint32_t k = 4; k + 1 < 4 + size; k += 2) std::swap(slot[k], slot[k + 1]);
      slot[0] = static_cast<uint8_t>(size >> 24);
      slot[1] = static_cast<uint8_t>(size >> 16);
      slot[2] = static_cast<uint8_t>(size >> 8);
      slot[3] = static_cast<uint8_t>(size);
      const uint32_t crc = reader.Crc();
      for (int k = 0; k < 4; ++k) slot[4 + size + k] = static_cast<uint8_t>(crc >> (8 * k));
      if (!link.EraseFlash(addr, size + 8)) {
        status.Log(Format(voice_text::kEraseFailed, name));
        ++r.failed;
      } else if (!link.WriteFlash(slot.data(), addr, size + 8)) {
        status.Log(Format(voice_text::kWriteFailed, name));
        ++r.failed;
      } else {
        status.Replace(voice_text::kChecking + name, Format(voice_text::kUpdated, name), true);
        ++r.updated;
      }
    } catch (const std::exception& e) {
      status.Log(e.what());
      ++r.failed;
    }
    if (r.failed > 0 && !link.OnLine()) {
      status.Log(voice_text::kNoUnit);
      status.FinishAction(kResError, voice_text::kNoUnitResult);
      stopped = true;
    }
  }
  status.Progress(voice_text::kProgressDone, true, 100);
  if (r.updated == 0) status.Log(voice_text::kNothingToDo);
  else status.Log(FormatInt(voice_text::kUpdatedCount, r.updated));
  if (!stopped) {
    r.ok = r.failed == 0;
    status.FinishAction(r.ok ? kResOk : kResError, voice_text::kFinished);
  }
  return r;
}

SoundsResult WriteSounds(TOrvantis& link, Status& status) {
  const auto path = FindDataFile(voice::kContainerName);
  std::ifstream in;
  if (path) in.open(*path, std::ios::binary);
  if (!path || !in) {
    status.StartAction(voice_text::kTitle);
    status.Log(voice_text::kNoContainer);
    status.FinishAction(kResError, voice_text::kTitle);
    return {};
  }
  return WriteSounds(link, in, status);
}

}  // namespace orv

// Identity queries and the memory, flash and boot commands of TOrvantis. Each
// exchange is retried a fixed number of times; every failed attempt reports a
// fixed text through the link's log callback.
#include <algorithm>
#include <string>

#include "device/byte_io.h"
#include "device/checksums.h"
#include "device/orvantis.h"

namespace orv {

namespace msg {
constexpr const char* kTimeout = "Таймаут ожидания ответа";
constexpr const char* kBadCode = "Неверный код ответа";
constexpr const char* kCmdError = "Ошибка выполнения команды";
constexpr const char* kCrcError = "Ошибка контрольной суммы";
constexpr const char* kBadLength = "Неверная длина ответа";
constexpr const char* kAttemptsLeft = "Осталось попыток: ";
}  // namespace msg

// ---------------------------------------------------------------------------
// identity

template <typename T>
bool TOrvantis::Query(uint8_t code, T& record) {
  for (int attempt = 0; attempt < kIdentityAttempts; ++attempt) {
    std::vector<uint8_t> rx(T::kSize);
    if (ReadDataStr(code, std::string(), rx, kIdentityTimeout)) {
      if (auto parsed = ParseRecord<T>(rx)) {
        record = *parsed;
        return true;
      }
    }
    Log(msg::kTimeout);
  }
  return false;
}

bool TOrvantis::GetInfo() { return Query(cmd::kGetInfo, BootState); }
bool TOrvantis::GetState() { return Query(cmd::kGetState, State); }
bool TOrvantis::GetCoreInfo() { return Query(cmd::kGetCoreInfo, CoreInfo); }
bool TOrvantis::GetCanFwInfo() { return Query(cmd::kGetCanFwInfo, CanFwInfo); }
bool TOrvantis::GetBoot2Rec() { return Query(cmd::kGetBoot2Rec, Boot2Rec); }
bool TOrvantis::GetCore2Info() { return Query(cmd::kGetCore2Info, Core2Info); }
bool TOrvantis::GetCanFw2Info() { return Query(cmd::kGetCanFw2Info, CanFw2Info); }
bool TOrvantis::GetVersionDevices() { return Query(cmd::kGetVersionDevices, VersionDevices); }

// ---------------------------------------------------------------------------
// memory family: request code 0x55, first payload byte the sub-command, reply
// code its complement.

namespace {

uint8_t ReplyCode(uint8_t subCmd) { return static_cast<uint8_t>(~subCmd); }

std::vector<uint8_t> AddrPayload(uint8_t subCmd, uint32_t addr, size_t extra) {
  ByteWriter w(5 + extra);
  w.U8(subCmd);
  w.U32BE(addr);
  return w.Take();
}

}  // namespace

bool TOrvantis::ReadMemory(uint8_t subCmd, uint8_t* data, uint32_t addr, uint32_t size) {
  if (size == 0) return true;
  std::vector<uint8_t> buffer;
  buffer.reserve(size);
  while (buffer.size() < size) {
    const uint32_t chunk = std::min<uint32_t>(size - static_cast<uint32_t>(buffer.size()), memlimits::kReadChunk);
    std::vector<uint8_t> tx = AddrPayload(subCmd, addr, 4);
    ByteWriter w;
    w.U32BE(chunk);
    tx.insert(tx.end(), w.Data().begin(), w.Data().end());
    bool ok = false;
    for (int attempt = 0; attempt < memlimits::kAttempts && !ok; ++attempt) {
      std::vector<uint8_t> rx(chunk + 1);
      if (!ReadData(cmd::kMemory, tx, rx, memlimits::kTimeout)) Log(msg::kTimeout);
      else if (rx[0] != ReplyCode(subCmd)) Log(msg::kBadCode);
      else {
        buffer.insert(buffer.end(), rx.begin() + 1, rx.end());
        ok = true;
      }
    }
    if (!ok) return false;
    addr += chunk;
  }
  std::copy(buffer.begin(), buffer.end(), data);  // the caller's buffer changes only on success
  return true;
}

bool TOrvantis::ReadROM(uint8_t* data, uint32_t addr, uint32_t size) {
  return ReadMemory(cmd::kReadROM, data, addr, size);
}

bool TOrvantis::ReadFlash(uint8_t* data, uint32_t addr, uint32_t size) {
  return ReadMemory(cmd::kReadFlash, data, addr, size);
}

bool TOrvantis::WriteMemory(uint8_t subCmd, uint32_t chunkLimit, const uint8_t* data, uint32_t addr, uint32_t size) {
  uint32_t done = 0;
  while (done < size) {
    const uint32_t chunk = std::min(size - done, chunkLimit);
    std::vector<uint8_t> tx = AddrPayload(subCmd, addr, chunk);
    tx.insert(tx.end(), data + done, data + done + chunk);
    const uint8_t crc = Crc8(data + done, static_cast<uint16_t>(chunk));
    bool ok = false;
    for (int attempt = 0; attempt < memlimits::kAttempts && !ok; ++attempt) {
      std::vector<uint8_t> rx(2);
      if (!ReadData(cmd::kMemory, tx, rx, memlimits::kTimeout)) Log(msg::kTimeout);
      else if (rx[0] != ReplyCode(subCmd)) Log(msg::kBadCode);
      else if (subCmd == cmd::kWriteFlash && rx[1] != crc) Log(msg::kCrcError);
      else if (subCmd == cmd::kWriteROM && rx[1] != 1) Log(msg::kCmdError);
      else ok = true;
    }
    if (!ok) return false;
    addr += chunk;
    done += chunk;
  }
  return true;
}

bool TOrvantis::WriteROM(const uint8_t* data, uint32_t addr, uint32_t size) {
  if (size == 0) return true;
  if (UnLockROM(0) != 1) return false;
  return WriteMemory(cmd::kWriteROM, memlimits::kWriteROMChunk, data, addr, size);
}

bool TOrvantis::WriteFlash(const uint8_t* data, uint32_t addr, uint32_t size) {
  return WriteMemory(cmd::kWriteFlash, memlimits::kWriteFlashChunk, data, addr, size);
}

bool TOrvantis::EraseFlash(uint32_t addr, uint32_t size) {
  while (size > 0) {
    size = size > memlimits::kEraseStep ? size - memlimits::kEraseStep : 0;
    const std::vector<uint8_t> tx = AddrPayload(cmd::kEraseFlash, addr, 0);
    bool ok = false;
    for (int attempt = 0; attempt < memlimits::kAttempts && !ok; ++attempt) {
      std::vector<uint8_t> rx(2);
      if (!ReadData(cmd::kMemory, tx, rx, memlimits::kEraseTimeout)) Log(msg::kTimeout);
      else if (rx[0] != ReplyCode(cmd::kEraseFlash)) Log(msg::kBadCode);
      else if (rx[1] != 1) Log(msg::kCmdError);
      else ok = true;
    }
    if (!ok) return false;
    addr += memlimits::kEraseStep;
  }
  return true;
}

uint8_t TOrvantis::UnLockROM(uint8_t bootMode) {
  std::vector<uint8_t> tx{cmd::kUnLockROM};
  tx.insert(tx.end(), std::begin(memlimits::kUnlockKey), std::end(memlimits::kUnlockKey));
  tx.push_back(bootMode);
  tx.push_back(0x01);
  for (int attempt = 0; attempt < memlimits::kAttempts; ++attempt) {
    std::vector<uint8_t> rx(2);
    if (!ReadData(cmd::kMemory, tx, rx, memlimits::kTimeout)) Log(msg::kTimeout);
    else if (rx[0] != ReplyCode(cmd::kUnLockROM)) Log(msg::kBadCode);
    else return rx[1];
  }
  return 0;
}

uint8_t TOrvantis::UpDateFirmWare(uint8_t cmdCode, uint32_t size, uint16_t ticks) {
  ByteWriter w(7);
  w.U8(cmdCode);
  w.U32BE(size);
  w.U16BE(ticks);
  for (int attempt = 0; attempt < memlimits::kUpdateAttempts; ++attempt) {
    std::vector<uint8_t> rx(2);
    if (ReadData(cmd::kMemory, w.Data(), rx, memlimits::kUpdateTimeout)) {
      if (rx[0] == ReplyCode(cmdCode)) return rx[1];
      Log(msg::kBadCode);
    }
    Log(msg::kAttemptsLeft + std::to_string(memlimits::kUpdateAttempts - attempt - 1));
  }
  return 0xFE;
}

bool TOrvantis::Reset(uint16_t ticks) {
  ByteWriter w(3);
  w.U8(cmd::kReset);
  w.U16BE(ticks);
  for (int attempt = 0; attempt < memlimits::kAttempts; ++attempt) {
    std::vector<uint8_t> rx(2);
    if (!ReadData(cmd::kMemory, w.Data(), rx, memlimits::kTimeout)) Log(msg::kTimeout);
    else if (rx[0] != ReplyCode(cmd::kReset)) Log(msg::kBadCode);
    else if (rx[1] != 1) Log(msg::kCmdError);
    else return true;
  }
  return false;
}

bool TOrvantis::SendCmd(uint8_t cmdCode) {
  for (int attempt = 0; attempt < memlimits::kAttempts; ++attempt) {
    std::vector<uint8_t> rx;  // any length is accepted, so a reply with data can be reported
    if (!ReadData(cmdCode, {}, rx, memlimits::kSendCmdTimeout)) Log(msg::kTimeout);
    else if (!rx.empty()) Log(msg::kBadLength);
    else return true;
  }
  return false;
}

}  // namespace orv

// The virtual HID bus: a folder of Unix sockets, one per plugged unit. A
// socket that accepts connections is a plugged unit; a missing socket, or one
// that refuses connections (left behind by a killed unit), is not.
//
// Each socket is SOCK_SEQPACKET, so one message is one report:
//   unit -> client, first: the hello (kHelloMagic, version, vendor and product
//            id, declared input and output report lengths, a description);
//   client -> unit:        output reports, exactly the declared output length,
//                          byte 0 the report ID;
//   unit -> client:        input reports, byte 0 the report ID, then the data.
// Every connected client sees every input report, as every open hidraw handle
// does; clients serialise their exchanges with the per-unit link lock.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orv::vbus {

constexpr uint8_t kHelloMagic[4] = {'O', 'V', 'H', 'B'};
constexpr uint8_t kVersion = 1;
// Largest message either side accepts (a report of the longest declared length).
constexpr size_t kMaxMessage = 4096;
// Socket files of plugged units end with this.
constexpr const char* kSocketSuffix = ".sock";

struct Hello {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t inputLength = 0;   // declared, report ID byte included
  uint16_t outputLength = 0;  // declared, report ID byte included
  std::string description;    // at most 255 bytes
};

std::vector<uint8_t> EncodeHello(const Hello& hello);
// nullopt for anything that is not a well-formed hello of this version, or
// declares a report longer than kMaxMessage.
std::optional<Hello> DecodeHello(std::span<const uint8_t> message);

// $XDG_RUNTIME_DIR/orvantis-hid, or /tmp/orvantis-hid-<uid> where
// XDG_RUNTIME_DIR is unset.
std::string DefaultBusDir();
// Creates the folder (and missing parents) with mode 0700; false with `error`
// set when that fails, the path is not a folder, or the folder is not the
// user's own or others may write to it.
bool EnsureBusDir(const std::string& dir, std::string& error);

}  // namespace orv::vbus

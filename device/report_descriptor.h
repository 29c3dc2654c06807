// Reads the report lengths a HID device declares from its report descriptor
// (the byte string the kernel hands out for every hidraw node).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace orv {

struct DeclaredReports {
  // Byte lengths of the reports without a report ID (report ID 0), one byte
  // added for the ID as the link counts it; 0 when the device has none.
  uint16_t inputLength = 0;
  uint16_t outputLength = 0;
  uint16_t featureLength = 0;
  // The device numbers its reports; hidraw then puts the ID in front of every
  // input report it returns.
  bool usesReportIds = false;
};

// nullopt for a descriptor that is malformed (a truncated item, Pop without
// Push, report ID 0 declared, nesting too deep) or declares a report longer
// than 65534 bytes.
std::optional<DeclaredReports> ParseReportDescriptor(std::span<const uint8_t> descriptor);

}  // namespace orv

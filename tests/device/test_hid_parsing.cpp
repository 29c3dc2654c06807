// What the HID backends read from outside: report descriptors, udev's HID_ID
// and the virtual bus's hello.
#include <gtest/gtest.h>

#include "device/report_descriptor.h"
#include "device/udev_ids.h"
#include "device/vbus_protocol.h"

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

// A vendor-defined collection with one input and one output report of
// `inCount` and `outCount` bytes and no report IDs.
Bytes VendorDescriptor(uint8_t inCount, uint8_t outCount) {
  return {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
          0x95, inCount, 0x09, 0x01, 0x81, 0x02, 0x95, outCount, 0x09, 0x01, 0x91, 0x02, 0xC0};
}

struct DescriptorCase {
  const char* name;
  Bytes descriptor;
  uint16_t input, output, feature;
  bool ids;
};

TEST(ReportDescriptor, DeclaredLengthsCountTheIdByte) {
  const std::vector<DescriptorCase> cases = {
      {"full-speed unit", VendorDescriptor(64, 64), 65, 65, 0, false},
      {"different sizes", VendorDescriptor(32, 8), 33, 9, 0, false},
      {"bits rounded up to bytes",
       {0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x75, 0x05, 0x95, 0x01, 0x81, 0x03, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02},
       3, 0, 0, false},
      {"items add up", {0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0x95, 0x20, 0x81, 0x02, 0x95, 0x04, 0xB1, 0x02}, 49, 0, 5,
       false},
      {"push and pop restore the globals",
       {0x75, 0x08, 0x95, 0x40, 0xA4, 0x75, 0x01, 0x95, 0x08, 0xB4, 0x81, 0x02}, 65, 0, 0, false},
      {"long items are skipped", {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x75, 0x08, 0x95, 0x40, 0x91, 0x02}, 0, 65, 0, false},
      {"four-byte values", {0x77, 0x08, 0x00, 0x00, 0x00, 0x97, 0x40, 0x00, 0x00, 0x00, 0x81, 0x02}, 65, 0, 0, false},
      {"numbered reports leave report 0 empty",
       {0x85, 0x01, 0x75, 0x08, 0x95, 0x40, 0x81, 0x02, 0x91, 0x02}, 0, 0, 0, true},
      {"empty", {}, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = ParseReportDescriptor(c.descriptor);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->inputLength, c.input);
    EXPECT_EQ(r->outputLength, c.output);
    EXPECT_EQ(r->featureLength, c.feature);
    EXPECT_EQ(r->usesReportIds, c.ids);
  }
}

TEST(ReportDescriptor, MalformedDescriptorsAreRefused) {
  Bytes deep;
  for (int i = 0; i < 17; ++i) deep.push_back(0xA4);
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"truncated item", {0x75, 0x08, 0x96, 0x40}},
      {"truncated long item", {0xFE, 0x05, 0x00, 0x01}},
      {"long item without header", {0xFE, 0x05}},
      {"pop without push", {0xB4}},
      {"report ID 0", {0x85, 0x00}},
      {"push too deep", deep},
      {"report longer than 65534 bytes", {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02}},
      {"a report of 65535 bytes", {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02}},
  };
  for (const auto& [name, d] : cases) EXPECT_FALSE(ParseReportDescriptor(d).has_value()) << name;
}

TEST(UdevIds, HidIdGivesBusVendorAndProduct) {
  const auto id = ParseHidId("0003:0000C1CA:00000003");
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->bus, 3);
  EXPECT_EQ(id->vendorId, 0xC1CA);
  EXPECT_EQ(id->productId, 3);
  const auto lower = ParseHidId("0005:0000c1ca:0000abcd");
  ASSERT_TRUE(lower.has_value());
  EXPECT_EQ(lower->vendorId, 0xC1CA);
  EXPECT_EQ(lower->productId, 0xABCD);

  for (const char* bad : {"", "0003:0000C1CA", "0003:0001C1CA:00000003", "0003:0000G1CA:00000003",
                          "0003:0000C1CA:00000003:", "0003::00000003", "0003:000000000C1CA:00000003", " 0003:0000C1CA:00000003"})
    EXPECT_FALSE(ParseHidId(bad).has_value()) << '"' << bad << '"';
}

TEST(VbusHello, RoundTripAndRefusals) {
  vbus::Hello h;
  h.vendorId = 0xC1CA;
  h.productId = 3;
  h.inputLength = 65;
  h.outputLength = 33;
  h.description = "simulated ORVANTIS 3, SN 1234";
  const Bytes msg = vbus::EncodeHello(h);
  const auto back = vbus::DecodeHello(msg);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->vendorId, 0xC1CA);
  EXPECT_EQ(back->productId, 3);
  EXPECT_EQ(back->inputLength, 65);
  EXPECT_EQ(back->outputLength, 33);
  EXPECT_EQ(back->description, h.description);

  for (size_t n = 0; n < msg.size(); ++n)
    EXPECT_FALSE(vbus::DecodeHello({msg.data(), n}).has_value()) << "truncated to " << n;
  Bytes longer = msg;
  longer.push_back(0);
  EXPECT_FALSE(vbus::DecodeHello(longer).has_value()) << "trailing bytes";
  Bytes magic = msg;
  magic[0] = 'X';
  EXPECT_FALSE(vbus::DecodeHello(magic).has_value());
  Bytes version = msg;
  version[4] = vbus::kVersion + 1;
  EXPECT_FALSE(vbus::DecodeHello(version).has_value());
  h.inputLength = vbus::kMaxMessage + 1;
  EXPECT_FALSE(vbus::DecodeHello(vbus::EncodeHello(h)).has_value()) << "report longer than a message";
}

}  // namespace
}  // namespace orv

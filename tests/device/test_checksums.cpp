#include <gtest/gtest.h>

#include <sstream>

#include "device/checksums.h"
#include "device/text_codec.h"

namespace orv {
namespace {

const std::string kCheck = "123456789";
const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(Checksums, Crc8CheckValues) {
  EXPECT_EQ(Crc8(Bytes(kCheck), 9), 0xF7);
  EXPECT_EQ(Crc8(nullptr, 0), 0xFF);
  const uint8_t one = 1;
  // A single byte b from the start value 0xFF is table[0xFF ^ b].
  EXPECT_EQ(Crc8(&one, 1), Crc8(&one, 1));
  const uint8_t emptyRequest[3] = {0xDB, 0x00, 0x03};
  EXPECT_NE(Crc8(emptyRequest, 3), Crc8(emptyRequest, 2));
}

TEST(Checksums, Crc32IsTheUninvertedCrc32) {
  EXPECT_EQ(TCRC32::Calculate(Bytes(kCheck), 9), 0x340BC6D9u);
  EXPECT_EQ(TCRC32::Calculate(std::string_view(kCheck)), 0x340BC6D9u);
  EXPECT_EQ(TCRC32::Calculate(std::string_view()), 0xFFFFFFFFu);
  std::istringstream in(kCheck + "tail");
  EXPECT_EQ(TCRC32::Calculate(in, 9), 0x340BC6D9u);
  std::istringstream none(kCheck);
  EXPECT_EQ(TCRC32::Calculate(none, -5), 0xFFFFFFFFu);
  // A stream shorter than asked for covers what is there.
  std::istringstream shortIn(kCheck);
  EXPECT_EQ(TCRC32::Calculate(shortIn, 100), 0x340BC6D9u);
  // Text form: the low byte of each UTF-16 unit ("П" is U+041F -> 0x1F).
  const uint8_t low[2] = {0x1F, 0x41};
  EXPECT_EQ(TCRC32::Calculate("ПA"), TCRC32::Calculate(low, 2));
}

TEST(Checksums, Crc32ReverseStepIsMsbFirst) {
  uint32_t reg = 0xFFFFFFFFu;
  for (char c : kCheck) reg = TCRC32::GetNextCRC_Reverse(reg, static_cast<uint8_t>(c));
  EXPECT_EQ(~reg, 0xFC891918u);  // the published CRC-32/BZIP2 check value
}

TEST(Checksums, ByteSwaps) {
  EXPECT_EQ(SwapBytes32(0x11223344u), 0x44332211u);
  EXPECT_EQ(SwapBytes16(0xA1B2), 0xB2A1);
}

TEST(TextCodec, BytesToTextDecodesCyrillicAndStopsBelowSpace) {
  const uint8_t bytes[] = {0xCF, 0xF0, 0xE8, 0x00, 0x41};
  EXPECT_EQ(BytesToText(bytes, sizeof bytes), "При");
  const uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(BytesToText(ff, 4), "яяяя");
  EXPECT_EQ(BytesToLatinText(ff, 4), "\u00FF\u00FF\u00FF\u00FF");
  const uint8_t mixed[] = {'A', 0x80, 0x81, 0xBF, 0x1F, 'B'};
  EXPECT_EQ(BytesToText(mixed, sizeof mixed), "A\u0080\u03D1\u040F");
  // The count bounds the field even without a terminator.
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(BytesToText(abc, 2), "ab");
}

TEST(TextCodec, TextToBytesPadsWithZerosAndKeepsLowBytes) {
  uint8_t field[16];
  std::fill(std::begin(field), std::end(field), 0xEE);
  TextToBytes("abc", field, sizeof field);
  EXPECT_EQ(field[0], 'a');
  EXPECT_EQ(field[2], 'c');
  for (size_t i = 3; i < 16; ++i) EXPECT_EQ(field[i], 0) << i;
  uint8_t two[2];
  TextToBytes("Аbcdef", two, 2);  // Cyrillic А (U+0410) loses its high byte
  EXPECT_EQ(two[0], 0x10);
  EXPECT_EQ(two[1], 'b');
}

TEST(TextCodec, Utf8RoundTripAndMalformedInput) {
  const std::string s = "Ж\u00FFz\U0001F600";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16("\xC3").size(), 1u);        // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC3")[0], u'\uFFFD');
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80")[0], u'\uFFFD');  // overlong
}

}  // namespace
}  // namespace orv

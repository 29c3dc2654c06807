#include "settings/mem_items.h"

#include "device/byte_io.h"

namespace orv {

TMemItem::TMemItem(uint8_t aKind, uint32_t anAddr, uint32_t aSize)
    : FMemKind(aKind), FSize(aSize <= kMaxSection ? aSize : static_cast<uint32_t>(kMaxSection)), FAddr(anAddr) {}

int32_t TMemItem::AsInt(size_t index) const {
  if (index >= FData.size() / 4) throw ByteRangeError("word index beyond the region buffer");
  ByteReader r(FData.data(), FData.size());
  r.Seek(index * 4);
  return static_cast<int32_t>(r.U32LE());
}

void TMemItem::SetAsInt(size_t index, int32_t value) {
  if (index >= FData.size() / 4) throw ByteRangeError("word index beyond the region buffer");
  const auto v = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i) FData[index * 4 + i] = static_cast<uint8_t>(v >> (8 * i));
}

TMemItems CreateMemItems() {
  TMemItems items;
  for (int k = 0; k < kRegionCount; ++k)
    items[k] = TMemItem(static_cast<uint8_t>(k), kRegionAddr[k], kRegionSize[k]);
  return items;
}

}  // namespace orv

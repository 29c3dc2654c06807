// The firmware catalogue of the connected unit: six slots (system core,
// auxiliary firmware, start module, immobilizer, Hestor remote, tag fob), each
// with the server's record of the installed and the latest build, the slot's
// hardware kind and what the unit itself reports.
//
// ParseFWPacket is the one reader of the server's catalogue package; it never
// throws for a well-formed JSON document, whatever its members hold (a member
// of the wrong type or out of range ends its step like a missing one), and
// throws CatalogueError only for text that is not JSON. UpdateFWInfo makes the
// per-slot decisions and builds both summaries.
//
// Everything here runs on the owner thread inside a queued task.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace orv {

// One build as the server describes it.
struct TCore {
  std::string Date, HC;
  int32_t ID = 0;
  std::string Title, Desc, Data;
};

// The hardware kind of a slot.
struct THWPanel {
  int32_t Code = 0;
  std::string Name, Desc;
  int32_t ID = 0;
  std::string Title;
};

struct TFW {
  TCore Current, Last;
  THWPanel Panel;
  std::string Burned;
  int32_t Addr = 0;
  std::string Mask;
  bool Online = false;
  uint8_t OnlineVersion = 0;
  bool NeedUpdate = false;
  bool Corrupted = false;
  bool DataExist = false;
  std::string ModuleName;
};

// Slot order of the catalogue.
enum class Slot : int { Core1, Core2, CoreRS, CoreImmo, CoreValetRF, CoreRFTag };
inline constexpr int kSlotCount = 6;

struct SlotInfo {
  Slot slot;
  const char* key;         // package key
  const char* moduleName;  // ModuleName
  int32_t addr;            // staging address of a module image (0: not used)
  const char* mask;        // Burned from a module's version ("" for the cores)
  const char* question;    // its line in the update question
};
const SlotInfo& InfoOf(Slot slot);
const std::array<SlotInfo, kSlotCount>& SlotTable();

struct TCoreFW {
  std::array<TFW, kSlotCount> all;
  TFW& operator[](Slot s) { return all[static_cast<size_t>(s)]; }
  const TFW& operator[](Slot s) const { return all[static_cast<size_t>(s)]; }
};

// Fills ModuleName, Addr and Mask of every slot; everything else empty.
void InitFirmwareCatalogue(TCoreFW& fw);

class CatalogueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a catalogue package into `fw`; `log` receives the server's error text
// (once per slot). Throws CatalogueError when the text is not JSON.
void ParseFWPacket(const std::string& text, TCoreFW& fw, const std::function<void(const std::string&)>& log);

// Title and HC joined by one "."; empty when either is empty.
std::string GetCoreName(const TCore& core);
// Current.Title and Current.HC joined by "." (no trimming).
std::string GetExtDeviceName(const TFW& fw);

// The forced update of the vehicle page: the check box and its four
// exceptions (all four checked by default).
struct ForceUpdate {
  bool cbForceUpdate = false;
  bool cbSkipCore1 = true, cbSkipCore2 = true, cbSkipRS = true, cbSkipValet = true;
};

struct FWInfo {
  std::string installed;  // "Установлено в устройстве:"
  std::string available;  // "Доступные обновления:"
  bool needUpdate = false;  // FFNeedUpdateFW
};

// Decides NeedUpdate of every slot and builds both summaries.
FWInfo UpdateFWInfo(TCoreFW& fw, const ForceUpdate& force);

// The list of the update question, from the slots that need an update.
std::string UpdateQuestion(const TCoreFW& fw);

// Burned names from the unit's module versions (GetExtDevicesOnlineState);
// immobilizer and tag are never online.
void ApplyModuleVersions(TCoreFW& fw, uint8_t hestor, uint8_t rstart);

}  // namespace orv

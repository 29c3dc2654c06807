#include "update/fw_catalogue.h"

#include <cstdio>
#include <limits>
#include <optional>

#include <nlohmann/json.hpp>

#include "update/fw_texts.h"

namespace orv {

namespace {

using Json = nlohmann::ordered_json;

// Deeper documents are refused before parsing: no catalogue nests beyond
// three levels, and the parser's data structure is recursive.
constexpr int kMaxDepth = 64;

const std::array<SlotInfo, kSlotCount> kSlots = {{
    {Slot::Core1, "1", "Ядро системы", 0, "", "Ядро системы: %s"},
    {Slot::Core2, "2", "Дополнительное ПО", 0, "", "\r\nДополнительное ПО: %s"},
    {Slot::CoreRS, "13", "Модуль запуска", 0x1A0000, "remotestart R%d", "\r\nМодуль Запуска: %s"},
    {Slot::CoreImmo, "12", "Иммобилайзер", 0x180000, "immobilizer R%d", "\r\nИммобилайзер: %s"},
    {Slot::CoreValetRF, "10", "Хестор", 0x140000, "hestor R%d", "\r\nХестор: %s"},
    {Slot::CoreRFTag, "11", "Брелок-метка", 0x160000, "rftag R%d", "\r\nМетка: %s"},
}};

bool TooDeep(const std::string& text) {
  int depth = 0;
  bool inString = false, escape = false;
  for (char c : text) {
    if (inString) {
      if (escape) escape = false;
      else if (c == '\\') escape = true;
      else if (c == '"') inString = false;
      continue;
    }
    if (c == '"') inString = true;
    else if (c == '{' || c == '[') {
      if (++depth > kMaxDepth) return true;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return false;
}

const Json* Member(const Json* obj, const char* key) {
  if (!obj || !obj->is_object()) return nullptr;
  auto it = obj->find(key);
  return it == obj->end() ? nullptr : &*it;
}

bool ReadText(const Json* obj, const char* key, std::string& out) {
  const Json* v = Member(obj, key);
  if (!v || !v->is_string()) return false;
  out = v->get<std::string>();
  return true;
}

bool ReadInt(const Json* obj, const char* key, int32_t& out) {
  const Json* v = Member(obj, key);
  if (!v) return false;
  if (v->is_number_integer() && !v->is_number_unsigned()) {
    const auto n = v->get<int64_t>();
    if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) return false;
    out = static_cast<int32_t>(n);
    return true;
  }
  if (v->is_number_unsigned()) {
    const auto n = v->get<uint64_t>();
    if (n > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return false;
    out = static_cast<int32_t>(n);
    return true;
  }
  return false;
}

// Members in order; the first one missing or of another kind ends the step.
void ReadCore(const Json* obj, TCore& core) {
  core = TCore{};
  if (!ReadText(obj, "title", core.Title)) return;
  if (!ReadText(obj, "hardcode", core.HC)) return;
  if (!ReadText(obj, "cdate", core.Date)) return;
  if (!ReadInt(obj, "id", core.ID)) return;
  if (!ReadText(obj, "desc", core.Desc)) return;
  ReadText(obj, "data", core.Data);
}

bool ReadPanel(const Json* obj, THWPanel& p) {
  return ReadInt(obj, "type_code", p.Code) && ReadText(obj, "type_name", p.Name) && ReadText(obj, "desc", p.Desc) &&
         ReadInt(obj, "id", p.ID) && ReadText(obj, "title", p.Title);
}

std::string Format1(const char* fmt, const std::string& s) {
  const int n = std::snprintf(nullptr, 0, fmt, s.c_str());
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, fmt, s.c_str());
  return out;
}

std::string Line(const std::string& a, const std::string& b) { return a + ": " + b + "\r\n"; }

}  // namespace

const std::array<SlotInfo, kSlotCount>& SlotTable() { return kSlots; }
const SlotInfo& InfoOf(Slot slot) { return kSlots[static_cast<size_t>(slot)]; }

void InitFirmwareCatalogue(TCoreFW& fw) {
  for (const SlotInfo& info : kSlots) {
    TFW& s = fw[info.slot];
    s = TFW{};
    s.ModuleName = info.moduleName;
    s.Addr = info.addr;
    s.Mask = info.mask;
  }
}

void ParseFWPacket(const std::string& text, TCoreFW& fw, const std::function<void(const std::string&)>& log) {
  if (TooDeep(text)) throw CatalogueError("Неверный формат пакета: слишком глубокая вложенность");
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::exception& e) {
    throw CatalogueError(std::string("Неверный формат пакета: ") + e.what());
  }
  const Json* error = Member(&root, "error");
  for (const SlotInfo& info : kSlots) {
    TFW& s = fw[info.slot];
    if (error) {
      if (log) log(error->is_string() ? error->get<std::string>() : error->dump());
      s.DataExist = false;
      continue;
    }
    const Json* slot = Member(&root, info.key);
    ReadCore(Member(slot, "current"), s.Current);
    ReadCore(Member(slot, "last"), s.Last);
    s.DataExist = ReadPanel(Member(slot, "panel"), s.Panel);
  }
}

std::string GetCoreName(const TCore& core) {
  if (core.Title.empty() || core.HC.empty()) return {};
  std::string title = core.Title, hc = core.HC;
  if (title.back() == '.') title.pop_back();
  if (hc.front() == '.') hc.erase(0, 1);
  return title + "." + hc;
}

std::string GetExtDeviceName(const TFW& fw) { return fw.Current.Title + "." + fw.Current.HC; }

FWInfo UpdateFWInfo(TCoreFW& fw, const ForceUpdate& force) {
  FWInfo out;
  // Installed summary.
  for (Slot s : {Slot::Core1, Slot::Core2, Slot::CoreRS, Slot::CoreValetRF, Slot::CoreRFTag, Slot::CoreImmo}) {
    const TFW& f = fw[s];
    if (!f.DataExist) continue;
    if (s == Slot::Core1 || s == Slot::Core2) {
      out.installed += Line(f.ModuleName, f.Burned);
    } else if (f.Online) {
      out.installed += f.ModuleName + ": " + GetExtDeviceName(f) + " [онлайн: R" + std::to_string(f.OnlineVersion) + "]\r\n";
    } else {
      out.installed += Line(f.ModuleName, GetExtDeviceName(f));
    }
  }
  auto textLine = [&](const TFW& f) {
    if (!f.DataExist) return;
    out.available += Line(f.ModuleName, f.NeedUpdate ? GetCoreName(f.Last) : fwtext::kNoUpdateNeeded);
  };
  // The forced update overrides the decision but not its text line.
  auto forced = [&](TFW& f, bool ruleA) {
    if (!force.cbForceUpdate) return;
    if (ruleA && f.Panel.Code == 1) f.NeedUpdate = !force.cbSkipCore1;
    else if (ruleA && f.Panel.Code == 2) f.NeedUpdate = !force.cbSkipCore2;
    else if (!ruleA && f.Panel.Code == 13) f.NeedUpdate = !force.cbSkipRS;
    else if (!ruleA && f.Panel.Code == 10) f.NeedUpdate = !force.cbSkipValet;
  };
  for (Slot s : {Slot::Core1, Slot::Core2}) {
    TFW& f = fw[s];
    f.NeedUpdate = f.DataExist && (f.Burned != GetCoreName(f.Last) || f.Corrupted);
    textLine(f);
    forced(f, true);
  }
  for (Slot s : {Slot::CoreRS, Slot::CoreValetRF, Slot::CoreRFTag, Slot::CoreImmo}) {
    TFW& f = fw[s];
    f.NeedUpdate = f.DataExist && f.Last.HC != f.Current.HC;
    textLine(f);
    forced(f, false);
  }
  for (const TFW& f : fw.all) out.needUpdate = out.needUpdate || f.NeedUpdate;
  return out;
}

std::string UpdateQuestion(const TCoreFW& fw) {
  std::string list;
  for (Slot s : {Slot::Core1, Slot::Core2, Slot::CoreRS, Slot::CoreImmo, Slot::CoreValetRF, Slot::CoreRFTag})
    if (fw[s].NeedUpdate) list += Format1(InfoOf(s).question, GetCoreName(fw[s].Last));
  return std::string(fwtext::kQuestionHead) + list + "\r\n" + fwtext::kQuestionTail;
}

void ApplyModuleVersions(TCoreFW& fw, uint8_t hestor, uint8_t rstart) {
  auto apply = [&](Slot s, uint8_t v) {
    TFW& f = fw[s];
    f.Online = v != 0;
    f.OnlineVersion = v;
    if (v != 0) {
      char buf[64];
      std::snprintf(buf, sizeof buf, InfoOf(s).mask, int{v});
      f.Burned = buf;
    }
  };
  apply(Slot::CoreValetRF, hestor);
  apply(Slot::CoreRS, rstart);
  fw[Slot::CoreImmo].Online = false;
  fw[Slot::CoreRFTag].Online = false;
}

}  // namespace orv

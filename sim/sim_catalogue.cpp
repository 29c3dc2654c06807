#include "sim/sim_catalogue.h"

#include <filesystem>
#include <fstream>
#include <random>

#include <nlohmann/json.hpp>

#include "sim/sim_firmware.h"
#include "update/fw_hex.h"

namespace orv::sim {

namespace {

using Json = nlohmann::ordered_json;

constexpr size_t kCorePayload = 96 * 1024;
constexpr size_t kAuxPayload = 40 * 1024;
constexpr size_t kModulePayload = 12 * 1024;

TVersion Stamp(uint8_t day, uint8_t month, uint8_t year, uint8_t version) {
  TVersion v;
  v.Day = day;
  v.Month = month;
  v.Year = year;
  v.Version = version;
  return v;
}

std::vector<uint8_t> Payload(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

// A core name "core1.6 p18.R6.3240 (20.05.2022)" split into the server's title
// ("core1.6 p18") and build code ("R6.3240 (20.05.2022)").
std::pair<std::string, std::string> SplitName(const std::string& name) {
  const size_t p = name.find(" p");
  const size_t dot = p == std::string::npos ? std::string::npos : name.find('.', p);
  if (dot == std::string::npos) return {name, ""};
  return {name.substr(0, dot), name.substr(dot + 1)};
}

Json Build(const std::string& title, const std::string& hc, const std::string& date, int id, const std::string& desc,
           const std::string& data) {
  return Json{{"title", title}, {"hardcode", hc}, {"cdate", date}, {"id", id}, {"desc", desc}, {"data", data}};
}

Json Panel(int code, const std::string& name, const std::string& title) {
  return Json{{"type_code", code}, {"type_name", name}, {"desc", title}, {"id", 100 + code}, {"title", title}};
}

}  // namespace

SimCatalogue MakeCatalogue(const SimConfig& cfg) {
  const SimIdentity id = MakeIdentity(cfg);
  const TDeviceInfo core1Dev = id.coreInfo.DeviceInfo;
  TDeviceInfo core2Dev = id.core2Info.FirmwareInfo.DeviceInfo;
  core2Dev.MPU = 1;

  const std::string core1Now = CreateCoreName(core1Dev, id.coreInfo.CoreID, TextOf(id.coreInfo.TextInfo, 32));
  const std::string core2Now =
      CreateCoreName(core2Dev, id.core2Info.FirmwareInfo.VersionInfo, TextOf(id.core2Info.TextInfo, 32));
  SimImage core1{simfw::kCore, Stamp(0x20, 0x05, 0x22, 6), "Release6", Payload(kCorePayload, 1)};
  SimImage core2{simfw::kAux, Stamp(0x14, 0x04, 0x22, 3), "Release3", Payload(kAuxPayload, 2)};
  const uint8_t rsNow = id.versionDevices.RStart ? id.versionDevices.RStart : 7;
  const uint8_t hestorNow = id.versionDevices.Hestor;
  SimImage rs{simfw::kRStart, Stamp(0x01, 0x02, 0x22, static_cast<uint8_t>(rsNow + 1)), "", Payload(kModulePayload, 3)};
  const std::string core1New = CreateCoreName(core1Dev, core1.version, core1.text);
  const std::string core2New = CreateCoreName(core2Dev, core2.version, core2.text);

  auto make = [&](bool images, bool updated) {
    Json root;
    auto core = [&](const char* key, const std::string& now, const std::string& last, const SimImage& img, int code,
                    const char* kind, const char* title) {
      const auto [nt, nh] = SplitName(updated ? last : now);
      const auto [lt, lh] = SplitName(last);
      root[key] = Json{{"current", Build(nt, nh, "2021-03-15", 10 * code + 1, "Установленная сборка", "")},
                       {"last", Build(lt, lh, "2022-05-20", 10 * code + 2, "Новая сборка",
                                      images ? EncodeHexImage(BuildSimImage(img)) : "")},
                       {"panel", Panel(code, kind, title)}};
    };
    core("1", core1Now, core1New, core1, 1, "core", "Ядро системы");
    core("2", core2Now, core2New, core2, 2, "core2", "Дополнительное ПО");
    auto module = [&](const char* key, const char* title, uint8_t now, const SimImage* img, int code, const char* kind) {
      const std::string hcNow = "R" + std::to_string(now);
      const std::string hcLast = img ? "R" + std::to_string(img->version.Version) : hcNow;
      root[key] = Json{{"current", Build(title, updated ? hcLast : hcNow, "2021-01-10", 10 * code + 1, "", "")},
                       {"last", Build(title, hcLast, "2022-02-01", 10 * code + 2, "",
                                      images && img ? EncodeHexImage(BuildSimImage(*img)) : "")},
                       {"panel", Panel(code, kind, title)}};
    };
    module("13", "remotestart", rsNow, &rs, 13, "rstart");
    module("12", "immobilizer", 3, nullptr, 12, "immo");
    module("10", "hestor", hestorNow ? hestorNow : 12, nullptr, 10, "hestor");
    module("11", "rftag", 2, nullptr, 11, "rftag");
    return root.dump(1, '\t');
  };
  return {make(false, false), make(true, false), make(false, true)};
}

bool WriteCatalogue(const std::string& dir, const SimConfig& cfg, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const SimCatalogue cat = MakeCatalogue(cfg);
  for (const auto& [name, text] : {std::pair{"core-get.json", &cat.coreGet}, std::pair{"core-set.json", &cat.coreSet},
                                   std::pair{"core-get-updated.json", &cat.coreGetUpdated}}) {
    const std::filesystem::path path = std::filesystem::path(dir) / name;
    const std::filesystem::path tmp = path.string() + ".tmp";
    {
      std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
      out << *text;
      if (!out.flush()) {
        error = "cannot write " + tmp.string();
        return false;
      }
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
      error = "cannot write " + path.string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace orv::sim

// info: who the unit is and which firmware it runs.
#include <iostream>

#include "cli/cli.h"
#include "device/identity.h"

namespace orv::cli {
namespace {

void Line(const char* label, const std::string& value) { std::cout << label << value << "\n"; }

int RunInfo(Context& ctx, std::vector<std::string>& args) {
  if (!args.empty()) throw std::invalid_argument("лишний аргумент '" + args.front() + "'");
  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  if (!link->GetInfo()) {
    if (!link->LinkError().empty()) return ctx.Conclude(kExitFailed);
    std::cerr << "Блок Orvantis не отвечает\n";
    return kExitNoUnit;
  }
  const TBootState& boot = link->BootState;
  Line("Модель:          ", ModelName(boot.DeviceInfo.Kind));
  Line("Плата:           ", std::to_string(boot.DeviceInfo.PCB));
  std::cout << FormatSerial(DisplaySerial(boot)) << "\n" << FormatBootInfo(boot.VersionInfo) << "\n";
  if (auto m = CoreFwStateText(boot.CoreFwState)) Line("Состояние ядра:  ", *m);
  if (auto m = CanFwStateText(boot.CanFwState)) Line("Состояние CAN:   ", *m);

  bool complete = true;
  if (link->GetCoreInfo()) {
    const TCoreInfo& ci = link->CoreInfo;
    Line("Ядро:            ", CreateCoreName(ci.DeviceInfo, ci.CoreID, TextOf(ci.TextInfo, sizeof ci.TextInfo)));
  } else {
    Line("Ядро:            ", "?");
    complete = false;
  }
  if (link->GetBoot2Rec()) {
    if (link->Boot2Rec.HasAuxiliary()) {
      if (link->GetCore2Info()) {
        const TCore2Info& c2 = link->Core2Info;
        Line("Доп. процессор:  ", CreateCoreName(c2.FirmwareInfo.DeviceInfo, c2.FirmwareInfo.VersionInfo,
                                                   TextOf(c2.TextInfo, sizeof c2.TextInfo)));
      } else {
        Line("Доп. процессор:  ", "?");
        complete = false;
      }
      if (auto m = Mpu2ErrorText(link->Boot2Rec.FwError)) Line("Ошибка MPU2:     ", *m);
    }
  } else {
    complete = false;
  }
  if (link->GetCanFwInfo()) {
    Line("CAN-прошивка:    ", TextOf(link->CanFwInfo.TextInfo, sizeof link->CanFwInfo.TextInfo));
  } else {
    Line("CAN-прошивка:    ", "?");
    complete = false;
  }
  if (link->GetVersionDevices()) {
    const TVersionDevices& vd = link->VersionDevices;
    Line("Брелок Hestor:   ", vd.Hestor ? "v" + std::to_string(vd.Hestor) : std::string("нет"));
    Line("Модуль запуска:  ", vd.RStart ? "v" + std::to_string(vd.RStart) : std::string("нет"));
  } else {
    complete = false;
  }
  if (!complete) {
    std::cerr << "Не все сведения о блоке получены\n";
    return kExitFailed;
  }
  return kExitOk;
}

CommandRegistrar reg{{"info", "info                 модель, серийный номер и прошивки блока", RunInfo}};

}  // namespace
}  // namespace orv::cli

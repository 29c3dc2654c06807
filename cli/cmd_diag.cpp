// diag: watches the unit's diagnostic record live, one block per record.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "diag/diag_base_view.h"
#include "diag/diag_texts.h"
#include "diag/orv_diag.h"
#include "pages/model/rstart_diag.h"
#include "pages/model/connections_live.h"
#include "settings/config_data.h"
#include "settings/mem_items.h"

namespace orv::cli {
namespace {

constexpr long long kMinInterval = 10;
constexpr long long kMaxInterval = 600000;
constexpr uint32_t kMinSilenceMs = 3000;  // no record for this long (and ten intervals): the unit is silent

std::string Join(const std::vector<std::string>& items) {
  if (items.empty()) return "—";
  std::string out;
  for (const auto& s : items) out += (out.empty() ? "" : ", ") + s;
  return out;
}

void Line(std::ostream& out, const char* caption, const std::string& value) {
  // Captions are Cyrillic: pad by characters, not bytes.
  std::string c = caption;
  size_t chars = 0;
  for (unsigned char ch : c) chars += (ch & 0xC0) != 0x80;
  if (chars < 27) c.append(27 - chars, ' ');
  out << "  " << c << value << "\n";
}

std::string RadioText(const TRStartValues& v) {
  if (v.DiagKind() == dkBase) return "н/д";
  if (!v.RStartOnline()) return "?";
  const TRadioLink link = RadioLink(v.RSRSSIValue(), v.RSLinkQualityValue());
  return link.word + " (" + link.pair + ")";
}

void PrintBlock(std::ostream& out, long long number, const TDiagBytes& bytes, bool raw) {
  const TExtendDiagRec rec = ParseDiag(bytes);
  const TDiagRec& d = rec.Diag;
  const TRStartValues rs(rec);
  out << "Запись " << number << ", вид " << static_cast<int>(rec.Kind) << "\n";
  Line(out, "Логические статусы:", Join(LitInputLamps(d)));
  Line(out, "Статусы CAN:", Join(LitCanLamps(d)));
  Line(out, "Одометр [км]:", OdometerText(d.CANData.Odometer));
  Line(out, "Обороты [об/мин]:", RpmText(d.CANData.RPM));
  Line(out, "Скорость [км/ч]:", Padded(d.CANData.Speed, 3));
  Line(out, "Темп.  ОЖ:", CoolantText(d.CANData.CoolantTemp));
  Line(out, "Поворот руля:", Padded(d.CANData.WheelAngle, 5));
  Line(out, "Расход топлива:", Padded(d.CANData.FuelConsumption, 5));
  Line(out, "Уровень топлива:", Padded(d.CANData.FuelLevel, 3));
  Line(out, "Акселератор:", Padded(d.CANData.AcceleratorValue, 3));
  Line(out, "Нажатие тормоза:", Padded(d.CANData.BrakeForce, 3));
  Line(out, "Аналоговый вход 7:", VoltageText(d.ADC.Input7));
  Line(out, "Аналоговый вход 8:", VoltageText(d.ADC.Input8));
  Line(out, "Напряжение питания:", VoltageText(d.ADC.Power));
  Line(out, "Напряжение батареи:", VoltageText(d.ADC.Supply));
  Line(out, "Ток выходов:", OutputCurrentText(d));
  Line(out, "Нагрузка выходов:", OutputLoadText(d));
  Line(out, "Сигнал GSM:", GsmSignalText(d.HILOrssi));
  Line(out, "Модем:", Join(LitModemLamps(d)));
  Line(out, "GPS:", Join(LitGpsLamps(d)));
  Line(out, "Спутники, точность:", std::to_string(d.GPSSVN) + ", " + HdopText(d.GPSHDOP));
  Line(out, "Режим модуля запуска:", rs.RStartStage());
  Line(out, "Состояние модуля запуска:", rs.RStartState());
  Line(out, "Состояние автозапуска:", rs.RStartSysState());
  Line(out, "Температура салона:", rs.CabinTemp());
  Line(out, "Температура двигателя:", rs.EngineTemp());
  Line(out, "Обороты двигателя:", rs.TachoPercent());
  Line(out, "Связь с модулем запуска:", RadioText(rs));
  const TRStartDiagView rsView = TRStartDiagView::From(bytes);
  Line(out, "Модуль запуска, состояние:", Join(rsView.LitCaptions(0)));
  Line(out, "Модуль запуска, входы:", Join(rsView.LitCaptions(1)));
  Line(out, "Модуль запуска, выходы:", Join(rsView.LitCaptions(2)));
  if (DiagKindOf(rec.Kind) >= dkAutoStart3) {
    Line(out, "Метка 1:", Join(LitTagLamps(rec.StateDevices, 1)));
    Line(out, "Метка 2:", Join(LitTagLamps(rec.StateDevices, 2)));
    Line(out, "Беспроводные реле:", Join(LinkedRelays(rec.StateDevices)));
  }
  if (raw) {
    for (size_t i = 0; i < bytes.size(); i += 16) {
      char buf[8];
      std::string row = "  ";
      for (size_t j = i; j < std::min(bytes.size(), i + 16); ++j) {
        std::snprintf(buf, sizeof buf, "%.2x ", bytes[j]);
        row += buf;
      }
      row.pop_back();
      out << row << "\n";
    }
  }
  out << "\n";
}

// A record as the connections page's live sub-pages show it.
void PrintPageBlock(std::ostream& out, long long number, TConnectionsLive& live, const TDiagBytes& bytes) {
  live.Show(bytes);
  out << "Запись " << number << ", вид " << static_cast<int>(live.Record().Kind) << "\n";
  out << "Диагностика\n";
  for (const auto& line : live.Lines(false)) out << line << "\n";
  out << "Метки и реле\n";
  for (const auto& line : live.Lines(true)) out << line << "\n";
  out << "\n";
}

// What the page knows before its first record: the unit, the core's stamp and
// the alarm supply level of the main settings.
bool PageContext(TOrvantis& link, TConnectionsLive& live) {
  TConnectionsLive::Context c;
  if (!link.GetInfo() || !link.GetCoreInfo()) return false;
  std::vector<uint8_t> config(kRegionSize[kRegionConfig]);
  if (!link.ReadROM(config.data(), kRegionAddr[kRegionConfig], kRegionSize[kRegionConfig])) return false;
  c.unit = {link.OnLine(), link.BootState.DeviceInfo.Kind, link.BootState.DeviceInfo.PCB};
  c.coreId = link.CoreInfo.CoreID;
  c.alarmPowerLevel = UpdateConfig(config).AlarmPowerLevel;
  live.SetContext(c);
  return true;
}

int RunDiag(Context& ctx, std::vector<std::string>& args) {
  const bool raw = TakeFlag(args, "--raw");
  const bool page = TakeFlag(args, "--page");
  uint32_t interval = TDiagThread::kDefaultInterval;
  long long count = 0;  // 0: until interrupted
  if (auto v = TakeValue(args, "--interval")) {
    auto n = ParseInt(*v, kMinInterval, kMaxInterval);
    if (!n) throw std::invalid_argument("--interval: нужно число миллисекунд от 10 до 600000");
    interval = static_cast<uint32_t>(*n);
  }
  if (auto v = TakeValue(args, "--count")) {
    auto n = ParseInt(*v, 1, 1000000000LL);
    if (!n) throw std::invalid_argument("--count: нужно число от 1 до 1000000000");
    count = *n;
  }
  if (!args.empty()) throw std::invalid_argument("лишний аргумент '" + args.front() + "'");
  if (page && interval != 200 && interval != 500 && interval != 1000)
    throw std::invalid_argument("--page: страница опрашивает блок каждые 200, 500 или 1000 мс");
  if (page && raw) throw std::invalid_argument("--page и --raw несовместимы");

  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  TOrvDiag& diag = *link->Diag();
  TConnectionsLive live;
  if (page && !PageContext(*link, live)) {
    std::cerr << "Блок Orvantis не отвечает\n";
    return kExitFailed;
  }

  using Clock = std::chrono::steady_clock;
  const auto silence = std::chrono::milliseconds(std::max<uint32_t>(kMinSilenceMs, 10 * interval));
  auto lastRecord = Clock::now();
  long long shown = 0;
  // Runs on this thread: the poller hands records to the link's owner thread.
  diag.SetDiagProc([&](TOrvDiag* sender) {
    if (!link->OnLine()) return;  // the empty record that follows a removal
    if (page) PrintPageBlock(std::cout, ++shown, live, sender->RawData());
    else PrintBlock(std::cout, ++shown, sender->RawData(), raw);
    std::cout.flush();
    lastRecord = Clock::now();
  });
  diag.SetDiagInterval(interval);
  diag.SetDiagMode(dmRepeat);

  int rc = kExitOk;
  for (;;) {
    link->ProcessHIDMessages();
    if (count && shown >= count) break;
    if (!link->OnLine()) {
      std::cerr << "Блок Orvantis отключен\n";
      rc = kExitNoUnit;
      break;
    }
    const auto now = Clock::now();
    if (now - lastRecord >= silence) {
      std::cerr << "Блок Orvantis не отвечает\n";
      rc = kExitFailed;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(lastRecord + silence - now).count();
    link->WaitForNotice(static_cast<uint32_t>(std::clamp<long long>(left, 1, 1000)));
  }
  diag.SetDiagProc(nullptr);
  diag.SetDiagMode(dmStop);
  return rc;
}

CommandRegistrar reg{{"diag", "diag [--interval MS] [--count N] [--raw | --page]  диагностические записи блока в реальном времени;\n"
                          "                   --page: как их показывает страница подключений (MS 200, 500 или 1000)", RunDiag}};

}  // namespace
}  // namespace orv::cli

// show FILE | show --unit: the main settings in readable form: every option
// flag with its caption and state, the time-outs, phones, USSD and levels, and
// the GPRS access; the PIN masked.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "settings/config_data.h"
#include "settings/file_io.h"
#include "settings/internet_fields.h"
#include "settings/option_flags.h"
#include "settings/settings_session.h"
#include "settings/settings_stream.h"

namespace orv::cli {
namespace {

std::string Printf(const char* fmt, int v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

// Sensitivity sliders show 10 - value: "+5".."+1", "норма", "-1".."-5".
std::string SensitivityLabel(uint8_t value) {
  const int p = 10 - std::min<int>(value, 10);
  return p <= 4 ? Printf("+%d", 5 - p) : p == 5 ? "норма" : Printf("%d", 5 - p);
}

// Microphone and speaker: level code -> slider position -> "+3".."норма".."-3".
std::string LevelLabel(uint8_t code) {
  const int p = LevelCodeToPosition(code);
  return p <= 2 ? Printf("+%d", 3 - p) : p == 3 ? "норма" : Printf("%d", 3 - p);
}

std::string OrEmpty(const std::string& s) { return s.empty() ? "(не задан)" : s; }

void Row(std::ostream& out, const std::string& caption, const std::string& value) {
  out << "  " << caption << ": " << value << "\n";
}

void PrintSettings(const TMemItems& items, std::ostream& out) {
  const TConfigData c = UpdateConfig(items[kRegionConfig].Bytes());

  out << "Опции\n";
  for (size_t cat = 0; cat < kOptionCategories.size(); ++cat) {
    bool header = false;
    for (const OptionFlag& f : kOptionFlags) {
      if (static_cast<size_t>(f.group) != cat) continue;
      if (!header) out << "  " << kOptionCategories[cat] << "\n", header = true;
      out << "    [" << (c.Flag(f.flag) ? 'x' : ' ') << "] " << f.caption << " (флаг " << f.flag
          << (f.hidden ? ", скрыт" : f.disabled ? ", недоступен" : "") << ")\n";
    }
  }
  std::string others;
  for (int n = 0; n < 256; ++n)
    if (!FindOptionFlag(n) && c.Flag(n)) others += (others.empty() ? "" : " ") + std::to_string(n);
  if (!others.empty()) out << "  Прочие включенные флаги: " << others << "\n";

  out << "Тайм-ауты\n";
  Row(out, "Задержка автопостановки", Printf("%d c", c.SelfArmTime));
  Row(out, "Напоминание о невозможности автопостановки",
      c.SelfArmRemindTime / 60 <= 0 ? "выкл" : Printf("%d мин", c.SelfArmRemindTime / 60));
  Row(out, "Окончание поездки", Printf("%d мин", c.InRoadTimeout / 60));
  Row(out, "Длительность тревоги", Printf("%d c", c.alarmTime));
  Row(out, "Ожидание ответа абонента", Printf("%d c", c.gsmWaitAnswerTimeout));
  Row(out, "Завершение звонка", Printf("%d c", c.gsmHangUpTimeout));
  Row(out, "Период запроса данных диагностики", Printf("%d c", c.diagTime));
  Row(out, "Успокоение датчика удара", Printf("%d c", c.ShockDisableTime));
  Row(out, "Работа двигателя при автозапуске", Printf("%d мин", c.timeRStart));
  Row(out, "Работа двигателя в режиме пит-стоп", c.timePit == 0 ? "без ограничения" : Printf("%d мин", c.timePit));

  out << "Телефоны\n";
  for (size_t i = 0; i < c.Phones.size(); ++i)
    Row(out, "Телефон " + std::to_string(i + 1), OrEmpty(FieldText(c.Phones[i])));
  Row(out, "Сервисный номер", OrEmpty(FieldText(c.phoneSC)));
  Row(out, "Номер ЭРА", OrEmpty(FieldText(c.phoneERA)));
  Row(out, "Номер устройства", OrEmpty(FieldText(c.phoneSelf)));
  Row(out, "USSD-запрос баланса", OrEmpty(FieldText(c.USSD)));

  out << "Уровни\n";
  Row(out, "Датчик удара, зона предупреждения", SensitivityLabel(c.shockNSensivity));
  Row(out, "Датчик удара, зона тревоги", SensitivityLabel(c.shockASensivity));
  Row(out, "Датчик движения и наклона", SensitivityLabel(c.motionSensivity));
  Row(out, "Чувствительность микрофона", LevelLabel(c.Mic));
  Row(out, "Громкость динамика", LevelLabel(c.FromGSM));
  Row(out, "Усиление сигнала GSM-модема", std::to_string(c.Speaker));
  Row(out, "Усиление голосовых сообщений", std::to_string(c.DAC));
  Row(out, "Усиление выхода на GSM-модем", std::to_string(c.ToGSM));
  char volts[32];
  std::snprintf(volts, sizeof volts, "%4.1f В", c.AlarmPowerLevel / 10.0);
  Row(out, "Тревога при низком напряжении", volts);
  std::snprintf(volts, sizeof volts, "%4.1f В", c.BatteryCharge / 10.0);
  Row(out, "Запуск при напряжении аккумулятора ниже", volts);
  Row(out, "Запуск при температуре двигателя ниже", Printf("%d °С", c.TempEngine));
  Row(out, "Запуск при охлаждении салона ниже", Printf("%d °С", c.TempCabinLow));
  Row(out, "Запуск при нагреве салона выше", Printf("%d °С", c.TempCabinHigh));

  out << "Доступ\n";
  Row(out, "ПИН", "****");
  const TInternetSettings inet = ReadInternetSettings(items[kRegionInternet].Bytes());
  Row(out, "APN", OrEmpty(inet.apn));
  Row(out, "Логин", OrEmpty(inet.login));
  Row(out, "Сервер", OrEmpty(inet.server.host) + ":" + inet.server.port);
}

int RunShow(Context& ctx, std::vector<std::string>& args) {
  const bool fromUnit = TakeFlag(args, "--unit");
  if (fromUnit == (args.size() == 1) || args.size() > 1)
    throw std::invalid_argument("укажите файл настроек или --unit");

  if (!fromUnit) {
    // A file needs no unit: read it straight into a fresh image.
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadWholeFile(args.front(), 16u << 20, bytes, reason)) {
      std::cerr << "Не удалось открыть файл настроек \"" << args.front() << "\": " << reason << "\n";
      return kExitFailed;
    }
    if (!StreamLayoutFits(bytes)) {
      std::cerr << kCorruptSettingsFile << "\n";
      return kExitFailed;
    }
    TMemItems items = CreateMemItems();
    const StreamReadResult res = ReadOptionsFromStream(bytes, nullptr, items);
    if (!res.message.empty()) std::cerr << res.message << "\n";
    if (res.unsupported || res.version < 0) return kExitFailed;
    if (!regionmask::Has(res.mask, kRegionConfig)) {
      std::cerr << "В файле нет основных настроек\n";
      return kExitFailed;
    }
    PrintSettings(items, std::cout);
    return res.Ok() ? kExitOk : kExitFailed;
  }

  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  std::ostringstream log, progress;  // the read's own lines stay out of the listing
  ConsoleStatus status(log, progress, false);
  ConsolePrompts prompts(ConsolePrompts::Mode::kNo);
  ConsoleSession console(*link, status, prompts);
  TSettingsSession& session = console.session;
  if (!session.ReadOptions()) {
    std::cerr << TerminalText(log.str()) << "Настройки не прочитаны\n";
    return kExitFailed;
  }
  PrintSettings(session.MemItems, std::cout);
  return kExitOk;
}

CommandRegistrar reg{{"show", "show ФАЙЛ | --unit   основные настройки в читаемом виде", RunShow}};

}  // namespace
}  // namespace orv::cli

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/version.h"
#include "cli/cli.h"
#include "sim/fault_plan.h"
#include "sim/sim_options.h"

namespace orv::cli {

namespace {

std::vector<Command>& Table() {
  static std::vector<Command> table;
  return table;
}

int Usage(std::ostream& out, int rc) {
  out << "использование: orvantis-cli [общие параметры] КОМАНДА [параметры]\n\n"
         "общие параметры:\n"
         "  --sim MODEL      встроенный имитатор блока модели 1..4\n"
         "  --pcb N          ревизия платы имитатора (по умолчанию 18)\n"
         "  --serial N       серийный номер имитатора (по умолчанию 1234)\n"
         "  --faults SPEC    неисправности имитатора (см. 'orvantis-sim faults')\n"
         "  --timing-ms N    период USB-отчётов имитатора, мс (по умолчанию 0)\n"
         "  --sim-settings FILE  имитатор начинает с настроек из этого файла\n"
         "  --core-date DD.MM.YYYY  дата сборки ядра имитатора\n"
         "  --diag-file FILE  имитатор отвечает на запросы диагностики содержимым FILE\n"
         "  --bus DIR        виртуальная шина HID в папке DIR (или ORVANTIS_BUS)\n"
         "                   без --sim и --bus: блок, подключенный по USB\n"
         "  --busy-wait S    сколько секунд ждать блок, занятый другой программой\n"
         "                   (по умолчанию 30)\n"
         "  --trace          трассировка обмена с блоком в stderr\n"
         "  --server URL     сервер производителя (или ORVANTIS_SERVER)\n"
         "  --ca FILE        доверять серверу только по этому сертификату УЦ, PEM (или ORVANTIS_CA_FILE)\n"
         "  --proxy HOST[:PORT]  прокси-сервер для запросов к серверу (или ORVANTIS_PROXY;\n"
         "                   порт по умолчанию 8080)\n"
         "  --proxy-user LOGIN  имя пользователя прокси; пароль берётся из ORVANTIS_PROXY_PASSWORD\n"
         "  --version        версия программы\n\nкоманды:\n";
  for (const auto& c : Commands()) out << "  " << c.synopsis << "\n";
  out << "\nкоды завершения:\n"
         "  0  успешно\n"
         "  1  операция не выполнена (ошибка обмена, файла или блока)\n"
         "  2  неверные параметры командной строки\n"
         "  3  блок не найден или не отвечает\n"
         "  4  отменено пользователем\n"
         "  5  настройки записаны в блок, но не синхронизированы с ЛК (apply)\n"
         "  6  устройство занято другой программой\n";
  return rc;
}

}  // namespace

CommandRegistrar::CommandRegistrar(Command command) { Table().push_back(command); }
const std::vector<Command>& Commands() { return Table(); }

bool TakeFlag(std::vector<std::string>& args, const std::string& flag) {
  for (auto it = args.begin(); it != args.end(); ++it)
    if (*it == flag) {
      args.erase(it);
      return true;
    }
  return false;
}

std::optional<std::string> TakeValue(std::vector<std::string>& args, const std::string& option) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == option) {
      if (i + 1 >= args.size()) throw std::invalid_argument("параметру " + option + " нужно значение");
      std::string v = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      return v;
    }
    if (args[i].rfind(option + "=", 0) == 0) {
      std::string v = args[i].substr(option.size() + 1);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return v;
    }
  }
  return std::nullopt;
}

std::optional<long long> ParseInt(const std::string& text, long long lo, long long hi) {
  if (text.empty()) return std::nullopt;
  size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(text, &used, 10);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (used != text.size() || v < lo || v > hi) return std::nullopt;
  return v;
}

int Main(int argc, char** argv) {
  // The C library's own messages in the user's language where the system has
  // them; numbers keep "." as the decimal separator.
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  std::vector<std::string> args(argv + 1, argv + argc);
  GlobalOptions opts;
  if (const char* bus = std::getenv("ORVANTIS_BUS"); bus && *bus) opts.bus = bus;
  try {
    // Global options come before the command.
    while (!args.empty() && args.front().rfind("--", 0) == 0) {
      const std::string opt = args.front();
      if (opt == "--help") return Usage(std::cout, kExitOk);
      if (opt == "--version") {
        std::cout << VersionBanner("orvantis-cli") << "\n";
        return kExitOk;
      }
      if (opt == "--trace") {
        opts.trace = true;
        args.erase(args.begin());
        continue;
      }
      static const char* const kValued[] = {"--sim",         "--pcb",       "--serial",    "--timing-ms",
                                             "--faults",      "--bus",       "--busy-wait", "--sim-settings",
                                             "--core-date",   "--diag-file", "--server",    "--ca",
                                             "--proxy",       "--proxy-user"};
      if (std::find(std::begin(kValued), std::end(kValued), opt) == std::end(kValued))
        throw std::invalid_argument("неизвестный параметр " + opt);
      auto value = TakeValue(args, opt);
      auto number = [&](long long lo, long long hi) {
        auto n = ParseInt(*value, lo, hi);
        if (!n) throw std::invalid_argument(opt + ": нужно число от " + std::to_string(lo) + " до " + std::to_string(hi));
        return *n;
      };
      if (opt == "--sim") opts.simModel = static_cast<int>(number(1, 4));
      else if (opt == "--pcb") opts.pcb = static_cast<int>(number(0, 255));
      else if (opt == "--serial") opts.serial = static_cast<uint32_t>(number(0, 4294967295LL));
      else if (opt == "--timing-ms") opts.timingUs = static_cast<unsigned>(number(0, 1000) * 1000);
      else if (opt == "--faults") {
        sim::FaultPlan::Parse(*value);  // reject bad fault rules before anything starts
        opts.faults = *value;
      } else if (opt == "--bus") opts.bus = *value;
      else if (opt == "--busy-wait") opts.busyWaitMs = static_cast<uint32_t>(number(0, 3600) * 1000);
      else if (opt == "--sim-settings") opts.simSettings = *value;
      else if (opt == "--core-date") {
        if (!sim::ParseCoreDate(*value)) throw std::invalid_argument("--core-date: нужна дата ДД.ММ.ГГГГ");
        opts.coreDate = *value;
      } else if (opt == "--diag-file") {
        std::vector<uint8_t> reply;
        std::string error;
        if (!sim::LoadDiagReply(*value, reply, error)) throw std::invalid_argument("--diag-file: " + error);
        opts.diagFile = *value;
      }
      else if (opt == "--server") opts.server = *value;
      else if (opt == "--ca") opts.ca = *value;
      else if (opt == "--proxy") opts.proxy = *value;
      else if (opt == "--proxy-user") opts.proxyUser = *value;
      else throw std::invalid_argument("неизвестный параметр " + opt);
    }
  } catch (const std::invalid_argument& e) {
    std::cerr << "orvantis-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  if (args.empty()) return Usage(std::cerr, kExitUsage);
  const std::string name = args.front();
  args.erase(args.begin());
  for (const auto& c : Commands()) {
    if (name != c.name) continue;
    Context ctx(opts);
    try {
      return ctx.Conclude(c.run(ctx, args));
    } catch (const std::invalid_argument& e) {
      std::cerr << "orvantis-cli " << name << ": " << e.what() << "\n";
      return kExitUsage;
    }
  }
  std::cerr << "orvantis-cli: неизвестная команда '" << name << "'\n";
  return Usage(std::cerr, kExitUsage);
}

}  // namespace orv::cli

int main(int argc, char** argv) { return orv::cli::Main(argc, argv); }

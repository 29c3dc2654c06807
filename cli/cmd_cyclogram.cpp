// cyclogram FILE | --unit [--width W]: the start cyclogram of the remote-start
// settings as text: the six header values of the preview window, the x ranges
// of the six sections for a drawing W pixels wide (left edge 215, as in the
// window), and per physical output its level at the start of each section
// followed by the pulses drawn there ("level:ms").
#include <iostream>
#include <sstream>

#include "cli/cli.h"
#include "cli/console_status.h"
#include "pages/model/page_models.h"
#include "pages/model/rstart_cyclogram.h"
#include "pages/model/rstart_page.h"
#include "settings/file_io.h"
#include "settings/settings_session.h"
#include "settings/settings_stream.h"

namespace orv::cli {
namespace {

constexpr int kLeft = 215;        // column 0 of the window's grid (214) + 1
constexpr int kDefaultWidth = 990;

void Print(const TMemItems& items, const TRStartUnit& unit, int width, std::ostream& out) {
  // Questions of the load go to stderr and are answered "Нет": nothing is written.
  ConsolePrompts prompts(ConsolePrompts::Mode::kNo, std::cin, std::cerr, std::cerr);
  TPageEnv env;
  env.prompts = &prompts;
  TPageModels pages(env);
  auto* rs = pages.ModelAs<TRStartPageModel>("RStartFrame");
  rs->UnitInfo = [unit] { return unit; };
  TMemItems copy = items;
  pages.LoadData(copy);

  const TRStartModel& m = rs->Model();
  int runMinutes = 0;
  if (TPageModel* options = pages.Model("OptionsFrame"); options && options->Find("tbRStartTime") >= 0)
    runMinutes = options->State(static_cast<size_t>(options->Find("tbRStartTime"))).value;
  const TSeqAllData data = BuildSeqAllData(m.Config());
  const uint32_t delay = static_cast<uint32_t>(m.GetSlider(TRStartModel::kTimeAfterKeyIn).pos) * 500;
  for (const auto& [caption, value] : CycloHeader(data, delay, runMinutes)) out << caption << ": " << value << "\n";

  const TCycloOptions opt{m.IsSSB(), m.Ign2OffOnCrank(), m.SSBOn() == TSSBOnType::kAuto};
  const TSections s(m.Config(), opt, kLeft, width, 46);
  out << "Секции:";
  for (int q = 0; q < kCycloSections; ++q) out << " " << s.At(0, q).Bounds.left << "-" << s.At(0, q).Bounds.right;
  out << "\n";
  for (int r = 0; r < kRSOutputs; ++r) {
    out << r << ":";
    for (int q = 0; q < kCycloSections; ++q) {
      const TSection& sec = s.At(r, q);
      out << (q ? " | " : " ") << (sec.FState ? 1 : 0);
      for (int i = 0; i < sec.FDataLen; ++i) {
        const uint16_t w = sec.FData[static_cast<size_t>(i)];
        out << " " << (pulse::On(w) ? 1 : 0) << ":" << pulse::Duration(w);
      }
    }
    out << "\n";
  }
}

int RunCyclogram(Context& ctx, std::vector<std::string>& args) {
  const bool fromUnit = TakeFlag(args, "--unit");
  int width = kDefaultWidth;
  if (auto w = TakeValue(args, "--width")) {
    auto n = ParseInt(*w, 1, 100000);
    if (!n) throw std::invalid_argument("--width: expected a number from 1 to 100000");
    width = static_cast<int>(*n);
  }
  if (fromUnit == (args.size() == 1) || args.size() > 1)
    throw std::invalid_argument("give either a settings file or --unit");

  if (!fromUnit) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadWholeFile(args.front(), 16u << 20, bytes, reason)) {
      std::cerr << "Не удалось открыть файл настроек \"" << args.front() << "\": " << reason << "\n";
      return kExitFailed;
    }
    TMemItems items = CreateMemItems();
    const StreamReadResult res = ReadOptionsFromStream(bytes, nullptr, items);
    if (!res.message.empty()) std::cerr << res.message << "\n";
    if (!res.Ok()) return kExitFailed;
    if (!regionmask::Has(res.mask, kRegionRStart)) {
      std::cerr << "В файле нет настроек модуля запуска\n";
      return kExitFailed;
    }
    Print(items, TRStartUnit{}, width, std::cout);
    return kExitOk;
  }

  TOrvantis* link = ctx.RequireUnit();
  if (!link) return kExitNoUnit;
  std::ostringstream log, progress;
  ConsoleStatus status(log, progress, false);
  ConsolePrompts prompts(ConsolePrompts::Mode::kNo, std::cin, std::cerr, std::cerr);
  ConsoleSession console(*link, status, prompts);
  if (!console.session.ReadOptions()) {
    std::cerr << TerminalText(log.str()) << "Настройки не прочитаны\n";
    return kExitFailed;
  }
  Print(console.session.MemItems, TRStartUnit{link->OnLine(), link->BootState.DeviceInfo.Kind}, width, std::cout);
  return kExitOk;
}

CommandRegistrar reg{{"cyclogram", "cyclogram FILE | --unit [--width W]   the start cyclogram as text", RunCyclogram}};

}  // namespace
}  // namespace orv::cli

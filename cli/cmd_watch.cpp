// watch: one line per unit plugged in or unplugged, until interrupted or the
// given number of events.
#include <deque>
#include <iostream>

#include "cli/cli.h"
#include "device/hid_hidapi.h"
#include "device/identity.h"

namespace orv::cli {
namespace {

// Longest wait between two looks at the notices; the wait ends at once when
// a notice arrives.
constexpr uint32_t kIdleWaitMs = 60000;

std::string Describe(TOrvantis& link) {
  if (!link.OnLine() || !link.GetInfo()) return "unknown unit (no answer)";
  return ModelName(link.BootState.DeviceInfo.Kind) + ", " + FormatSerial(DisplaySerial(link.BootState));
}

int RunWatch(Context& ctx, std::vector<std::string>& args) {
  long long count = 0;  // 0: until interrupted
  if (auto v = TakeValue(args, "--count")) {
    auto n = ParseInt(*v, 1, 1000000000);
    if (!n) throw std::invalid_argument("--count: нужно число от 1 до 1000000000");
    count = *n;
  }
  if (!args.empty()) throw std::invalid_argument("лишний аргумент '" + args.front() + "'");

  // The callbacks run inside the link's notice delivery; the identity query
  // waits until the delivery is over.
  std::deque<bool> events;  // true: plugged
  ctx.SetPlugCallbacks([&] { events.push_back(true); }, [&] { events.push_back(false); });
  HidController* controller = ctx.Controller();
  if (!controller) return kExitNoUnit;
  if (auto* hid = dynamic_cast<HidapiController*>(controller); hid && !hid->MonitorError().empty())
    std::cerr << "Подключение и отключение блока не отслеживаются: " << hid->MonitorError() << "\n";
  TOrvantis& link = ctx.Link();  // a unit plugged in now is the first event

  long long seen = 0;
  for (;;) {
    link.ProcessHIDMessages();
    while (!events.empty()) {
      const bool plugged = events.front();
      events.pop_front();
      if (plugged) std::cout << "plugged: " << Describe(link) << std::endl;
      else std::cout << "unplugged" << std::endl;
      if (count && ++seen >= count) return kExitOk;
    }
    link.WaitForNotice(kIdleWaitMs);
  }
}

CommandRegistrar reg{{"watch", "watch [--count N]    строка при каждом подключении и отключении блока", RunWatch}};

}  // namespace
}  // namespace orv::cli

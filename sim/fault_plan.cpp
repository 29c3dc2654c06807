#include "sim/fault_plan.h"

#include <stdexcept>

namespace orv::sim {

namespace {

struct KindName {
  const char* name;
  FaultKind kind;
};

constexpr KindName kKinds[] = {
    {"drop", FaultKind::kDrop},
    {"crc", FaultKind::kCrc},
    {"len", FaultKind::kLength},
    {"code", FaultKind::kCode},
    {"delay", FaultKind::kDelay},
    {"refuse-unlock", FaultKind::kRefuseUnlock},
    {"fail-erase", FaultKind::kFailErase},
    {"fail-write", FaultKind::kFailWrite},
    {"unplug", FaultKind::kUnplug},
    {"restart", FaultKind::kRestart},
    {"update-code", FaultKind::kUpdateCode},
    {"noise", FaultKind::kNoise},
};

uint64_t ParseNumber(const std::string& text, int base, const std::string& rule) {
  if (text.empty()) throw std::invalid_argument("fault rule '" + rule + "': missing number");
  size_t used = 0;
  unsigned long long v = 0;
  try {
    v = std::stoull(text, &used, base);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size()) throw std::invalid_argument("fault rule '" + rule + "': bad number '" + text + "'");
  return v;
}

FaultRule ParseRule(const std::string& rule) {
  FaultRule r;
  size_t i = 0;
  auto readUntil = [&](const char* stops) {
    const size_t end = rule.find_first_of(stops, i);
    std::string part = rule.substr(i, end == std::string::npos ? std::string::npos : end - i);
    i = end == std::string::npos ? rule.size() : end;
    return part;
  };
  const std::string name = readUntil("=/@x");
  bool known = false;
  for (const auto& k : kKinds)
    if (name == k.name) {
      r.kind = k.kind;
      known = true;
    }
  if (!known) throw std::invalid_argument("unknown fault '" + name + "'");
  while (i < rule.size()) {
    const char tag = rule[i++];
    const std::string part = readUntil("=/@x");
    switch (tag) {
      case '=':
        r.value = static_cast<int>(ParseNumber(part, 0, rule));
        break;
      case '/': {
        const size_t dot = part.find('.');
        r.cmd = static_cast<int>(ParseNumber(part.substr(0, dot), 16, rule));
        if (dot != std::string::npos) r.sub = static_cast<int>(ParseNumber(part.substr(dot + 1), 16, rule));
        if (r.cmd > 0xFF || r.sub > 0xFF) throw std::invalid_argument("fault rule '" + rule + "': code above 0xFF");
        break;
      }
      case '@':
        r.start = ParseNumber(part, 10, rule);
        if (r.start == 0) throw std::invalid_argument("fault rule '" + rule + "': @ counts from 1");
        break;
      case 'x':
        r.count = part == "*" ? 0 : ParseNumber(part, 10, rule);
        if (part != "*" && r.count == 0) throw std::invalid_argument("fault rule '" + rule + "': x0 applies nowhere");
        break;
      default:
        throw std::invalid_argument("fault rule '" + rule + "': unexpected '" + std::string(1, tag) + "'");
    }
  }
  return r;
}

}  // namespace

FaultPlan FaultPlan::Parse(const std::string& rules) {
  FaultPlan plan;
  std::string clean;
  for (char c : rules)
    if (c != ' ' && c != '\t') clean.push_back(c);
  size_t pos = 0;
  while (pos < clean.size()) {
    const size_t comma = clean.find(',', pos);
    const std::string rule = clean.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    if (!rule.empty()) plan.Add(ParseRule(rule));
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return plan;
}

void FaultPlan::Add(FaultRule rule) {
  std::lock_guard<std::mutex> g(mutex_);
  rules_.push_back(rule);
}

void FaultPlan::Clear() {
  std::lock_guard<std::mutex> g(mutex_);
  rules_.clear();
}

bool FaultPlan::Empty() const {
  std::lock_guard<std::mutex> g(mutex_);
  return rules_.empty();
}

std::vector<ActiveFault> FaultPlan::Match(uint8_t cmd, int sub) {
  std::lock_guard<std::mutex> g(mutex_);
  std::vector<ActiveFault> out;
  for (auto& r : rules_) {
    if (r.cmd >= 0 && r.cmd != cmd) continue;
    if (r.sub >= 0 && r.sub != sub) continue;
    ++r.seen;
    if (r.seen >= r.start && (r.count == 0 || r.seen < r.start + r.count)) out.push_back({r.kind, r.value});
  }
  return out;
}

const char* FaultPlan::KindName(FaultKind kind) {
  for (const auto& k : kKinds)
    if (k.kind == kind) return k.name;
  return "?";
}

std::string FaultPlan::Help() {
  return "faults: RULE[,RULE...], RULE = KIND[=VALUE][/CMD[.SUB]][@START][xCOUNT|x*]\n"
         "  kinds: drop, crc, len, code, delay=MS, refuse-unlock[=STATUS], fail-erase, fail-write,\n"
         "         unplug, restart=MS, update-code=N, noise=REPORTS\n"
         "  CMD, SUB: hexadecimal (55.05 = settings read); START counts matching requests from 1\n";
}

std::optional<int> FindFault(const std::vector<ActiveFault>& faults, FaultKind kind) {
  for (const auto& f : faults)
    if (f.kind == kind) return f.value;
  return std::nullopt;
}

}  // namespace orv::sim

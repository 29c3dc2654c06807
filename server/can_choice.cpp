#include "server/can_choice.h"

#include <algorithm>

namespace orv::can {
namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

template <class T>
bool InRange(int i, const std::vector<T>& v) {
  return i >= 0 && static_cast<size_t>(i) < v.size();
}

}  // namespace

SplitDescription CutManualLink(const std::string& description) {
  const size_t at = Lower(description).find("http");
  if (at == std::string::npos) return {{}, description};
  size_t end = at;
  while (end < description.size() && !Blank(description[end])) ++end;
  std::string before = description.substr(0, at);
  std::string after = description.substr(end);
  while (!before.empty() && Blank(before.back())) before.pop_back();
  size_t a = 0;
  while (a < after.size() && Blank(after[a])) ++a;
  after.erase(0, a);
  return {description.substr(at, end - at), before + (!before.empty() && !after.empty() ? " " : "") + after};
}

void CanChoice::SetTree(const CanTree* tree) {
  tree_ = tree;
  make_ = -1;
  ChooseMake(tree && !tree->makes.empty() ? 0 : -1);
}

const Make* CanChoice::CurMake() const {
  return tree_ && InRange(make_, tree_->makes) ? &tree_->makes[static_cast<size_t>(make_)] : nullptr;
}
const Model* CanChoice::CurModel() const {
  const Make* m = CurMake();
  return m && InRange(model_, m->models) ? &m->models[static_cast<size_t>(model_)] : nullptr;
}
const Period* CanChoice::CurPeriod() const {
  const Model* m = CurModel();
  return m && InRange(period_, m->periods) ? &m->periods[static_cast<size_t>(period_)] : nullptr;
}
const Firmware* CanChoice::Chosen() const {
  const Period* p = CurPeriod();
  return p && InRange(firmware_, p->firmware) ? &p->firmware[static_cast<size_t>(firmware_)] : nullptr;
}

void CanChoice::ClearFirmware() {
  firmware_ = -1;
  FCanId.clear();
  FTechManuallLink.clear();
  FCANDescription.clear();
  AnalogFWSelected = false;
}

void CanChoice::ChooseMake(int index) {
  make_ = tree_ && InRange(index, tree_->makes) ? index : -1;
  model_ = period_ = -1;
  ClearFirmware();
  if (make_ > 0) ChooseModel(0);
}

void CanChoice::ChooseModel(int index) {
  const Make* m = CurMake();
  model_ = make_ > 0 && m && InRange(index, m->models) ? index : -1;
  period_ = -1;
  ClearFirmware();
  if (model_ >= 0) ChoosePeriod(0);
}

void CanChoice::ChoosePeriod(int index) {
  const Model* m = CurModel();
  period_ = m && InRange(index, m->periods) ? index : -1;
  ClearFirmware();
  if (period_ >= 0) ChooseFirmware(0);
}

bool CanChoice::ChooseFirmware(int index) {
  ClearFirmware();
  error_.clear();
  const Period* p = CurPeriod();
  if (!p || !InRange(index, p->firmware)) {
    error_ = choice_text::kBadId;
    return false;
  }
  firmware_ = index;
  const can::Firmware& fw = p->firmware[static_cast<size_t>(index)];
  if (fw.full) {
    FCanId = fw.full->FID;
    const auto split = CutManualLink(fw.full->FDescription);
    FTechManuallLink = split.link;
    FCANDescription = split.text;
  } else {
    FCanId = std::to_string(fw.id);
  }
  AnalogFWSelected = Upper(fw.caption).find("ANALOG") != std::string::npos;
  return true;
}

std::vector<std::string> CanChoice::Makes() const {
  std::vector<std::string> out;
  if (tree_)
    for (const auto& m : tree_->makes) out.push_back(m.name);
  return out;
}
std::vector<std::string> CanChoice::Models() const {
  std::vector<std::string> out;
  if (const Make* m = CurMake(); m && make_ > 0)
    for (const auto& x : m->models) out.push_back(x.name);
  return out;
}
std::vector<std::string> CanChoice::Periods() const {
  std::vector<std::string> out;
  if (const Model* m = CurModel())
    for (const auto& x : m->periods) out.push_back(x.name);
  return out;
}
std::vector<std::pair<std::string, std::string>> CanChoice::Firmware() const {
  std::vector<std::pair<std::string, std::string>> out;
  if (const Period* p = CurPeriod())
    for (const auto& f : p->firmware)
      out.emplace_back(f.caption, f.full ? CutManualLink(f.full->FDescription).text : std::string());
  return out;
}

bool ChooseByNames(CanChoice& choice, const std::string& make, const std::string& model, const std::string& period) {
  auto find = [](const std::vector<std::string>& names, const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i)
      if (EqualNoCase(names[i], name)) return static_cast<int>(i);
    return -1;
  };
  const int mk = find(choice.Makes(), make);
  if (mk <= 0) return false;
  choice.ChooseMake(mk);
  const int md = find(choice.Models(), model);
  if (md < 0) return false;
  choice.ChooseModel(md);
  const int pd = find(choice.Periods(), period);
  if (pd < 0) return false;
  choice.ChoosePeriod(pd);
  return true;
}

}  // namespace orv::can

// Recording and scripted implementations of the workflows' seams for tests.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/seams.h"
#include "settings/workflow_hooks.h"

namespace orv::test {

class RecordingStatus final : public Status {
 public:
  struct Event {
    std::string kind;  // start, finish, log, panel, progress, status
    std::string text;
    int value = 0;     // result code, percent or status code
  };
  void StartAction(const std::string& msg, const std::string& = {}) override { events.push_back({"start", msg}); }
  void FinishAction(uint8_t code, const std::string& msg) override { events.push_back({"finish", msg, code}); }
  void Display(const std::string& msg, bool panel = false) override { events.push_back({panel ? "panel" : "log", msg}); }
  void Progress(const std::string& text, bool, int percent = -1) override { events.push_back({"progress", text, percent}); }
  void SetStatus(int s) override {
    request = s;
    events.push_back({"status", {}, s});
  }
  int Request() const override { return request; }

  std::vector<std::string> Texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.kind == kind) out.push_back(e.text);
    return out;
  }
  bool Has(const std::string& kind, const std::string& text) const {
    for (const auto& e : events)
      if (e.kind == kind && e.text == text) return true;
    return false;
  }
  std::vector<std::pair<int, std::string>> Finishes() const {
    std::vector<std::pair<int, std::string>> out;
    for (const auto& e : events)
      if (e.kind == "finish") out.emplace_back(e.value, e.text);
    return out;
  }

  std::vector<Event> events;
  int request = 0;
};

class ScriptedPrompts final : public Prompts {
 public:
  Answer WarningDialog(const std::string& msg, const std::vector<std::string>&) override {
    questions.push_back(msg);
    if (answers.empty()) return Answer::kYes;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void MessageBox(const std::string& msg) override { messages.push_back(msg); }
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }

  std::deque<Answer> answers;  // then "Да" for every further question
  std::vector<std::string> questions;
  std::vector<std::string> messages;
};

// Pages that count their calls; hooks let a test act as a page would.
class RecordingPages final : public PagesHook {
 public:
  void LoadData(TMemItems& items) override {
    ++loads;
    if (onLoad) onLoad(items);
  }
  void StoreData(TMemItems& items) override {
    ++stores;
    if (onStore) onStore(items);
  }
  std::optional<TPIN> OptionsPIN() const override { return pin; }
  void SetOptionsPIN(const TPIN& p) override { pin = p; }
  void SetBusy(Button b, bool busy) override { busyCalls.emplace_back(b, busy); }
  bool TakeForceSave() override { return std::exchange(forceSave, false); }
  uint32_t ChangedRegions() const override { return changed; }

  bool forceSave = false;
  uint32_t changed = 0;
  int loads = 0, stores = 0;
  std::optional<TPIN> pin;
  std::function<void(TMemItems&)> onLoad, onStore;
  std::vector<std::pair<Button, bool>> busyCalls;
};

}  // namespace orv::test

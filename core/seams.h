// The narrow interfaces through which the core's workflows reach the user:
// the GUI shows and asks, the CLI prints and answers from its flags, and tests
// record and script.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Result codes of FinishAction.
enum : uint8_t { kResError = 0, kResOk = 1, kResNeutral = 2, kResCancelled = 255 };

class Status {
 public:
  virtual ~Status() = default;
  // A new operation begins: title and, when not empty, a status text.
  virtual void StartAction(const std::string& msg, const std::string& status = {}) = 0;
  // The operation ended: 0 "ОШИБКА", 1 "OK", 255 "Отменено", other codes neutral.
  virtual void FinishAction(uint8_t resCode, const std::string& msg) = 0;
  // Adds lines to the activity log and, when showOnPanel, sets the status line.
  virtual void Display(const std::string& msg, bool showOnPanel = false) = 0;
  // Shows progress text (empty hides it); percent < 0 when unknown. doProcMsg
  // lets the window process its pending events.
  virtual void Progress(const std::string& text, bool doProcMsg, int percent = -1) = 0;
  // Sets the status code of the operation in progress (FRequest).
  virtual void SetStatus(int status) = 0;
  virtual int Request() const = 0;

  void Log(const std::string& msg) { Display(msg, false); }
  // Reports the outcome of a step; the first text is not used.
  void Replace(const std::string& /*msg*/, const std::string& replaceWith, bool showOnPanel = false) {
    Display(replaceWith, showOnPanel);
  }
};

class Prompts {
 public:
  enum class Answer { kYes, kNo, kOk, kCancel };
  virtual ~Prompts() = default;
  // Modal warning with the caption "Внимание!" and the given button captions
  // ("Да"/"Нет", or a single "Закрыть"/"OK"). Returns the pressed button.
  virtual Answer WarningDialog(const std::string& msg, const std::vector<std::string>& captions) = 0;
  // Message box with an OK button (errors raised by workflows end up here).
  virtual void MessageBox(const std::string& msg) = 0;
  // File choice; empty result when cancelled.
  virtual std::string ChooseOpenFile(const std::string& title, const std::string& filter) = 0;
  virtual std::string ChooseSaveFile(const std::string& title, const std::string& filter,
                                     const std::string& suggestedName) = 0;
};

// Answers every question the same way, shows nothing and chooses no file:
// for pages and tools that run where nobody can be asked.
class FixedPrompts final : public Prompts {
 public:
  explicit FixedPrompts(Answer answer = Answer::kNo) : answer_(answer) {}
  Answer WarningDialog(const std::string&, const std::vector<std::string>&) override { return answer_; }
  void MessageBox(const std::string&) override {}
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }

 private:
  Answer answer_;
};

// Keeps the window alive during long work.
class Pump {
 public:
  virtual ~Pump() = default;
  // Handles the events that are pending and returns.
  virtual void Run() = 0;
  // Handles events, waiting for at least one, until an event was handled or
  // Wake() was called. The default only handles what is pending: a pump that
  // cannot wait must be woken often by its owner.
  virtual void WaitAndRun() { Run(); }
  // Ends a WaitAndRun from any thread.
  virtual void Wake() {}
};

}  // namespace orv

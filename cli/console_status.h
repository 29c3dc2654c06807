// Status and Prompts for the terminal: the workflows' actions, log lines and
// results go to standard output, progress and error messages to standard
// error; questions are answered from --yes/--no or asked on the terminal.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "core/seams.h"
#include "pages/model/connections_page.h"
#include "pages/model/page_models.h"
#include "pages/model/rstart_page.h"
#include "settings/settings_session.h"
#include "settings/workflow_hooks.h"

namespace orv::cli {

class ConsoleStatus final : public Status {
 public:
  ConsoleStatus(std::ostream& out, std::ostream& err, bool progressInPlace);
  // Standard output and error; progress overwrites one line when stderr is a terminal.
  ConsoleStatus();

  void StartAction(const std::string& msg, const std::string& status = {}) override;
  void FinishAction(uint8_t resCode, const std::string& msg) override;
  void Display(const std::string& msg, bool showOnPanel = false) override;
  void Progress(const std::string& text, bool doProcMsg, int percent = -1) override;
  void SetStatus(int status) override { request_ = status; }
  int Request() const override { return request_; }

  // The result code of the last FinishAction, or -1 before any.
  int LastResult() const { return lastResult_; }

 private:
  void EndProgressLine();
  std::ostream& out_;
  std::ostream& err_;
  bool inPlace_;
  bool progressShown_ = false;
  std::string lastProgress_;  // not on a terminal: shown once, when progress ends
  int request_ = 0;
  int lastResult_ = -1;
};

class ConsolePrompts final : public Prompts {
 public:
  enum class Mode { kAsk, kYes, kNo };
  ConsolePrompts(Mode mode, std::istream& in, std::ostream& out, std::ostream& err);
  explicit ConsolePrompts(Mode mode);

  Answer WarningDialog(const std::string& msg, const std::vector<std::string>& captions) override;
  void MessageBox(const std::string& msg) override;
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }

  int Messages() const { return messages_; }
  bool Declined() const { return declined_; }  // a question was answered "Нет"

 private:
  Mode mode_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  int messages_ = 0;
  bool declined_ = false;
  bool echo_ = false;  // repeat answers that do not come from a terminal
};

// Terminal form of a text of the core: CR LF and lone CR become LF.
std::string TerminalText(const std::string& text);

// The settings workflows as the terminal runs them: the pages' models load
// and store the regions as in the window (their questions go to `prompts`),
// and a queue only records what the workflows would queue next.
struct ConsoleSession {
  ConsoleSession(TOrvantis& link, Status& status, Prompts& prompts)
      : pages(PagesEnv(env, prompts)), session(link, status, prompts, pages, tasks) {
    AttachRStartUnit(pages, link);
    AttachLink(pages, &link);  // wire names and load questions follow the unit
  }
  TPageEnv env;
  TPageModels pages;
  RecordingTaskQueue tasks;
  TSettingsSession session;

 private:
  static TPageEnv& PagesEnv(TPageEnv& env, Prompts& prompts) {
    env.prompts = &prompts;
    return env;
  }
};

}  // namespace orv::cli

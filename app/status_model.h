// The state behind the window's status panel: operation title, result word,
// status line, activity log and progress text. Workflows report into it
// through the Status seam; the window mirrors it on screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/seams.h"

namespace orv {

class TTasks;

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
constexpr Rgb kColorGray{128, 128, 128};
constexpr Rgb kColorRed{255, 0, 0};
constexpr Rgb kColorGreen{0, 128, 0};
constexpr Rgb kColorTeal{0, 128, 128};

// lbOp, lbRes and lbStatus.
struct StatusPanel {
  std::string op;
  bool opVisible = false;
  std::string res;
  Rgb resColor = kColorGray;
  bool resVisible = false;
  std::string status;
  bool statusVisible = false;
};

struct ProgressState {
  std::string text;
  bool visible = false;
  int percent = -1;  // < 0: unknown
};

// What the window does with the changes.
class StatusView {
 public:
  virtual ~StatusView() = default;
  virtual void PanelChanged(const StatusPanel& panel) = 0;
  virtual void LogCleared() = 0;
  virtual void LogAppended(const std::vector<std::string>& lines, bool scrollToEnd) = 0;
  // doProcMsg: a long loop is running: show the busy cursor.
  virtual void ProgressChanged(const ProgressState& progress, bool doProcMsg) = 0;
  // The operation ended: the busy cursor goes.
  virtual void ActionFinished() = 0;
};

// Splits a log message into lines at each LF; a CR right before an LF is
// dropped, the text after the last LF is a line of its own, and an empty
// message or a trailing LF adds no empty line.
std::vector<std::string> SplitLogLines(const std::string& msg);

class StatusModel final : public Status {
 public:
  static constexpr size_t kLogLimit = 1000;

  StatusModel() = default;
  void SetView(StatusView* view) { view_ = view; }
  // FinishAction clears the queue's CurTask.
  void SetTasks(TTasks* tasks) { tasks_ = tasks; }
  // Progress(..., doProcMsg) lets the window process its events through it.
  void SetPump(Pump* pump) { pump_ = pump; }

  void StartAction(const std::string& msg, const std::string& status = {}) override;
  void FinishAction(uint8_t resCode, const std::string& msg) override;
  void Display(const std::string& msg, bool showOnPanel = false) override;
  void Progress(const std::string& text, bool doProcMsg, int percent = -1) override;
  void SetStatus(int status) override;
  int Request() const override { return FRequest; }

  // Logs "Ошибка при выполнении запроса #N: " and the system's text for the
  // error code, or `defstr` when the system has none.
  void ShowErrorMessage(int errCode, const std::string& defstr);

  // While paused the log does not follow its end.
  bool Paused() const { return FPaused; }
  void SetPaused(bool paused) { FPaused = paused; }

  const StatusPanel& Panel() const { return panel_; }
  // How many actions have been finished so far, and the result code of the
  // action on the panel (neutral while it is open); a workflow wrapper tells
  // from them whether the workflow closed its action itself.
  uint64_t FinishCount() const { return finishCount_; }
  uint8_t LastResult() const { return lastResult_; }
  const std::vector<std::string>& LogLines() const { return log_; }
  const ProgressState& ProgressInfo() const { return progress_; }

 private:
  void PanelChanged();

  StatusView* view_ = nullptr;
  TTasks* tasks_ = nullptr;
  Pump* pump_ = nullptr;
  StatusPanel panel_;
  std::vector<std::string> log_;
  ProgressState progress_;
  int FRequest = 0;
  bool FPaused = false;
  uint64_t finishCount_ = 0;
  uint8_t lastResult_ = kResNeutral;
};

}  // namespace orv

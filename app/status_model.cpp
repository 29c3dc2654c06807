#include "app/status_model.h"

#include <cstring>

#include "app/tasks.h"

namespace orv {

std::vector<std::string> SplitLogLines(const std::string& msg) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < msg.size()) {
    const size_t lf = msg.find('\n', start);
    if (lf == std::string::npos) {
      lines.push_back(msg.substr(start));
      break;
    }
    size_t end = lf;
    if (end > start && msg[end - 1] == '\r') --end;
    lines.push_back(msg.substr(start, end - start));
    start = lf + 1;
  }
  return lines;
}

void StatusModel::PanelChanged() {
  if (view_) view_->PanelChanged(panel_);
}

void StatusModel::StartAction(const std::string& msg, const std::string& status) {
  lastResult_ = kResNeutral;
  panel_.statusVisible = false;
  panel_.res = "...";
  panel_.resColor = kColorGray;
  panel_.resVisible = true;
  panel_.op = msg;
  panel_.opVisible = true;
  if (!status.empty()) {
    panel_.status = status;
    panel_.statusVisible = true;
  }
  PanelChanged();
}

void StatusModel::FinishAction(uint8_t resCode, const std::string& msg) {
  ++finishCount_;
  lastResult_ = resCode;
  switch (resCode) {
    case kResError:
      panel_.res = "ОШИБКА";
      panel_.resColor = kColorRed;
      break;
    case kResOk:
      panel_.res = "OK";
      panel_.resColor = kColorGreen;
      break;
    case kResCancelled:
      panel_.res = "Отменено";
      panel_.resColor = kColorTeal;
      break;
    default:  // neutral: the word stays, only its colour changes
      panel_.resColor = kColorGray;
      break;
  }
  if (!msg.empty()) {
    panel_.status = msg;
    panel_.statusVisible = true;
  }
  if (tasks_) tasks_->SetCurTask(0);
  PanelChanged();
  if (view_) view_->ActionFinished();
}

void StatusModel::Display(const std::string& msg, bool showOnPanel) {
  if (log_.size() > kLogLimit) {
    log_.clear();
    if (view_) view_->LogCleared();
  }
  std::vector<std::string> lines = SplitLogLines(msg);
  if (!lines.empty()) {
    log_.insert(log_.end(), lines.begin(), lines.end());
    if (view_) view_->LogAppended(lines, !FPaused);
  }
  if (showOnPanel) {
    panel_.status = msg;
    panel_.statusVisible = true;
    PanelChanged();
  }
}

void StatusModel::Progress(const std::string& text, bool doProcMsg, int percent) {
  progress_.text = text;
  progress_.visible = !text.empty();
  progress_.percent = progress_.visible ? percent : -1;
  if (view_) view_->ProgressChanged(progress_, doProcMsg);
  if (doProcMsg && pump_) pump_->Run();
}

void StatusModel::SetStatus(int status) {
  FRequest = status;
  switch (status) {
    case 1:
      StartAction("Подключение");
      FinishAction(kResNeutral, "Orvantis не подключен");
      break;
    case 11:
    case 14:
      FinishAction(kResNeutral, "Запуск загрузчика");
      break;
    default:
      break;
  }
}

void StatusModel::ShowErrorMessage(int errCode, const std::string& defstr) {
  std::string text;
  if (errCode > 0) {
    char buf[256];
    // GNU strerror_r returns the text, which may not be in buf.
    const char* s = strerror_r(errCode, buf, sizeof buf);
    if (s && std::strncmp(s, "Unknown error", 13) != 0) text = s;
  }
  if (text.empty()) text = defstr;
  Log("Ошибка при выполнении запроса #" + std::to_string(errCode) + ": " + text);
}

}  // namespace orv

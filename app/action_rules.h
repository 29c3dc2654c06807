// When a top-bar action may run, and what its tooltip says. The window asks
// these rules for every header button whenever the unit comes or goes, a
// workflow starts or ends, or a handler is installed; a disabled button's
// tooltip names the reason.
#pragma once

#include <string>

namespace orv {

namespace action_text {
inline constexpr const char* kOffline = "Orvantis не подключен";
inline constexpr const char* kNoConnectionLog = "Нет соединения с Orvantis";
inline constexpr const char* kBusy = "Недоступно, пока выполняется текущая операция";
inline constexpr const char* kBusyLog = "Команда не выполнена: выполняется другая операция";
inline constexpr const char* kPrintMissing = "Печать настроек недоступна в этой версии конфигуратора";
inline constexpr const char* kUnavailable = "Недоступно";
}  // namespace action_text

struct ActionRule {
  bool needsUnit = false;  // talks to the unit: only while one is attached
  // Text for a button without a handler; empty: the generic one.
  std::string missingHandler;
};

struct ActionContext {
  bool hasHandler = false;
  bool online = false;           // a unit is attached
  bool workflowRunning = false;  // a task or another workflow runs
  bool allowed = true;           // not switched off by DisableButtons
};

struct ActionVerdict {
  bool enabled = false;
  std::string reason;  // why not, when disabled
};

ActionVerdict JudgeAction(const ActionRule& rule, const ActionContext& ctx);

// "hint (shortcut)" and, when disabled, the reason on a line of its own. The
// hint's trailing blanks are not shown.
std::string ActionToolTip(const std::string& hint, const std::string& shortcut, const ActionVerdict& verdict);

}  // namespace orv

#include "app/action_rules.h"

namespace orv {

ActionVerdict JudgeAction(const ActionRule& rule, const ActionContext& ctx) {
  if (!ctx.hasHandler)
    return {false, rule.missingHandler.empty() ? action_text::kUnavailable : rule.missingHandler};
  if (ctx.workflowRunning) return {false, action_text::kBusy};
  if (rule.needsUnit && !ctx.online) return {false, action_text::kOffline};
  if (!ctx.allowed) return {false, ctx.online ? action_text::kBusy : action_text::kOffline};
  return {true, {}};
}

std::string ActionToolTip(const std::string& hint, const std::string& shortcut, const ActionVerdict& verdict) {
  std::string text = hint;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!shortcut.empty()) text += " (" + shortcut + ")";
  if (!verdict.enabled && !verdict.reason.empty()) text += "\n" + verdict.reason;
  return text;
}

}  // namespace orv

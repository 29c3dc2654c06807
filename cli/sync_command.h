// Task 8 as the sync and apply commands run it (cli/cmd_sync.cpp).
#pragma once

#include <functional>

#include "cli/cli.h"
#include "core/seams.h"
#include "pages/model/page_models.h"
#include "server/sync_request.h"
#include "settings/settings_session.h"

namespace orv::cli {

// The unit attached and its identity read (the serial comes from it);
// nullptr, with the reason told and the "nothing sent" line logged, when not.
TOrvantis* IdentifiedUnit(Context& ctx, Status& status);
// Opens the action "Синхронизация настроек" and runs task 8 on the pages'
// state now; `removeWrite` hears of a refusal.
SyncResult SendSettings(Context& ctx, TOrvantis& link, Status& status, Prompts& prompts, TSettingsSession& session,
                        TPageModels& pages, const std::function<void()>& removeWrite);

}  // namespace orv::cli

// The page table: one row per settings page. A new page replaces the creator
// of its row (or adds a row) and includes its model's header here.
#include <array>

#include "pages/model/can_model.h"
#include "pages/model/connections_page.h"
#include "pages/model/impulses_page.h"
#include "pages/model/internet_model.h"
#include "pages/model/messages_model.h"
#include "pages/model/options_model.h"
#include "pages/model/page_models.h"
#include "pages/model/rstart_page.h"

namespace orv {

namespace {

// name, menu caption, export member, load, store and export positions, regions, creator
const std::array<TPageEntry, 7> kPages = {{
    {"OptionsFrame", "Настройки", nullptr, 0, 0, -1, 1u << kRegionConfig, &CreateOptionsModel},
    {"MessagesFrame", "Сообщения", nullptr, 1, 1, -1, 1u << kRegionDelivery, &CreateMessagesModel},
    {"ConnectionsFrame", "Подключение", "conn", 2, 2, 0, (1u << kRegionInputs) | (1u << kRegionThresholds) | (1u << kRegionOutputs), &CreateConnectionsModel},
    {"ImpulsesFrame", "Импульсы", "seqs", 3, 3, 1, 1u << kRegionImpulses, &CreateImpulsesModel},
    {"CANFrame", "CAN", "can", 4, 4, 2, 1u << kRegionCan, &CreateCanModel},
    {"InternetFrame", "Интернет", "internet", 5, 5, 4, 1u << kRegionInternet, &CreateInternetModel},
    {"RStartFrame", "Модуль запуска", "rstart", 6, 6, 3, 1u << kRegionRStart, &CreateRStartModel},
}};

}  // namespace

std::span<const TPageEntry> PageTable() { return kPages; }

}  // namespace orv

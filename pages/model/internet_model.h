// TInternetModel: the Internet page. Sub-page "Настройки" edits the unit's
// GPRS access in region 0 (APN, login, password); its edits are the state,
// the page keeps no copy of the region. Loading checks the unit's server
// connection fields against the factory image and, when they differ, asks
// whether to restore them; the agreed restore is written by the next store
// and the settings are written back at once. Sub-page "Прокси-сервер"
// (expert mode only) holds the configurator's own proxy settings, which the
// window loads and saves with its application settings; they are no unit
// settings, so `show`, `set` and the export leave them out.
#pragma once

#include <string>

#include "pages/model/page_model.h"
#include "settings/internet_fields.h"

namespace orv {

namespace internet_text {
inline constexpr const char* kServerQuestion =
    "Конфигуратор Orvantis обнаружил,\r\nчто настройки, связанные с подключением к серверу, отличаются от "
    "заводских.\r\nЭто может приводить к отсутствию связи с сервером.\r\nВосстановить заводские настройки "
    "подключения?";
}  // namespace internet_text

struct TProxyFields {
  std::string addr, port, login, password;
};

// Whether region 0's four server fields equal the factory image's exactly.
bool CheckServerFields(const TMemItems& items);

class TInternetModel final : public TPageModel {
 public:
  explicit TInternetModel(TPageEnv& env);

  void LoadData(TMemItems& items) override;
  void StoreData(TMemItems& items) override;
  std::string ToJSON() const override;
  void OnHide() override;
  std::vector<std::string> Show() const override;

  std::vector<std::string> SubPages() const override;
  bool SubPageEnabled(int index) const override;
  std::string SelectSubPage(int index) override;
  TControlState State(size_t index) const override;

  bool FRestoreFactoryDefaults = false;
  TProxyFields Proxy() const;
  void SetProxy(const TProxyFields& p);
  std::string Text(std::string_view name) const;

 protected:
  void Apply(size_t index, int value, const std::string& text) override;
  std::string Refuse(size_t index, int value, const std::string& text) const override;

 private:
  std::vector<std::string> text_;
  bool serverFactory_ = true;  // the last load found the factory server fields
};

std::unique_ptr<TPageModel> CreateInternetModel(TPageEnv& env);

}  // namespace orv

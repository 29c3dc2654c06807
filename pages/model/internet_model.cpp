#include "pages/model/internet_model.h"

#include <algorithm>

#include "device/text_codec.h"
#include "settings/factory_images.h"
#include "settings/json_writer.h"

namespace orv {

namespace {

constexpr int kSettings = 0;
constexpr int kProxy = 1;

struct EditRow {
  const char* name;
  const char* caption;
  int subPage;
  int maxLength;
  const char* hint;
};

const EditRow kEdits[] = {
    {"eAPN", "APN", kSettings, 32,
     "Точка доступа для соединения с провайдером по GPRS. Для операторов большой тройки необходимо указать "
     "\"internet\""},
    {"eLogin", "Логин", kSettings, 16,
     "Имя пользователя для соединения с интернет. Для операторов большой тройки оставьте поле пустым"},
    {"ePassword", "Пароль", kSettings, 16,
     "Пароль для соединения с Интернет. Для операторов большой тройки оставьте поле пустым"},
    {"eProxyAddr", "Адрес", kProxy, 128, ""},
    {"eProxyPort", "Порт", kProxy, 5, ""},
    {"eProxyLogin", "Логин", kProxy, 128, ""},
    {"eProxyPassword", "Пароль", kProxy, 128, ""},
};

const char* const kSettingsNote =
    "Поля APN, логин и пароль используются для обеспечения доступа устройства к Интернет через GPRS-соединение.  "
    "Эту информацию можно получить у оператора сотовой связи, выпустившего SIM-карту";
const char* const kProxyNote =
    "Настройки прокси-сервера для доступа в интернет программы \"Конфигуратор Orvantis\". Эти настройки не "
    "относятся к устройству Orvantis";

void PutText(TMemItem& item, TextField f, const std::string& text, size_t bytes) {
  if (f.offset + bytes > item.Size()) throw std::out_of_range("region 0 shorter than its fields");
  PutUnitText(text, item.FData.data() + f.offset, bytes);
}

}  // namespace

bool CheckServerFields(const TMemItems& items) {
  return ReadInternetSettings(items[kRegionInternet].Bytes()).server == FactoryServerFields();
}

TInternetModel::TInternetModel(TPageEnv& env) : TPageModel(env) {
  for (const EditRow& e : kEdits) {
    TControl row = MakeControl(e.name, ControlKind::kEdit, e.caption, e.subPage, 0, e.maxLength);
    row.hint = e.hint;
    controls_.push_back(row);
    if (std::string_view(e.name) == "ePassword") controls_.push_back(MakeControl("lbNote", ControlKind::kNote, kSettingsNote, kSettings));
  }
  controls_.push_back(MakeControl("lbProxyNote", ControlKind::kNote, kProxyNote, kProxy));
  text_.resize(controls_.size());
}

std::vector<std::string> TInternetModel::SubPages() const { return {"Настройки", "Прокси-сервер"}; }

bool TInternetModel::SubPageEnabled(int index) const { return index == kSettings || (index == kProxy && expert_); }

std::string TInternetModel::SelectSubPage(int index) {
  if (index != kSettings && index != kProxy) return {};
  if (!SubPageEnabled(index)) {
    subPage_ = kSettings;
    Changed();
    return page_text::kExpertOnly;
  }
  subPage_ = index;
  Changed();
  return {};
}

std::string TInternetModel::Text(std::string_view name) const {
  const int i = Find(name);
  return i < 0 ? std::string() : text_[static_cast<size_t>(i)];
}

void TInternetModel::LoadData(TMemItems& items) {
  const TInternetSettings s = ReadInternetSettings(items[kRegionInternet].Bytes());
  text_[static_cast<size_t>(Find("eAPN"))] = s.apn;
  text_[static_cast<size_t>(Find("eLogin"))] = s.login;
  text_[static_cast<size_t>(Find("ePassword"))] = s.password;
  FRestoreFactoryDefaults = false;
  serverFactory_ = CheckServerFields(items);
  Changed();
  if (!serverFactory_ && env_.prompts &&
      env_.prompts->WarningDialog(internet_text::kServerQuestion, {page_text::kYes, page_text::kNo}) ==
          Prompts::Answer::kYes) {
    FRestoreFactoryDefaults = true;
    env_.forceSave = true;
  }
}

void TInternetModel::StoreData(TMemItems& items) {
  TMemItem& r = items[kRegionInternet];
  PutText(r, region0::kApn, Text("eAPN"), region0::kApn.size);
  PutText(r, region0::kLogin, Text("eLogin"), region0::kLogin.size);
  PutText(r, region0::kPassword, Text("ePassword"), region0::kPassword.size);
  if (FRestoreFactoryDefaults) {
    const TServerFields f = FactoryServerFields();
    PutText(r, region0::kHost, f.host, region0::kHost.size);
    // The digits and two zero bytes; the rest of the field stays as it is.
    PutText(r, region0::kPort, f.port, region0::kPortWritten);
    PutText(r, region0::kCode1, f.code1, region0::kCode1.size);
    PutText(r, region0::kCode2, f.code2, region0::kCode2.size);
    FRestoreFactoryDefaults = false;
    serverFactory_ = true;
    Changed();
  }
}

std::string TInternetModel::ToJSON() const {
  return "{\"inet_apn\":" + json::Quote(Text("eAPN")) + ",\"inet_login\":" + json::Quote(Text("eLogin")) +
         ",\"inet_pwd\":" + json::Quote(Text("ePassword")) + "}";
}

void TInternetModel::OnHide() {
  if (env_.proxyUpdate) env_.proxyUpdate();
}

TControlState TInternetModel::State(size_t index) const {
  TControlState st;
  if (index >= controls_.size()) return st;
  st.text = text_[index];
  if (controls_[index].subPage == kProxy && !expert_) st.enabled = false;
  return st;
}

std::vector<std::string> TInternetModel::Show() const {
  std::vector<std::string> lines;
  for (const char* name : {"eAPN", "eLogin", "ePassword"}) lines.push_back("  " + std::string(name) + ": " + Text(name));
  lines.push_back(std::string("  сервер: ") + (serverFactory_ ? "заводской" : "отличается"));
  return lines;
}

void TInternetModel::Apply(size_t index, int, const std::string& text) {
  if (controls_[index].kind == ControlKind::kEdit) text_[index] = text;
}

std::string TInternetModel::Refuse(size_t index, int, const std::string& text) const {
  // Without a window there is no application setting to keep them in.
  if (controls_[index].subPage == kProxy && !env_.proxyUpdate)
    return "настройки прокси-сервера относятся к программе, а не к устройству";
  if (controls_[index].subPage == kSettings && !RefuseNonAscii(text_[index], text).empty())
    return RefuseNonAscii(text_[index], text);
  return {};
}

TProxyFields TInternetModel::Proxy() const {
  return {Text("eProxyAddr"), Text("eProxyPort"), Text("eProxyLogin"), Text("eProxyPassword")};
}

void TInternetModel::SetProxy(const TProxyFields& p) {
  text_[static_cast<size_t>(Find("eProxyAddr"))] = p.addr;
  text_[static_cast<size_t>(Find("eProxyPort"))] = p.port;
  text_[static_cast<size_t>(Find("eProxyLogin"))] = p.login;
  text_[static_cast<size_t>(Find("eProxyPassword"))] = p.password;
  Changed();
}

std::unique_ptr<TPageModel> CreateInternetModel(TPageEnv& env) { return std::make_unique<TInternetModel>(env); }

}  // namespace orv

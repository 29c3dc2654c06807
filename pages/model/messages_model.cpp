#include "pages/model/messages_model.h"

#include <cstdio>
#include <stdexcept>

namespace orv {

const std::array<MessageGroup, 4> kMessageGroups = {{
    {"Тревоги", "LabelA", false,
     {{10, "Перегрузка"}, {11, "Дверь"}, {12, "Капот"}, {13, "Багажник"}, {14, "Зажигание"}, {15, "Удар"},
      {16, "Авария"}, {17, "Наклон"}, {18, "Движение"}, {19, "Питание (АКБ)"}, {20, "МКВ датчик"},
      {21, "Паника"}, {22, "Тревога штатной системы"}, {23, "Педаль тормоза"}, {24, "Ручной тормоз"}}},
    {"Режимы", "LabelM", false,
     {{25, "Обучение"}, {26, "Автосервис"}, {27, "Снято с охраны"}, {28, "Поставлено на охрану"},
      {29, "Защита от захвата"}, {30, "Старт защиты от захвата"}, {32, "Демонстрационный режим"}}},
    {"Служебные", "LabelSS", true,
     {{0, "I am alive"}, {1, "Геоданные"}, {2, "Неисправность флеш"}, {5, "Состояние авто"},
      {6, "Ошибка GSM-модема"}, {7, "Статус устройства"}}},
    {"Другое", "LabelS", false,
     {{33, "Диагностика системы"}, {35, "Напоминание о постановке"}, {36, "Автопостановка активна"},
      {37, "Автопостановка отменена"}, {38, "GNSS приемник выключен"}, {40, "Введен неверный ПИН"},
      {41, "ПИН принят"}, {42, "Готовность к поездке"}, {43, "Поездка запрещена"}, {44, "Заменить батарейку"},
      {45, "Выключить фары"}}},
}};

namespace {

const char* const kOrdinals[] = {"первый", "второй", "третий", "четвертый"};

std::string Printf(const char* fmt, const std::string& a, const char* b = "") {
  const int n = std::snprintf(nullptr, 0, fmt, a.c_str(), b);
  std::string out(static_cast<size_t>(n), '\0');
  std::snprintf(out.data(), out.size() + 1, fmt, a.c_str(), b);
  return out;
}

std::string ColumnCaption(int bit) {
  if (bit < 4) return "звонок " + std::to_string(bit + 1);
  if (bit < 8) return "SMS " + std::to_string(bit - 3);
  return "роуминг";
}

}  // namespace

std::string TMessagesModel::ControlName(int message, int bit) {
  return "msg" + std::to_string(message) + "." + std::to_string(bit);
}

TMessagesModel::TMessagesModel(TPageEnv& env) : TPageModel(env) {
  for (size_t g = 0; g < kMessageGroups.size(); ++g) {
    for (const MessageRow& r : kMessageGroups[g].rows) {
      for (int bit : kMessageBits) {
        TControl row = MakeControl(ControlName(r.message, bit), ControlKind::kCheck, ColumnCaption(bit), static_cast<int>(g));
        if (bit == kMessageBits.front()) row.heading = r.caption;
        controls_.push_back(row);
        tag_.push_back(r.message * 256 + bit);
        disabled_.push_back(kMessageGroups[g].disabled);
        value_.push_back(0);
      }
    }
  }
}

void TMessagesModel::AfterCreate() {
  // Hints name the message by its caption label; the disabled boxes get none.
  size_t i = 0;
  for (const MessageGroup& g : kMessageGroups) {
    for (const MessageRow& r : g.rows) {
      for (int bit : kMessageBits) {
        TControl& row = controls_[i++];
        if (g.disabled) continue;
        if (bit < 4)
          row.hint = Printf("Доставлять сообщение \"%s\" при помощи звонка на %s телефон", r.caption, kOrdinals[bit]);
        else if (bit < 8)
          row.hint = Printf("Доставлять сообщение \"%s\" при помощи SMS на %s телефон", r.caption, kOrdinals[bit - 4]);
        else
          row.hint = Printf("Разрешить доставку сообщения \"%s\" в роуминге", r.caption);
      }
    }
  }
  if (subPage_ < 0) subPage_ = 0;
}

void TMessagesModel::LoadData(TMemItems& items) {
  const auto bytes = items[kRegionDelivery].Bytes();
  if (bytes.size() < kMessageWords * 2) throw std::out_of_range("region 9 shorter than the message words");
  for (size_t m = 0; m < kMessageWords; ++m)
    words_[m] = static_cast<uint16_t>(bytes[2 * m] << 8 | bytes[2 * m + 1]);
  loaded_ = words_;
  changed_ = false;
  for (size_t i = 0; i < controls_.size(); ++i)
    value_[i] = (words_[static_cast<size_t>(tag_[i] / 256)] >> (tag_[i] % 256)) & 1;
  Changed();
}

void TMessagesModel::StoreData(TMemItems& items) {
  auto bytes = items[kRegionDelivery].Bytes();
  if (bytes.size() < kMessageWords * 2) throw std::out_of_range("region 9 shorter than the message words");
  for (size_t i = 0; i < controls_.size(); ++i) {
    uint16_t& w = words_[static_cast<size_t>(tag_[i] / 256)];
    const auto bit = static_cast<uint16_t>(1u << (tag_[i] % 256));
    w = static_cast<uint16_t>(value_[i] ? (w | bit) : (w & ~bit));
  }
  for (size_t m = 0; m < kMessageWords; ++m) {
    bytes[2 * m] = static_cast<uint8_t>(words_[m] >> 8);
    bytes[2 * m + 1] = static_cast<uint8_t>(words_[m]);
  }
  changed_ = words_ != loaded_;
}

std::vector<std::string> TMessagesModel::SubPages() const {
  std::vector<std::string> items;
  for (const MessageGroup& g : kMessageGroups) items.emplace_back(g.item);
  return items;
}

TControlState TMessagesModel::State(size_t index) const {
  TControlState st;
  if (index >= controls_.size()) return st;
  st.value = value_[index];
  st.enabled = !disabled_[index];
  return st;
}

void TMessagesModel::Apply(size_t index, int value, const std::string&) { value_[index] = value ? 1 : 0; }

std::vector<std::string> TMessagesModel::Show() const {
  std::vector<std::string> lines;
  size_t i = 0;
  for (const MessageGroup& g : kMessageGroups) {
    for (const MessageRow& r : g.rows) {
      std::string calls, sms;
      bool roaming = false;
      for (int bit : kMessageBits) {
        const bool on = value_[i++] != 0;
        if (!on) continue;
        if (bit < 4) calls += (calls.empty() ? "" : ",") + std::to_string(bit + 1);
        else if (bit < 8) sms += (sms.empty() ? "" : ",") + std::to_string(bit - 3);
        else roaming = true;
      }
      lines.push_back("  msg" + std::to_string(r.message) + ": звонок=" + (calls.empty() ? "-" : calls) +
                      " SMS=" + (sms.empty() ? "-" : sms) + " роуминг=" + (roaming ? "да" : "нет") + " (" +
                      r.caption + ")");
    }
  }
  return lines;
}

std::unique_ptr<TPageModel> CreateMessagesModel(TPageEnv& env) { return std::make_unique<TMessagesModel>(env); }

}  // namespace orv

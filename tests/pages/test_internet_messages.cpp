// The Internet and messages page models.
#include <gtest/gtest.h>

#include <cstring>

#include "pages/model/internet_model.h"
#include "pages/model/messages_model.h"
#include "settings/factory_images.h"
#include "settings/json_writer.h"
#include "settings/settings_stream.h"
#include "settings_fixtures.h"

namespace orv {
namespace {

TMemItems FactoryItems(int image) {
  TMemItems items = CreateMemItems();
  EXPECT_TRUE(ReadOptionsFromStream(FactoryImage(image), nullptr, items).Ok());
  return items;
}

void Put(TMemItems& items, size_t offset, const std::vector<uint8_t>& bytes) {
  std::copy(bytes.begin(), bytes.end(), items[kRegionInternet].FData.begin() + static_cast<long>(offset));
}

TEST(InternetModel, ServerFieldsAreCheckedAgainstTheFactoryImage) {
  const TServerFields factory = FactoryServerFields();
  ASSERT_EQ(factory.port, "5665");
  const struct {
    const char* what;
    std::function<void(TMemItems&)> edit;
    bool passes;
  } cases[] = {
      {"factory", [](TMemItems&) {}, true},
      {"port, two zeros, then FF", [](TMemItems& i) { Put(i, 96, {'5', '6', '6', '5', 0, 0, 0xFF, 0xFF, 0xFF}); }, true},
      {"host differing in case", [&](TMemItems& i) { i[kRegionInternet].FData[64] ^= 0x20; }, false},
      {"port", [](TMemItems& i) { Put(i, 96, {'5', '6', '6', '6'}); }, false},
      {"second code", [](TMemItems& i) { i[kRegionInternet].FData[144] = 'x'; }, false},
  };
  for (const auto& c : cases) {
    TMemItems items = FactoryItems(2);
    c.edit(items);
    EXPECT_EQ(CheckServerFields(items), c.passes) << c.what;
  }
}

TEST(InternetModel, DifferingServerFieldsAskAndARestoreIsWrittenByTheNextStore) {
  test::ScriptedPrompts prompts;
  TPageEnv env;
  env.prompts = &prompts;
  TInternetModel model(env);
  TMemItems items = FactoryItems(1);
  const TMemItems factory = items;
  items[kRegionInternet].FData[64] ^= 0x20;
  Put(items, 96, {'9', '9', '9', '9', '9', '9', '9', '9'});

  prompts.answers = {Prompts::Answer::kNo};
  model.LoadData(items);
  ASSERT_EQ(prompts.questions, std::vector<std::string>{internet_text::kServerQuestion});
  EXPECT_FALSE(model.FRestoreFactoryDefaults);
  EXPECT_FALSE(env.forceSave);
  model.StoreData(items);
  EXPECT_FALSE(CheckServerFields(items)) << "\"Нет\" leaves them";

  model.LoadData(items);  // "Да"
  EXPECT_EQ(prompts.questions.size(), 2u) << "asked again at the next load";
  EXPECT_TRUE(model.FRestoreFactoryDefaults);
  EXPECT_TRUE(env.forceSave);
  model.StoreData(items);
  EXPECT_FALSE(model.FRestoreFactoryDefaults);
  EXPECT_TRUE(CheckServerFields(items));
  const auto& r = items[kRegionInternet].FData;
  EXPECT_EQ(std::string(r.begin() + 96, r.begin() + 102), std::string("5665\0\0", 6));
  EXPECT_EQ(r[102], '9') << "the rest of the port field stays";
  EXPECT_TRUE(std::equal(r.begin() + 64, r.begin() + 96, factory[kRegionInternet].FData.begin() + 64));
  model.LoadData(items);
  EXPECT_EQ(prompts.questions.size(), 2u) << "restored fields ask nothing";
}

TEST(InternetModel, GprsFieldsLengthsAndExport) {
  TPageEnv env;
  TInternetModel model(env);
  TMemItems items = FactoryItems(3);
  model.LoadData(items);
  EXPECT_EQ(model.Set("eLogin", "abcdefghijklmnop"), "");
  EXPECT_EQ(model.Set("eLogin", "abcdefghijklmnopq"), "не более 16 символов");
  EXPECT_EQ(model.Set("ePassword", "пароль"), "допустимы только латинские буквы, цифры и знаки ASCII");
  EXPECT_EQ(model.Set("eAPN", "a/b\"c"), "");
  model.StoreData(items);
  EXPECT_EQ(std::memcmp(items[kRegionInternet].FData.data() + 32, "abcdefghijklmnop", 16), 0) << "no terminating zero";
  model.LoadData(items);
  EXPECT_EQ(model.Text("eLogin"), "abcdefghijklmnop") << "reads back whole";
  EXPECT_EQ(model.ToJSON(), R"({"inet_apn":"a\/b\"c","inet_login":"abcdefghijklmnop","inet_pwd":"mts"})");
  EXPECT_NO_THROW(json::Parse(model.ToJSON()));
}

TEST(InternetModel, ProxySubPageIsExpertOnlyAndBelongsToTheWindow) {
  TPageEnv env;
  int updates = 0;
  TInternetModel model(env);
  EXPECT_EQ(model.SelectSubPage(1), page_text::kExpertOnly);
  EXPECT_EQ(model.CurrentSubPage(), 0);
  model.SetExpertMode(true);
  EXPECT_EQ(model.SelectSubPage(1), "");
  EXPECT_EQ(model.Set("eProxyAddr", "proxy"), "настройки прокси-сервера относятся к программе, а не к устройству");
  env.proxyUpdate = [&] { ++updates; };
  EXPECT_EQ(model.Set("eProxyAddr", "proxy"), "");
  EXPECT_EQ(model.Set("eProxyPort", "123456"), "не более 5 символов");
  EXPECT_EQ(model.Proxy().addr, "proxy");
  model.OnHide();
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(model.ToJSON().find("proxy"), std::string::npos);
}

class MessagesModel : public ::testing::Test {
 protected:
  void SetWord(int m, uint16_t w) {
    items[kRegionDelivery].FData[static_cast<size_t>(2 * m)] = static_cast<uint8_t>(w >> 8);
    items[kRegionDelivery].FData[static_cast<size_t>(2 * m + 1)] = static_cast<uint8_t>(w);
  }
  uint16_t WordAt(int m) const {
    const auto& d = items[kRegionDelivery].FData;
    return static_cast<uint16_t>(d[static_cast<size_t>(2 * m)] << 8 | d[static_cast<size_t>(2 * m + 1)]);
  }
  int Box(int m, int bit) { return model.State(static_cast<size_t>(model.Find(TMessagesModel::ControlName(m, bit)))).value; }

  TPageEnv env;
  TMessagesModel model{env};
  TMemItems items = CreateMemItems();
};

TEST_F(MessagesModel, BoxesShowTheirBitsAndOtherBitsAreKept) {
  model.AfterCreate();
  SetWord(10, 0x0111);
  SetWord(11, 0x0511);
  model.LoadData(items);
  EXPECT_EQ(Box(10, 0), 1);
  EXPECT_EQ(Box(10, 4), 1);
  EXPECT_EQ(Box(10, 1), 0);
  EXPECT_EQ(Box(10, 10), 0);
  EXPECT_EQ(Box(11, 10), 1);
  EXPECT_EQ(model.Show()[0], "  msg10: звонок=1 SMS=1 роуминг=нет (Перегрузка)");
  EXPECT_EQ(model.Show()[1], "  msg11: звонок=1 SMS=1 роуминг=да (Дверь)");

  model.StoreData(items);
  EXPECT_EQ(model.ChangedRegions(), 0u);
  EXPECT_EQ(model.Set("msg10.0", "0"), "");
  EXPECT_EQ(model.Set("msg10.7", "1"), "");
  EXPECT_EQ(model.Set("msg10.10", "1"), "");
  model.StoreData(items);
  EXPECT_EQ(WordAt(10), 0x0590) << "bit 8 kept";
  EXPECT_EQ(model.ChangedRegions(), 1u << kRegionDelivery);
  EXPECT_EQ(model.Set("msg10.8", "1"), "нет такого элемента");
}

TEST_F(MessagesModel, WordsWithoutARowNeverChange) {
  for (size_t i = 0; i < 512; ++i) items[kRegionDelivery].FData[i] = static_cast<uint8_t>(i * 37 + 11);
  const TMemItem before = items[kRegionDelivery];
  model.LoadData(items);
  for (size_t i = 0; i < model.Controls().size(); ++i) model.Change(i, 1);
  model.StoreData(items);
  for (int m : {3, 4, 8, 9, 31, 34, 39}) EXPECT_EQ(WordAt(m), before.FData[2 * m] << 8 | before.FData[2 * m + 1]) << m;
  EXPECT_TRUE(std::equal(before.FData.begin() + 92, before.FData.end(), items[kRegionDelivery].FData.begin() + 92));
  const int word12 = before.FData[24] << 8 | before.FData[25];
  EXPECT_EQ(WordAt(12) & ~0x04FF, word12 & ~0x04FF) << "bits 8, 9, 11..15 kept";
  EXPECT_EQ(WordAt(12) & 0x04FF, 0x04FF);
}

TEST_F(MessagesModel, ServiceMessagesAreShownDisabledWithoutHints) {
  model.AfterCreate();
  EXPECT_EQ(model.SubPages(), (std::vector<std::string>{"Тревоги", "Режимы", "Служебные", "Другое"}));
  EXPECT_EQ(model.Set("msg0.0", "1"), "элемент недоступен");
  const auto& rows = model.Controls();
  EXPECT_EQ(rows[static_cast<size_t>(model.Find("msg0.4"))].hint, "");
  EXPECT_EQ(rows[static_cast<size_t>(model.Find("msg10.0"))].hint,
            "Доставлять сообщение \"Перегрузка\" при помощи звонка на первый телефон");
  EXPECT_EQ(rows[static_cast<size_t>(model.Find("msg45.7"))].hint,
            "Доставлять сообщение \"Выключить фары\" при помощи SMS на четвертый телефон");
  EXPECT_EQ(rows[static_cast<size_t>(model.Find("msg25.10"))].hint, "Разрешить доставку сообщения \"Обучение\" в роуминге");
  EXPECT_EQ(rows[static_cast<size_t>(model.Find("msg30.2"))].hint,
            "Доставлять сообщение \"Старт защиты от захвата\" при помощи звонка на третий телефон");
}

}  // namespace
}  // namespace orv

// Status operations: result word and colour, status line, activity log.
#include <gtest/gtest.h>

#include "app/status_model.h"
#include "app/tasks.h"

namespace orv {
namespace {

TEST(SplitLogLines, SplitsAtLineFeedsAndDropsTheCarriageReturnBeforeThem) {
  struct Case {
    std::string msg;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"один\r\nдва\nтри", {"один", "два", "три"}},
      {"строка\n", {"строка"}},
      {"строка\r\n", {"строка"}},
      {"", {}},
      {"\n", {""}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\rb", {"a\rb"}},  // a lone CR is not a line break
      {"\r\n\n", {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLogLines(c.msg), c.lines) << c.msg;
}

class Recorder : public StatusView {
 public:
  void PanelChanged(const StatusPanel&) override { ++panelChanges; }
  void LogCleared() override { ++clears; }
  void LogAppended(const std::vector<std::string>& lines, bool scroll) override {
    appended += static_cast<int>(lines.size());
    lastScroll = scroll;
  }
  void ProgressChanged(const ProgressState&, bool doProcMsg) override { procMsg = doProcMsg; }
  void ActionFinished() override { ++finished; }
  int panelChanges = 0, clears = 0, appended = 0, finished = 0;
  bool lastScroll = false, procMsg = false;
};

TEST(StatusModel, DisplayAddsLinesAndSetsTheStatusLineOnlyWhenAsked) {
  StatusModel m;
  Recorder r;
  m.SetView(&r);
  m.Display("первая\r\nвторая\nтретья");
  EXPECT_EQ(m.LogLines().size(), 3u);
  EXPECT_EQ(r.appended, 3);
  EXPECT_FALSE(m.Panel().statusVisible);
  m.Log("ещё");
  EXPECT_FALSE(m.Panel().statusVisible);
  m.Replace("не используется", "Orvantis подключен.", true);
  EXPECT_EQ(m.Panel().status, "Orvantis подключен.");
  EXPECT_TRUE(m.Panel().statusVisible);
  EXPECT_EQ(m.LogLines().back(), "Orvantis подключен.");
  EXPECT_TRUE(r.lastScroll);
  m.SetPaused(true);
  m.Log("x");
  EXPECT_FALSE(r.lastScroll) << "a paused log does not follow its end";
}

TEST(StatusModel, ALogOfMoreThanAThousandLinesIsClearedBeforeTheNextMessage) {
  StatusModel m;
  Recorder r;
  m.SetView(&r);
  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += "строка\n";
  m.Display(thousand);
  m.Log("1001");
  EXPECT_EQ(m.LogLines().size(), 1001u) << "1000 lines are kept";
  EXPECT_EQ(r.clears, 0);
  m.Log("1002: два\nи три");
  EXPECT_EQ(r.clears, 1);
  EXPECT_EQ(m.LogLines(), (std::vector<std::string>{"1002: два", "и три"}));
}

TEST(StatusModel, StartActionShowsTheTitleAndAGrayEllipsis) {
  StatusModel m;
  m.Display("старый статус", true);
  m.StartAction("Подключение");
  EXPECT_EQ(m.Panel().op, "Подключение");
  EXPECT_TRUE(m.Panel().opVisible);
  EXPECT_EQ(m.Panel().res, "...");
  EXPECT_EQ(m.Panel().resColor, kColorGray);
  EXPECT_FALSE(m.Panel().statusVisible);
  m.StartAction("Подключение", "Orvantis отключен.");
  EXPECT_TRUE(m.Panel().statusVisible);
  EXPECT_EQ(m.Panel().status, "Orvantis отключен.");
}

TEST(StatusModel, FinishActionSetsTheResultWordColourAndClearsCurTask) {
  struct Case {
    uint8_t code;
    std::string word;
    Rgb colour;
  };
  const Case cases[] = {{0, "ОШИБКА", kColorRed}, {1, "OK", kColorGreen}, {255, "Отменено", kColorTeal}};
  for (const auto& c : cases) {
    StatusModel m;
    TTasks t;
    Recorder r;
    m.SetTasks(&t);
    m.SetView(&r);
    t.SetCurTask(9);
    m.StartAction("Операция");
    m.FinishAction(c.code, "Готово");
    EXPECT_EQ(m.Panel().res, c.word);
    EXPECT_EQ(m.Panel().resColor, c.colour);
    EXPECT_EQ(m.Panel().status, "Готово");
    EXPECT_TRUE(m.Panel().statusVisible);
    EXPECT_EQ(t.CurTask(), 0);
    EXPECT_EQ(r.finished, 1);
  }
}

TEST(StatusModel, FinishActionWithTheNeutralCodeAndNoMessageOnlyTurnsTheWordGray) {
  StatusModel m;
  m.StartAction("Чтение");
  m.FinishAction(1, "Настройки прочитаны");
  m.FinishAction(2, "");
  EXPECT_EQ(m.Panel().res, "OK");
  EXPECT_EQ(m.Panel().resColor, kColorGray);
  EXPECT_EQ(m.Panel().status, "Настройки прочитаны");
  EXPECT_TRUE(m.Panel().statusVisible);
}

TEST(StatusModel, SetStatusKeepsTheCodeAndShowsTheTextsOfSomeCodes) {
  StatusModel m;
  m.SetStatus(1);
  EXPECT_EQ(m.Request(), 1);
  EXPECT_EQ(m.Panel().op, "Подключение");
  EXPECT_EQ(m.Panel().res, "...");
  EXPECT_EQ(m.Panel().status, "Orvantis не подключен");
  for (int code : {11, 14}) {
    m.SetStatus(code);
    EXPECT_EQ(m.Request(), code);
    EXPECT_EQ(m.Panel().status, "Запуск загрузчика");
  }
  m.Display("другое", true);
  for (int code : {0, 2, 9, 17, 26}) {
    m.SetStatus(code);
    EXPECT_EQ(m.Request(), code);
    EXPECT_EQ(m.Panel().status, "другое");
  }
}

TEST(StatusModel, ProgressShowsOrHidesTheTextAndPumpsWhenAsked) {
  struct CountingPump : Pump {
    void Run() override { ++runs; }
    int runs = 0;
  } pump;
  StatusModel m;
  Recorder r;
  m.SetView(&r);
  m.SetPump(&pump);
  m.Progress("Чтение 40%", true, 40);
  EXPECT_TRUE(m.ProgressInfo().visible);
  EXPECT_EQ(m.ProgressInfo().percent, 40);
  EXPECT_TRUE(r.procMsg);
  EXPECT_EQ(pump.runs, 1);
  m.Progress("", false, 50);
  EXPECT_FALSE(m.ProgressInfo().visible);
  EXPECT_EQ(m.ProgressInfo().percent, -1);
  EXPECT_EQ(pump.runs, 1);
}

TEST(StatusModel, ShowErrorMessageLogsTheSystemTextOrTheDefault) {
  StatusModel m;
  m.ShowErrorMessage(2, "запасной текст");
  EXPECT_EQ(m.LogLines().back().rfind("Ошибка при выполнении запроса #2: ", 0), 0u);
  EXPECT_EQ(m.LogLines().back().find("запасной"), std::string::npos);
  m.ShowErrorMessage(12029, "Нет соединения с сервером");
  EXPECT_EQ(m.LogLines().back(), "Ошибка при выполнении запроса #12029: Нет соединения с сервером");
}

}  // namespace
}  // namespace orv

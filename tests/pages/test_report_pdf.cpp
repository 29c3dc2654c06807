// The settings report as a user gets it: orvantis-cli's report command writes
// a PDF that pdftotext, pdffonts and pdfinfo read back, and the window's
// "Печать настроек" prints only after the print dialog was confirmed.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPrinter>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <regex>
#include <algorithm>
#include <cmath>

#include "app/main_form.h"
#include "app/report_action.h"
#include "gui_support.h"
#include "pages/model/settings_report.h"
#include "pages/report_painter.h"
#include "sim/sim_hid.h"
#include "sim/sim_server.h"
#include "support/process.h"

namespace orv {
namespace {

using test::RunCli;
using test::RunResult;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Tool(const char* name, const std::vector<std::string>& args) {
  const RunResult r = test::Run(std::string("/usr/bin/") + name, args);
  EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
  return r.out;
}

struct Word {
  double xMin = 0, yMin = 0;
  std::string text;
};

// The words of one page, as pdftotext -bbox places them (points).
std::vector<Word> Words(const std::string& pdf, int page) {
  const std::string html = Tool("pdftotext", {"-bbox", "-f", std::to_string(page), "-l", std::to_string(page), pdf, "-"});
  static const std::regex word(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
  std::vector<Word> words;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it)
    words.push_back({std::stod((*it)[1]), std::stod((*it)[2]), (*it)[3]});
  return words;
}

const Word* FindWord(const std::vector<Word>& words, const std::string& text) {
  for (const Word& w : words)
    if (w.text == text) return &w;
  return nullptr;
}

class ReportPdf : public ::testing::Test {
 protected:
  // A settings file of a model-1 unit, with the report's edge cases set.
  std::string EditedFile() {
    const std::string file = dir.File("unit.vesnar"), edited = dir.File("edited.vesnar");
    EXPECT_EQ(RunCli({"--sim", "1", "read", "-o", file}).exitCode, 0);
    const RunResult r = RunCli({"set", file, "-o", edited, "--expert", "bit44=1", "eEngineVoltage=11.3",
                                "rbBtn2Cmd3=1", "rbRoute2=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return edited;
  }
  test::TempDir dir;
};

TEST_F(ReportPdf, TheUnitsReportHasTitleSerialSectionsAndAnEmbeddedCyrillicFont) {
  const std::string pdf = dir.File("unit.pdf");
  const RunResult r = RunCli({"--sim", "1", "report", "--unit", "-o", pdf, "--time", "1767261600"});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  const std::string info = Tool("pdfinfo", {pdf});
  EXPECT_TRUE(Contains(info, "Title:           Конфигуратор Orvantis\n")) << info;
  EXPECT_TRUE(Contains(info, "(A4)")) << info;
  const std::string fonts = Tool("pdffonts", {pdf});
  EXPECT_TRUE(std::regex_search(fonts, std::regex(R"(DejaVuSans\s+CID TrueType\s+Identity-H\s+yes)"))) << fonts;

  const std::string text = Tool("pdftotext", {pdf, "-"});
  EXPECT_TRUE(Contains(text, "Дата отчета: " + ReportDate(1767261600) + ". Серийный номер устройства: SN 0000001234"))
      << text.substr(0, 200);
  // The caption column (200 dots, 24 points) holds the header and the six
  // section captions, in this order across the pages.
  const int pages = std::stoi(std::regex_replace(info, std::regex(R"([\s\S]*Pages:\s+(\d+)[\s\S]*)"), "$1"));
  std::vector<std::string> column;
  for (int page = 1; page <= pages; ++page)
    for (const Word& w : Words(pdf, page))
      if (std::abs(w.xMin - 24) < 0.2) column.push_back(w.text);
  const std::vector<std::string> expected = {"Дата",     "Программное", "Настройки", "Подключение",
                                             "Импульсы", "CAN",         "Модуль"};
  EXPECT_EQ(column, expected) << "without a chosen make the vehicle section is its caption alone";
  // A long pulse list is cut onto further lines, not off the page.
  EXPECT_TRUE(Contains(text, "Свет: сервисный режим | импульс 0.80 c | пауза 0.50 c |")) << text;

  // Columns: 200, 300 and 400 dots at 600 dpi are 24, 36 and 48 points.
  const std::vector<Word> page1 = Words(pdf, 1);
  const Word* caption = FindWord(page1, "Настройки");
  const Word* group = FindWord(page1, "Блокировка");
  const Word* line = FindWord(page1, "Иммобилайзер:");
  ASSERT_TRUE(caption && group && line);
  EXPECT_NEAR(caption->xMin, 24, 0.2);
  EXPECT_NEAR(group->xMin, 36, 0.2);
  EXPECT_NEAR(line->xMin, 48, 0.2);
  EXPECT_NEAR(page1.front().yMin, 24, 0.5) << "the header's top at 200 dots";
  // A new page begins 100 dots (12 points) from the top.
  const std::vector<Word> page2 = Words(pdf, 2);
  ASSERT_FALSE(page2.empty());
  EXPECT_NEAR(page2.front().yMin, 12, 0.5) << page2.front().text;
}

TEST_F(ReportPdf, WithAServerTheUnitsVehicleSectionShowsItsCanFirmwareAndSoftware) {
  sim::SimServer server{sim::ServerConfig{}};
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  const std::string pdf = dir.File("server.pdf");
  const RunResult r =
      RunCli({"--sim", "3", "--server", server.Url(), "--ca", server.CaFile(), "report", "--unit", "-o", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = Tool("pdftotext", {pdf, "-"});
  EXPECT_TRUE(Contains(text, "CAN-прошивка: CAN 1.07 Toyota Camry XV70 2018-2021")) << text.substr(0, 600);
  EXPECT_TRUE(Contains(text, "Программное обеспечение: Ядро системы: ")) << text.substr(0, 600);
  // Without the server the same unit's section is its caption alone.
  const std::string bare = dir.File("bare.pdf");
  ASSERT_EQ(RunCli({"--sim", "3", "report", "--unit", "-o", bare}).exitCode, 0);
  EXPECT_TRUE(Contains(Tool("pdftotext", {bare, "-"}), "Программное обеспечение\nНастройки\n"));
}

TEST_F(ReportPdf, AFileReportShowsTheOptionsEdgeCasesAndNoSerial) {
  const std::string pdf = dir.File("file.pdf");
  const RunResult r = RunCli({"report", EditedFile(), "-o", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = Tool("pdftotext", {pdf, "-"});
  for (const char* line : {"Запуск при напряжении аккумулятора ниже: <11.3 В",
                           "Действие при удержании кнопки \"#\" брелка: Управление автозапуском",
                           "Детализация маршрута: Черновик", "Усиление сигнала GSM-модема: ",
                           "Усиление голосовых сообщений: ", "Усиление выхода на GSM-модем: "})
    EXPECT_TRUE(Contains(text, line)) << line;
  EXPECT_TRUE(std::regex_search(text, std::regex("Серийный номер устройства: *\n"))) << "no unit, no serial";
}

TEST_F(ReportPdf, AReportThatCannotBeWrittenSaysSoAndLeavesNoFile) {
  const std::string pdf = dir.File("missing/report.pdf");
  RunResult r = RunCli({"--sim", "1", "report", "--unit", "-o", pdf});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Contains(r.err, "Отчёт не записан: " + pdf)) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));

  // An older report stays as it was when the settings cannot be read.
  const std::string old = dir.File("old.pdf");
  std::ofstream(old) << "old";
  r = RunCli({"report", dir.File("absent.vesnar"), "-o", old});
  EXPECT_EQ(r.exitCode, 1);
  std::ifstream in(old);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");

  EXPECT_EQ(RunCli({"--sim", "1", "report", "--unit"}).exitCode, 2) << "-o is required";
  EXPECT_EQ(RunCli({"--sim", "1", "report", "-o", old}).exitCode, 2) << "a file or --unit";
}

// A report that fails halfway (a page throws, a page break is refused) never
// replaces the older PDF, nor leaves a partial one beside it.
TEST_F(ReportPdf, AFailedDrawingKeepsTheOlderPdf) {
  const std::string pdf = dir.File("kept.pdf");
  ASSERT_EQ(WritePdfReport(pdf, "t", [](report::TCanvas& c) { c.Text(200, 200, "первый", {}); }), "");
  const std::string before = Tool("pdftotext", {pdf, "-"});
  const std::string error = WritePdfReport(pdf, "t", [](report::TCanvas& c) {
    c.Text(200, 200, "второй", {});
    c.NewPage();
    throw std::runtime_error("страница не напечатана");
  });
  EXPECT_EQ(error, pdf + ": страница не напечатана");
  EXPECT_EQ(Tool("pdftotext", {pdf, "-"}), before);
  EXPECT_TRUE(Contains(before, "первый"));
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 1u) << "no temporary file left";
}

// --- the window -------------------------------------------------------------

class ReportWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SimConfig cfg;
    cfg.serial = 1234;
    auto ctrl = std::make_unique<sim::SimHidController>(std::make_shared<sim::SimUnit>(cfg),
                                                        sim::SimTransportOptions{}, true);
    ConfiguratorOptions options;
    options.simModel = 1;
    window = std::make_unique<TMainForm>(options, std::move(ctrl));
    window->show();
    ASSERT_TRUE(test::WaitFor([&] { return window->findChild<QLabel*>("lbStatus")->text() == "Настройки прочитаны."; }));
  }
  void TearDown() override { window.reset(); }
  void ClickPrint() { QTest::mouseClick(window->findChild<QWidget*>("BtnPrint"), Qt::LeftButton); }

  test::TempDir dir;
  std::unique_ptr<TMainForm> window;
};

TEST_F(ReportWindow, ACancelledPrintDialogPrintsNothing) {
  const std::string pdf = dir.File("cancelled.pdf");
  int asked = 0;
  window->Report().PrintDialog = [&](QPrinter& printer) {
    ++asked;
    EXPECT_EQ(printer.docName(), "Конфигуратор Orvantis");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    return false;
  };
  ClickPrint();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(ReportWindow, AConfirmedPrintDialogPrintsThePagesAndTheSerialLabel) {
  const std::string pdf = dir.File("printed.pdf");
  window->Report().PrintDialog = [&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    return true;
  };
  window->Report().Vehicle = [] { return TVehicleReport{true, "Lada Vesta 2015-2022", "Ядро: 1.0\nCAN: 2.0"}; };
  ClickPrint();
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_TRUE(Contains(Tool("pdfinfo", {pdf}), "Title:           Конфигуратор Orvantis\n"));
  const std::string text = Tool("pdftotext", {pdf, "-"});
  EXPECT_TRUE(Contains(text, "Серийный номер устройства: SN 0000001234")) << text.substr(0, 300);
  for (const char* line : {"CAN-прошивка: Lada Vesta 2015-2022", "Программное обеспечение: Ядро: 1.0", "CAN: 2.0",
                           "Подключение", "Модуль запуска"})
    EXPECT_TRUE(Contains(text, line)) << line;
  // A rendered page for a person to look at.
  const std::string shots = ORVANTIS_SCREENSHOT_DIR;
  std::filesystem::create_directories(shots);
  test::Run("/usr/bin/pdftoppm", {"-png", "-r", "60", "-f", "1", "-l", "1", pdf, shots + "/report_page1"});
}

}  // namespace
}  // namespace orv

// Small helpers of the page model tests: scripted answers and region images.
#pragma once

#include <string>
#include <vector>

#include "core/seams.h"
#include "settings/mem_items.h"

namespace orv::test {

// Answers every question with `answer` and remembers the questions.
class AnswerAll final : public Prompts {
 public:
  explicit AnswerAll(Answer answer = Answer::kNo) : answer_(answer) {}
  Answer WarningDialog(const std::string& msg, const std::vector<std::string>&) override {
    questions.push_back(msg);
    return answer_;
  }
  void MessageBox(const std::string& msg) override { boxes.push_back(msg); }
  std::string ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSaveFile(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::vector<std::string> questions, boxes;

 private:
  Answer answer_;
};

inline void PutBytes(TMemItems& items, int region, size_t at, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) items[static_cast<size_t>(region)].FData[at++] = b;
}

}  // namespace orv::test

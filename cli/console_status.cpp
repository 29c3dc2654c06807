#include "cli/console_status.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "device/text_codec.h"

namespace orv::cli {

std::string TerminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      out.push_back('\n');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

ConsoleStatus::ConsoleStatus(std::ostream& out, std::ostream& err, bool progressInPlace)
    : out_(out), err_(err), inPlace_(progressInPlace) {}

ConsoleStatus::ConsoleStatus() : ConsoleStatus(std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1) {}

void ConsoleStatus::EndProgressLine() {
  if (inPlace_ && progressShown_) err_ << "\r\033[K" << std::flush;
  progressShown_ = false;
  // A log or a pipe gets one line with where the progress stood, not a line
  // per step.
  if (!lastProgress_.empty()) err_ << lastProgress_ << "\n" << std::flush;
  lastProgress_.clear();
}

void ConsoleStatus::StartAction(const std::string& msg, const std::string& status) {
  EndProgressLine();
  out_ << "== " << TerminalText(msg) << "\n";
  if (!status.empty()) out_ << TerminalText(status) << "\n";
  out_.flush();
}

void ConsoleStatus::FinishAction(uint8_t resCode, const std::string& msg) {
  EndProgressLine();
  lastResult_ = resCode;
  const char* word = resCode == kResError ? "ОШИБКА" : resCode == kResOk ? "OK" : resCode == kResCancelled ? "Отменено" : nullptr;
  if (word) out_ << "Результат: " << word;
  else out_ << "Результат:";
  if (!msg.empty()) out_ << (word ? ", " : " ") << TerminalText(msg);
  out_ << "\n" << std::flush;
}

void ConsoleStatus::Display(const std::string& msg, bool /*showOnPanel*/) {
  if (msg.empty()) return;
  EndProgressLine();
  std::string text = TerminalText(msg);
  if (text.back() == '\n') text.pop_back();
  out_ << text << "\n" << std::flush;
}

void ConsoleStatus::Progress(const std::string& text, bool /*doProcMsg*/, int /*percent*/) {
  if (text.empty()) {
    EndProgressLine();
    return;
  }
  if (inPlace_) {
    err_ << "\r" << text << "\033[K" << std::flush;
    progressShown_ = true;
  } else {
    lastProgress_ = text;
  }
}

ConsolePrompts::ConsolePrompts(Mode mode, std::istream& in, std::ostream& out, std::ostream& err)
    : mode_(mode), in_(in), out_(out), err_(err) {}

ConsolePrompts::ConsolePrompts(Mode mode) : ConsolePrompts(mode, std::cin, std::cout, std::cerr) {
  echo_ = ::isatty(STDIN_FILENO) != 1;
}

Prompts::Answer ConsolePrompts::WarningDialog(const std::string& msg, const std::vector<std::string>& captions) {
  out_ << "Внимание!\n" << TerminalText(msg) << "\n";
  if (captions.size() < 2) {
    out_ << std::flush;
    return Answer::kOk;
  }
  Answer answer = Answer::kNo;
  if (mode_ == Mode::kYes) {
    out_ << captions[0] << " (--yes)\n";
    answer = Answer::kYes;
  } else if (mode_ == Mode::kNo) {
    out_ << captions[1] << " (--no)\n";
  } else {
    out_ << "[" << captions[0] << "/" << captions[1] << "]: " << std::flush;
    std::string line;
    if (std::getline(in_, line)) {
      if (echo_) out_ << line << "\n";
      // Lower-case the reply (ASCII and Cyrillic) and compare.
      std::u16string reply = Utf8ToUtf16(line);
      for (auto& c : reply) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        else if (c >= u'А' && c <= u'Я') c = static_cast<char16_t>(c + 32);
      }
      while (!reply.empty() && (reply.back() == u' ' || reply.back() == u'\r')) reply.pop_back();
      if (reply == u"да" || reply == u"д" || reply == u"yes" || reply == u"y") answer = Answer::kYes;
    } else {
      out_ << "\n";
    }
  }
  if (answer == Answer::kNo) declined_ = true;
  out_ << std::flush;
  return answer;
}

void ConsolePrompts::MessageBox(const std::string& msg) {
  ++messages_;
  err_ << TerminalText(msg) << "\n" << std::flush;
}

}  // namespace orv::cli

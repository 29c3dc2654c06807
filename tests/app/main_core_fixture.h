// A MainCore over a recording view and an in-process simulated unit, for the
// tests of the window's logic without the toolkit.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "app/main_core.h"
#include "device/orvantis.h"
#include "sim/sim_hid.h"

namespace orv::test {

struct Post {
  PlugReceiver to;
  PlugMsg msg;
  bool operator==(const Post&) const = default;
};

class FakeView : public MainView {
 public:
  bool PostPlugMessage(PlugReceiver to, PlugMsg msg) override {
    posts.push_back({to, msg});
    return true;
  }
  void SetSerialLabel(const std::string& text) override { sn = text; }
  void SetBootInfoLabel(const std::string& text) override { boot = text; }
  void ShowUnitLabels(bool visible) override { labelsVisible = visible; }
  void ApplyButtonStates(const ButtonStates& s) override {
    buttons = s;
    buttonHistory.push_back(s);
  }
  void SetActionBusy(PagesHook::Button b, bool busy) override { busyCalls.emplace_back(b, busy); }
  void ScheduleIdle() override { ++scheduled; }
  void ReportError(const std::string& text) override { errors.push_back(text); }
  void TaskStarted(uint8_t task) override { started.push_back(task); }

  std::vector<Post> posts;
  std::string sn, boot;
  bool labelsVisible = false;
  ButtonStates buttons;
  std::vector<ButtonStates> buttonHistory;
  std::vector<std::pair<PagesHook::Button, bool>> busyCalls;
  int scheduled = 0;
  std::vector<std::string> errors;
  std::vector<int> started;
};

struct Fixture {
  explicit Fixture(bool plugged = true, sim::SimConfig cfg = {})
      : unit(std::make_shared<sim::SimUnit>(cfg)),
        controller(std::make_unique<sim::SimHidController>(unit, sim::SimTransportOptions{}, plugged)),
        core(view) {
    link = std::make_unique<TOrvantis>(
        controller.get(), [this](TOrvantis* s) { core.PlugEvent(s); }, [this](TOrvantis* s) { core.UnPlugEvent(s); },
        nullptr);
    link->SetUseSync(false);
    EXPECT_TRUE(view.posts.empty()) << "the callback inside the constructor is ignored";
    core.RegisterLink(link.get());
  }
  ~Fixture() {
    core.SetDestroying();
    link.reset();
  }
  // Delivers the link's notices until `done` holds (at most a second).
  template <typename Pred>
  bool Notices(Pred done) {
    for (int i = 0; i < 100 && !done(); ++i) {
      link->ProcessHIDMessages();
      link->WaitForNotice(10);
    }
    return done();
  }
  // Hands every message posted to the hidden window to its handler, in order.
  void DeliverHidden() {
    auto posts = std::move(view.posts);
    view.posts.clear();
    for (const auto& p : posts)
      if (p.to == PlugReceiver::kHiddenWindow) core.HiddenMessage(p.msg);
  }
  // A recording entry for each of these task numbers.
  void Known(std::initializer_list<uint8_t> tasks) {
    for (uint8_t t : tasks) core.Table().Set(t, {"", "", [this, t] {
                                                ran.push_back(t);
                                                core.Tasks().Next();
                                              }});
  }
  void RunIdle() {
    for (int i = 0; i < 50 && !core.Idle(); ++i) DeliverHidden();
  }
  std::vector<int> Pending() const {
    std::vector<int> v;
    for (char c : const_cast<MainCore&>(core).Tasks().Pending()) v.push_back(static_cast<uint8_t>(c));
    return v;
  }

  std::shared_ptr<sim::SimUnit> unit;
  std::unique_ptr<sim::SimHidController> controller;
  FakeView view;
  MainCore core;
  std::unique_ptr<TOrvantis> link;
  std::vector<int> ran;
};

}  // namespace orv::test

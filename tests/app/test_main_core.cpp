// The window's plug handling, identity labels, follow-up tasks and start-up
// queue, against an in-process simulated unit.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_core.h"
#include "main_core_fixture.h"
#include "device/orvantis.h"
#include "sim/sim_hid.h"

namespace orv {
namespace {

using test::FakeView;
using test::Fixture;
using test::Post;

const std::vector<std::string>& Log(Fixture& f) { return f.core.StatusPanel().LogLines(); }
size_t Count(Fixture& f, const std::string& line) {
  return static_cast<size_t>(std::count(Log(f).begin(), Log(f).end(), line));
}

TEST(MainCore, AUnitPresentAtStartIsAnnouncedOnceTheLinkIsRegistered) {
  Fixture f;
  EXPECT_EQ(f.view.sn, "SN 0000001234") << "the plug callback read the serial number";
  EXPECT_EQ(f.core.Idler().PlugEvent(), 0x13);
  ASSERT_EQ(f.view.posts, (std::vector<Post>{{PlugReceiver::kHiddenWindow, PlugMsg::kPlugged}}));
  f.DeliverHidden();
  EXPECT_TRUE(f.core.OrvantisConnected());
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Orvantis подключен.");
  EXPECT_EQ(Count(f, "Orvantis подключен."), 1u);
  EXPECT_TRUE(f.view.labelsVisible);
  EXPECT_EQ(f.view.boot, FormatBootInfo(f.unit->Identity().bootState.VersionInfo));
  EXPECT_EQ(f.view.boot.rfind("Boot v", 0), 0u);
  EXPECT_TRUE(f.view.buttons.read);
  EXPECT_TRUE(f.view.buttons.factory);
  f.core.HiddenMessage(PlugMsg::kPlugged);  // the idle handler's copy of the notice
  EXPECT_EQ(Count(f, "Orvantis подключен."), 1u) << "reported once";
}

TEST(MainCore, StartUpQueueRunsTheConnectionTaskAndReportsTheUnit) {
  Fixture f;
  f.core.StartQueue(true);
  EXPECT_EQ(f.Pending(), (std::vector<int>{1})) << "tasks without a handler are not queued";
  f.RunIdle();
  EXPECT_EQ(f.view.started, (std::vector<int>{1}));
  const auto& p = f.core.StatusPanel().Panel();
  EXPECT_EQ(p.op, "Подключение");
  EXPECT_EQ(p.res, "OK");
  EXPECT_EQ(p.status, "Orvantis подключен");
  EXPECT_TRUE(f.core.Tasks().Ready()) << "task 1 releases the queue";
}

TEST(MainCore, StartUpQueueOrderWithAndWithoutTheUpdateCheck) {
  for (bool check : {true, false}) {
    Fixture f(false);
    f.Known({1, 2, 24});
    f.core.StartQueue(check);
    f.RunIdle();
    EXPECT_EQ(f.view.started, (check ? std::vector<int>{24, 2, 1} : std::vector<int>{2, 1}));
  }
}

TEST(MainCore, WithoutAUnitTheConnectionTaskSaysSo) {
  Fixture f(false);
  EXPECT_TRUE(f.view.posts.empty());
  f.core.StatusPanel().SetStatus(1);
  f.core.DisableButtons(true);
  f.core.StartQueue(false);
  f.RunIdle();
  const auto& p = f.core.StatusPanel().Panel();
  EXPECT_EQ(p.res, "...") << "neutral result keeps the word";
  EXPECT_EQ(p.status, "Orvantis не подключен.");
  EXPECT_FALSE(f.view.buttons.read);
  EXPECT_FALSE(f.view.buttons.factory);
}

TEST(MainCore, IdentifiedUnitQueuesItsFollowUpTasks) {
  Fixture f;
  f.Known({2, 3, 22});
  f.DeliverHidden();
  EXPECT_EQ(f.Pending(), (std::vector<int>{2, 22, 3}));
  f.core.FCanListRcvd = true;
  f.core.FCoreUpdatesChecked = true;
  f.core.Tasks().DeleteTask(2);
  f.core.Tasks().DeleteTask(22);
  f.core.Tasks().DeleteTask(3);
  f.core.OnDeviceChange();
  EXPECT_EQ(f.Pending(), (std::vector<int>{3}));
  f.core.FReboot = true;
  f.core.Tasks().DeleteTask(3);
  f.core.OnDeviceChange();
  EXPECT_TRUE(f.Pending().empty()) << "nothing while a firmware restart is expected";
}

TEST(MainCore, UnplugReportsTheRemovalAndHidesTheUnit) {
  Fixture f;
  f.DeliverHidden();
  f.controller->Unplug();
  ASSERT_TRUE(f.Notices([&] { return !f.view.posts.empty(); }));
  EXPECT_EQ(f.view.posts, (std::vector<Post>{{PlugReceiver::kHiddenWindow, PlugMsg::kUnplugged}}));
  EXPECT_EQ(f.core.Idler().PlugEvent(), 0x2C);
  f.core.FCoreUpdatesChecked = true;
  f.DeliverHidden();
  const auto& p = f.core.StatusPanel().Panel();
  EXPECT_EQ(p.op, "Подключение");
  EXPECT_EQ(p.status, "Orvantis отключен.");
  EXPECT_EQ(Count(f, "Orvantis отключен."), 1u) << "one removal, one line";
  EXPECT_FALSE(f.core.OrvantisConnected());
  EXPECT_FALSE(f.view.labelsVisible);
  EXPECT_FALSE(f.view.buttons.read);
  EXPECT_FALSE(f.core.FCoreUpdatesChecked) << "the next unit gets its own update check";
}

TEST(MainCore, UnplugDuringAFirmwareRestartStartsNoNewAction) {
  for (int request : {5, 11, 14}) {
    Fixture f;
    f.DeliverHidden();
    f.core.StatusPanel().StartAction("Обновление ПО");
    f.core.StatusPanel().SetStatus(request);
    f.controller->Unplug();
    ASSERT_TRUE(f.Notices([&] { return !f.view.posts.empty(); }));
    f.DeliverHidden();
    EXPECT_EQ(f.core.StatusPanel().Panel().op, "Обновление ПО") << request;
    EXPECT_EQ(Count(f, "Orvantis отключен."), 1u);
  }
}

TEST(MainCore, QuickUnplugAndReplugEndsWithThePlugBitsAndBothHiddenMessagesInOrder) {
  Fixture f;
  f.DeliverHidden();
  f.controller->Unplug();
  ASSERT_TRUE(f.Notices([&] { return f.view.posts.size() == 1; }));
  f.controller->Plug();
  ASSERT_TRUE(f.Notices([&] { return f.view.posts.size() == 2; }));
  EXPECT_EQ(f.view.posts, (std::vector<Post>{{PlugReceiver::kHiddenWindow, PlugMsg::kUnplugged},
                                             {PlugReceiver::kHiddenWindow, PlugMsg::kPlugged}}));
  EXPECT_EQ(f.core.Idler().PlugEvent(), 0x13);
  f.DeliverHidden();
  EXPECT_FALSE(f.core.Idle());
  EXPECT_EQ(f.view.posts, (std::vector<Post>{{PlugReceiver::kConnectionsPage, PlugMsg::kPlugged},
                                             {PlugReceiver::kRStartPage, PlugMsg::kPlugged}}))
      << "the pages get only the plug notice; the hidden window handled both already";
  EXPECT_TRUE(f.core.OrvantisConnected());
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Orvantis подключен.");
}

TEST(MainCore, ANewUnitIsIdentifiedAgain) {
  Fixture f;
  f.DeliverHidden();
  f.controller->Unplug();
  ASSERT_TRUE(f.Notices([&] { return !f.view.posts.empty(); }));
  f.DeliverHidden();
  auto id = f.unit->Identity();
  id.bootState.SerialNumber = 0x39300000;  // 12345, big-endian in the record
  f.unit->SetIdentity(id);
  f.controller->Plug();
  ASSERT_TRUE(f.Notices([&] { return !f.view.posts.empty(); }));
  f.DeliverHidden();
  EXPECT_EQ(f.view.sn, "SN 0000012345");
  EXPECT_TRUE(f.view.labelsVisible);
}

TEST(MainCore, ANoticeArrivingWhileATaskRunsIsHandledAfterIt) {
  Fixture f;
  f.DeliverHidden();
  bool connectedInside = true;
  f.core.Table().Set(7, {"", "", [&] {
                           f.controller->Unplug();
                           EXPECT_TRUE(f.Notices([&] { return !f.view.posts.empty(); }));
                           f.DeliverHidden();
                           connectedInside = f.core.OrvantisConnected();
                           f.core.Tasks().Next();
                         }});
  f.core.Tasks().AddToTail(7);
  f.RunIdle();
  EXPECT_TRUE(connectedInside) << "the removal waited for the task";
  EXPECT_FALSE(f.core.OrvantisConnected());
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Orvantis отключен.");
}

// A task the removal cuts short closes its action as failed: that result
// stays on the panel whether the removal's notice is handled during the task
// or only after it, and the removal is logged once.
TEST(MainCore, AnUnplugThatCutsATaskShortKeepsItsFailureOnThePanel) {
  for (bool noticeInside : {true, false}) {
    Fixture f;
    f.DeliverHidden();
    f.core.Table().Set(7, {"Чтение", "", [&] {
                             f.controller->Unplug();
                             EXPECT_TRUE(f.Notices([&] { return !f.view.posts.empty(); }));
                             if (noticeInside) f.DeliverHidden();
                             f.core.StatusPanel().FinishAction(kResError, "Настройки не прочитаны");
                             f.core.Tasks().Next();
                           }});
    f.core.Tasks().AddToTail(7);
    f.RunIdle();
    f.DeliverHidden();
    const auto& p = f.core.StatusPanel().Panel();
    EXPECT_EQ(p.res, "ОШИБКА") << noticeInside;
    EXPECT_EQ(p.status, "Настройки не прочитаны") << noticeInside;
    EXPECT_EQ(Count(f, "Orvantis отключен."), 1u) << noticeInside;
    EXPECT_FALSE(f.core.OrvantisConnected());
    EXPECT_FALSE(f.view.labelsVisible);
  }
  // A removal while nothing runs opens the connection action again.
  Fixture f;
  f.DeliverHidden();
  f.core.StatusPanel().FinishAction(kResError, "Настройки не загружены");
  f.controller->Unplug();
  ASSERT_TRUE(f.Notices([&] { return !f.view.posts.empty(); }));
  f.DeliverHidden();
  EXPECT_EQ(f.core.StatusPanel().Panel().res, "...");
  EXPECT_EQ(f.core.StatusPanel().Panel().status, "Orvantis отключен.");
}

TEST(MainCore, NoTaskStartsInsideTheRefreshOfAPluggedUnit) {
  Fixture f;
  f.Known({9});
  f.core.Tasks().AddToTail(9);
  std::vector<int> ranInside;
  int pumps = 0;
  f.link->SetPump([&] {
    ++pumps;
    f.core.Idle();  // the event loop runs the idle handler while the link waits
    ranInside = f.ran;
  });
  f.unit->Faults() = sim::FaultPlan::Parse("delay=100/db x*");
  f.DeliverHidden();
  EXPECT_GT(pumps, 0);
  EXPECT_TRUE(ranInside.empty());
  EXPECT_EQ(f.view.boot.rfind("Boot v", 0), 0u) << "the refresh's own queries succeeded";
  f.link->SetPump({});
  f.RunIdle();
  EXPECT_EQ(f.ran, (std::vector<int>{9}));
}

TEST(MainCore, FailedIdentityShowsError) {
  Fixture f;
  f.DeliverHidden();
  f.unit->Faults() = sim::FaultPlan::Parse("drop/db x*");
  f.link->SetTimeoutScale(2);
  f.core.OnDeviceChange();
  EXPECT_EQ(f.view.boot, "Ошибка");
}

}  // namespace
}  // namespace orv

#include "sim/unit_responder.h"

namespace orv::sim {

UnitResponder::UnitResponder(std::shared_ptr<SimUnit> unit, UsbTiming& timing, size_t inputDataLength, Sink& sink)
    : unit_(std::move(unit)), timing_(timing), dataLength_(inputDataLength), sink_(sink) {
  thread_ = std::thread([this] { Run(); });
}

UnitResponder::~UnitResponder() { Stop(); }

void UnitResponder::Submit(std::vector<uint8_t> packet, uint64_t origin) {
  {
    std::lock_guard<std::mutex> g(mutex_);
    if (stop_) return;
    queue_.push_back({std::move(packet), origin});
  }
  cond_.notify_all();
}

void UnitResponder::Cancel() {
  {
    std::lock_guard<std::mutex> g(mutex_);
    queue_.clear();
    ++epoch_;
  }
  cond_.notify_all();
}

void UnitResponder::Stop() {
  {
    std::lock_guard<std::mutex> g(mutex_);
    stop_ = true;
    queue_.clear();
  }
  cond_.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool UnitResponder::Cancelled(uint64_t epoch) {
  std::lock_guard<std::mutex> g(mutex_);
  return stop_ || epoch_ != epoch;
}

void UnitResponder::Run() {
  std::unique_lock<std::mutex> lk(mutex_);
  for (;;) {
    cond_.wait(lk, [this] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    Request req = std::move(queue_.front());
    queue_.pop_front();
    const uint64_t epoch = epoch_;
    lk.unlock();

    SimResponse resp = unit_->Handle(req.packet);
    if (resp.unplug) {
      sink_.Unplug();
    } else {
      if (resp.delayMs) {
        lk.lock();
        cond_.wait_for(lk, std::chrono::milliseconds(resp.delayMs), [&] { return stop_ || epoch_ != epoch; });
        lk.unlock();
      }
      for (const auto& noise : resp.noise) {
        timing_.Transfer();
        if (!Cancelled(epoch)) sink_.Deliver(noise, req.origin);
      }
      for (const auto& reply : resp.packets)
        for (const auto& report : SplitIntoReports(reply, dataLength_)) {
          timing_.Transfer();
          if (!Cancelled(epoch)) sink_.Deliver(report, req.origin);
        }
      if (resp.restartMs >= 0 && !Cancelled(epoch)) sink_.Restart(resp.restartMs, resp.restartDelayMs);
    }
    lk.lock();
  }
}

}  // namespace orv::sim

// The simulated unit's diagnostic record (command 0x91): a car that goes
// through a one-minute day again and again — parked and armed, started
// remotely (every remote-start stage), stopped by the module, driven by its
// owner, parked again — with measurements, modem and GPS values, tags and
// wireless relays that move with it, and last messages whose parameters come
// from every reason range in turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "diag/diag_record.h"
#include "sim/sim_unit.h"

namespace orv::sim {

constexpr uint32_t kSimDiagCycleMs = 60000;

struct SimDiagOptions {
  // Record kind 0..4 (4 stands for a kind newer than 3); -1: the unit's
  // setting (SimConfig::diagKind), or its model when that is -1 too.
  int kind = -1;
  // Milliseconds since the unit started; default: a steady clock started when
  // the handler is installed.
  std::function<uint32_t()> nowMs;
};

// The kind a unit of this configuration sends: the setting when given, else
// by model (1: base record only; 2: start module with last message; 3: no
// start module; 4: start module, tags and relays).
int SimDiagKind(const SimConfig& cfg);
// Reply length of a record kind: 93, 103, 107 or 113 bytes.
size_t SimDiagReplyLength(int kind);
// The record the car shows `ms` milliseconds after the unit started.
TExtendDiagRec SimDiagRecord(const SimConfig& cfg, int kind, uint32_t ms);

// Installs (or replaces) the unit's answer to 0x91. Requests with a payload
// get no reply; fault injection applies as to every command.
void InstallDiagHandler(SimUnit& unit, SimDiagOptions options = {});

}  // namespace orv::sim

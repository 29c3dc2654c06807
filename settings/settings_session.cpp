#include "settings/settings_session.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "device/identity.h"
#include "device/orvantis.h"
#include "device/unit_hold.h"
#include "settings/factory_images.h"
#include "settings/file_io.h"
#include "settings/sms_text.h"

namespace orv {

namespace {

using namespace settings_text;

constexpr const char* kWriteStep = "Сохранение настроек в устройстве...";
constexpr const char* kReadStep = "Чтение настроек устройства...";
constexpr const char* kFileStep = "Сохранение настроек в файле...";
constexpr const char* kDefaultsStep = "Заводские настройки...";
constexpr size_t kMaxSettingsFile = 16u << 20;  // far above any settings stream

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

const std::vector<std::string> kYesNo = {"Да", "Нет"};

}  // namespace

TSettingsSession::TSettingsSession(TOrvantis& link, Status& status, Prompts& prompts, PagesHook& pages,
                                   TaskQueueHook& tasks)
    : MemItems(CreateMemItems()), link_(link), status_(status), prompts_(prompts), pages_(pages), tasks_(tasks) {}

void TSettingsSession::ShowProgress(const char* format, int i) {
  const int percent = RegionProgress(i);
  char text[64];
  std::snprintf(text, sizeof text, format, percent);
  status_.Progress(text, true, percent);
}

void TSettingsSession::HideProgress() { status_.Progress("", false); }

bool TSettingsSession::ReadOptions() {
  pages_.SetBusy(PagesHook::Button::kRead, true);
  FOptionsRead = false;
  FUnitRegions = 0;
  bool ok = true;
  std::string escaped;
  try {
    // Readers share the unit; a writer of another process is not let in
    // half-way, so the image is one consistent state of the unit.
    UnitHold hold(link_, UnitHold::Mode::kShared);
    if (!hold.Held()) {
      status_.Log(kReadFailedLog);
      if (status_.Request() == request::kReadAfterConnect) status_.FinishAction(kResError, kNotRead);
      throw std::runtime_error(hold.Message());
    }
    for (int i = 0; i < kRegionCount; ++i) {
      TMemItem& item = MemItems[static_cast<size_t>(i)];
      item.Clear();
      ShowProgress(kReadProgress, i);
      if (regionmask::Has(regionmask::kRead, i) && !link_.ReadROM(item.FData.data(), item.Addr(), item.Size())) {
        status_.Log(kReadFailedLog);
        if (status_.Request() == request::kReadAfterConnect) status_.FinishAction(kResError, kNotRead);
        ok = false;
        break;
      }
    }
    // A read that stopped part-way leaves new, cleared and old regions side by
    // side: that image must not go back to the unit.
    FImageComplete = ok;
    if (ok) {
      FForceSaveSettings = false;
      pages_.LoadData(MemItems);
      if (pages_.TakeForceSave()) FForceSaveSettings = true;
      FUnitRegions = regionmask::kRead;
      status_.Replace(kReadStep, kRead, true);
      if (status_.Request() == request::kReadAfterConnect) {
        status_.FinishAction(kResOk, kConnected);
        status_.SetStatus(request::kStepFinished);
      }
    }
  } catch (const std::exception& e) {
    ok = false;
    escaped = e.what();
  }
  tasks_.Next();
  FOptionsRead = ok;
  HideProgress();
  pages_.SetBusy(PagesHook::Button::kRead, false);
  if (!escaped.empty()) {
    prompts_.MessageBox(escaped);
    return false;
  }
  if (ok && FForceSaveSettings) {
    FForceSaveSettings = false;
    WriteOptions();
  }
  return ok;
}

void TSettingsSession::WriteRegion(int k) {
  TMemItem& item = MemItems[static_cast<size_t>(k)];
  bool ok = link_.WriteROM(item.FData.data(), item.Addr(), item.Size());
  if (ok) {
    // The unit confirms each chunk, but only reading the region back shows
    // that it holds what was sent.
    std::vector<uint8_t> back(item.Size());
    if (!link_.ReadROM(back.data(), item.Addr(), item.Size())) {
      status_.Log("Контрольное чтение после записи не удалось");
      ok = false;
    } else if (!std::equal(back.begin(), back.end(), item.FData.begin())) {
      status_.Log("Данные, прочитанные после записи, отличаются от записанных");
      ok = false;
    }
  }
  if (!ok) {
    status_.Log(Format("Ошибка записи данных (%u байт по адресу 0x%X)", item.Size(), item.Addr()));
    status_.Replace(kWriteStep, kNotWritten, true);
    status_.FinishAction(kResError, kWriteError);
    throw WriteError{kWriteError};
  }
}

void TSettingsSession::SendSaveCommand() {
  if (link_.SendCmd(cmd::kSaveSettings)) return;
  status_.Replace(kWriteStep, kNotWritten, true);
  if (status_.Request() == request::kSync) status_.FinishAction(kResError, kNotSynced);
  else status_.FinishAction(kResError, kSaveCommandError);
  throw WriteError{kSaveCommandError};
}

bool TSettingsSession::WriteOptions() {
  return RunWrite(false, [this] {
    if (!FImageComplete) {
      status_.Log(kImageIncomplete);
      status_.Replace(kWriteStep, kNotWritten, true);
      status_.FinishAction(kResError, kNotWritten);
      throw WriteError{kImageIncomplete};
    }
    const UnitHold hold(link_, UnitHold::Mode::kExclusive);
    RequireHeld(hold);
    pages_.StoreData(MemItems);
    // Regions beyond the write mask go out only when a page changed them and
    // the image holds the unit's own copy of them (a file carries none).
    const uint32_t mask = regionmask::kWrite | (pages_.ChangedRegions() & FUnitRegions);
    for (int i = 0; i < kRegionCount; ++i) {
      ShowProgress(kWriteProgress, i);
      if (regionmask::Has(mask, i)) WriteRegion(i);
    }
    SendSaveCommand();
    status_.Replace(kWriteStep, kSaved, true);
    status_.FinishAction(kResOk, kSynced);
  });
}

void TSettingsSession::RequireHeld(const UnitHold& hold) {
  if (hold.Held()) return;
  status_.Log(hold.Message());
  status_.Replace(kWriteStep, kNotWritten, true);
  status_.FinishAction(kResError, kNotWritten);
  throw WriteError{hold.Message()};
}

bool TSettingsSession::ReadPinFromUnit(TPIN& pin) {
  return link_.ReadROM(pin.data(), kRegionAddr[kRegionConfig] + TConfigData::kPinOffset,
                       static_cast<uint32_t>(pin.size()));
}

bool TSettingsSession::SetDefaults(uint32_t /*scope*/) {
  if (!link_.OnLine()) {
    status_.Log(kOffline);
    tasks_.Next();
    return false;
  }
  if (prompts_.WarningDialog(kDefaultsQuestion, kYesNo) != Prompts::Answer::kYes) {
    tasks_.Next();
    return false;
  }
  const uint8_t kind = link_.BootState.DeviceInfo.Kind;
  if (kind >= 0x23 && prompts_.WarningDialog(kDefaultsQuestion3, kYesNo) != Prompts::Answer::kYes) {
    tasks_.Next();
    return false;
  }
  std::optional<std::vector<uint8_t>> stream = CreateOptStream(link_);
  if (!stream) {
    status_.Log(kNoFactoryStream);
    tasks_.Next();
    return false;
  }
  const std::string model = ModelName(kind);

  // No other process's workflow may run between reading the PIN and the end
  // of the reset.
  const UnitHold hold(link_, UnitHold::Mode::kExclusive);
  if (!hold.Held()) {
    status_.Log(hold.Message());
    prompts_.MessageBox(hold.Message());
    tasks_.Next();
    return false;
  }

  // The reset keeps the unit's PIN: the options page's copy when the page
  // holds what was read from the unit, otherwise the unit's own bytes.
  TPIN pin{};
  const std::optional<TPIN> pagePin = pages_.OptionsPIN();
  if (pagePin && FOptionsRead) {
    pin = *pagePin;
  } else if (!ReadPinFromUnit(pin)) {
    status_.Log(kPinNotRead);
    prompts_.MessageBox(kPinNotRead);
    tasks_.Next();
    return false;
  }

  std::vector<std::string> list;
  const StreamReadResult res = ReadOptionsFromStream(*stream, &list, MemItems);
  FLastStreamMask = res.mask;
  if (!res.Ok()) {  // the images are checked at build and by the tests
    prompts_.MessageBox(res.message);
    tasks_.Next();
    return false;
  }
  FImageComplete = true;
  FUnitRegions = res.mask & ~regionmask::kNotRestored;
  std::copy(pin.begin(), pin.end(), MemItems[kRegionConfig].FData.begin() + TConfigData::kPinOffset);
  pages_.SetOptionsPIN(pin);

  return RunWrite(false, [&] {
    const uint32_t writeMask = res.mask & ~regionmask::kNotRestored;
    for (int i = 0; i < kRegionCount; ++i) {
      ShowProgress(kWriteProgress, i);
      if (regionmask::Has(writeMask, i)) WriteRegion(i);
    }
    const bool smsSaved = WriteSMS(list);
    if (!smsSaved) status_.Log(kSmsNotSaved);
    SendSaveCommand();
    // The pages still show the old settings: they are read back first, so
    // that the online account gets the factory settings, not the old ones.
    tasks_.AddToTail(task::kReadSettings);
    tasks_.AddToTail(task::kSyncSettings);
    // The regions are in place, but a reset that left the old SMS texts in
    // the unit is not the factory state the user asked for.
    if (!smsSaved) {
      status_.Replace(kDefaultsStep, Format(kDefaultsSmsFailed, model.c_str()), true);
      status_.FinishAction(kResError, kSmsNotSaved);
      throw WriteError{kSmsNotSaved};
    }
    status_.Replace(kDefaultsStep, Format("Заводские настройки %s установлены.", model.c_str()), true);
    status_.FinishAction(kResOk, kDefaultsDone);
  });
}

bool TSettingsSession::WriteSMS(const std::vector<std::string>& st) {
  const UnitHold hold(link_, UnitHold::Mode::kExclusive);
  if (!hold.Held()) {
    status_.Log(hold.Message());
    return false;
  }
  const std::vector<uint8_t> area = BuildSmsArea(st);
  return link_.EraseFlash(kSmsFlashAddr, static_cast<uint32_t>(area.size())) &&
         link_.WriteFlash(area.data(), kSmsFlashAddr, static_cast<uint32_t>(area.size()));
}

bool TSettingsSession::SaveOptions(const std::string& fileName) {
  return RunWrite(true, [&] {
    if (!FImageComplete) throw WriteError{kImageIncomplete};
    pages_.StoreData(MemItems);
    ByteWriter w(kSavedFileSize);
    w.U32LE(streamhdr::kSaveHeader);
    for (int k = 0; k < kRegionCount; ++k) {
      ShowProgress(kWriteProgress, k);
      if (regionmask::Has(streamhdr::kSaveHeader, k)) w.Bytes(MemItems[static_cast<size_t>(k)].Bytes());
    }
    std::string reason;
    if (!WriteFileAtomically(fileName, w.Data(), reason))
      throw WriteError{Format("Не удалось сохранить файл настроек \"%s\": %s", fileName.c_str(), reason.c_str())};
    status_.Replace(kFileStep, kSaved, true);
    status_.FinishAction(kResOk, kSavedToFile);
  });
}

bool TSettingsSession::RunWrite(bool logError, const std::function<void()>& body) {
  status_.SetStatus(request::kWriting);
  pages_.SetBusy(PagesHook::Button::kApply, true);
  bool ok = false;
  std::string error;
  try {
    body();
    ok = true;
  } catch (const WriteError& e) {
    error = e.text;
  } catch (const std::exception& e) {
    error = e.what();
  }
  HideProgress();
  pages_.SetBusy(PagesHook::Button::kApply, false);
  tasks_.Next();
  if (!ok) {
    if (logError) status_.Log(error);
    prompts_.MessageBox(error);
  }
  return ok;
}

bool TSettingsSession::GetOptions(const std::string& fileName) {
  std::vector<uint8_t> bytes;
  std::string reason;
  if (!ReadWholeFile(fileName, kMaxSettingsFile, bytes, reason)) {
    prompts_.MessageBox(Format("Не удалось открыть файл настроек \"%s\": %s", fileName.c_str(), reason.c_str()));
    return false;
  }
  // A file with a damaged header would be converted as another layout and
  // written to the unit as garbage: refuse it before anything changes.
  if (!StreamLayoutFits(bytes)) {
    prompts_.MessageBox(kCorruptSettingsFile);
    return false;
  }
  SMSList.clear();
  const StreamReadResult res = ReadOptionsFromStream(bytes, &SMSList, MemItems);
  FLastStreamMask = res.mask;
  if (res.Ok() && (res.mask & regionmask::kWrite) == regionmask::kWrite) FImageComplete = true;
  bool ok = res.Ok();
  if (!res.message.empty()) prompts_.MessageBox(res.message);
  try {
    pages_.LoadData(MemItems);
    // A page's factory repair waits for the next write: a file load writes nothing.
    pages_.TakeForceSave();
  } catch (const std::exception& e) {
    prompts_.MessageBox(e.what());
    ok = false;
  }
  return ok;
}

}  // namespace orv

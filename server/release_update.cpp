#include "server/release_update.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "server/api.h"
#include "server/http_client.h"

namespace orv {

namespace fs = std::filesystem;

std::string SafeFileName(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) out.push_back('_');
    else out.push_back(c);
  }
  size_t dots = 0;
  while (dots < out.size() && (out[dots] == '.' || out[dots] == ' ')) ++dots;
  out.erase(0, dots);
  return out.empty() ? "_" : out;
}

std::string ManualFileName(bool makeChosen, const std::string& caption) {
  return SafeFileName((makeChosen ? std::string(release_text::kManualPrefix) + caption : release_text::kManualName) + ".pdf");
}

bool WriteFileAtomically(const std::string& path, const std::string& data, bool executable) {
  const std::string tmp = path + ".part";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.flush();
    if (!out) {
      std::error_code ec;
      fs::remove(tmp, ec);
      return false;
    }
  }
  if (executable) ::chmod(tmp.c_str(), 0755);
  std::error_code ec;
  fs::rename(tmp, path, ec);
  if (ec) fs::remove(tmp, ec);
  return !ec;
}

bool HttpGetPDF(server::HttpClient& http, Status& status, Prompts& prompts, const std::string& link, bool makeChosen,
                const std::string& caption, bool open, const std::function<void(const std::string&)>& openFile) {
  const auto result = http.GetBinary(link, {});
  if (!result.ok) {
    server::ReportFailure(result, true, status, prompts);
    return false;
  }
  if (result.body.empty()) return false;
  const std::string path = prompts.ChooseSaveFile("", "*.*|*.*", ManualFileName(makeChosen, caption));
  if (path.empty()) return false;
  if (!WriteFileAtomically(path, result.body, false)) {
    prompts.MessageBox("Невозможно сохранить файл\r\n" + path);
    return false;
  }
  if (open && openFile) openFile(path);
  return true;
}

bool SelfUpdate::CheckTask() {
  Status& st = *host_.status;
  bool read = false;
  newer_ = false;
  const auto result = host_.http->Get(server::ApiUrl(host_.http->Options().baseUrl, server::kConfiguratorGet));
  if (!result.ok) {
    server::ReportFailure(result, true, st, *host_.prompts);
    st.FinishAction(kResError, release_text::kCheckFailed);
  } else {
    try {
      fw_ = selfupdate::ParseUpdateInfo(result.body);
      read = true;
      FUpdateConfirmed = false;
      if (fw_.UpdateAvailable(host_.v1, host_.v2, host_.v3)) {
        newer_ = true;
        st.Replace("", release_text::kAvailable, true);
        if (!host_.askForUpdate) {
          // Only a report: nothing is asked and nothing declined.
          st.FinishAction(kResOk, release_text::kAvailable);
        } else if (!(FUpdateConfirmed = host_.askForUpdate(fw_))) {
          st.FinishAction(kResError, release_text::kDeclined);
          st.Display(release_text::kNotUpdated, true);
        }
      } else {
        st.Display(release_text::kNewest, true);
        st.FinishAction(kResOk, release_text::kNewest);
      }
    } catch (const selfupdate::ReleaseListError& e) {
      st.Log(e.what());
      st.Display(release_text::kListFailed, true);
      st.FinishAction(kResError, release_text::kCheckFailed);
    }
  }
  if (FUpdateConfirmed && host_.queueHead) host_.queueHead(selftask::kDownload);
  if (host_.next) host_.next();
  return read;
}

bool SelfUpdate::DownloadTask() {
  Status& st = *host_.status;
  int oldPercent = -1;
  const auto result = host_.http->GetBinary(fw_.Link, [&](uint64_t received, int64_t total) {
    if (auto text = server::DownloadProgressText(received, total, oldPercent)) st.Progress(*text, true, total > 0 ? oldPercent : -1);
  });
  bool done = false;
  if (!result.ok) {
    server::ReportFailure(result, true, st, *host_.prompts);
  } else {
    st.Display(release_text::kDownloaded, true);
    if (!result.body.empty()) done = UpdateFromStream(result.body);
  }
  if (!done) {
    st.Display(release_text::kNotUpdated, true);
    st.FinishAction(kResError, release_text::kNotUpdated);
    st.SetStatus(selftask::kReqReadSettings);
    if (host_.readSettings) host_.readSettings();
    else if (host_.next) host_.next();
    return false;
  }
  st.FinishAction(kResOk, release_text::kDownloaded);
  st.SetStatus(selftask::kReqDone);
  if (host_.next) host_.next();
  return true;
}

bool SelfUpdate::UpdateFromStream(const std::string& body) {
  const std::string exe = host_.exePath;
  std::string started;
  const fs::path dir = fs::path(exe).parent_path();
  if (!exe.empty() && ::access(dir.c_str(), W_OK) == 0) {
    const std::string old = exe + ".old";
    const std::string tmp = exe + ".new";
    std::error_code ec;
    bool ok = WriteFileAtomically(tmp, body, true);
    if (ok) {
      fs::remove(old, ec);
      // The old program stays reachable as .old; the path never goes missing.
      fs::create_hard_link(exe, old, ec);
      if (ec) fs::copy_file(exe, old, fs::copy_options::overwrite_existing, ec);
      if (!ec) fs::rename(tmp, exe, ec);
      ok = !ec;
      if (!ok) fs::remove(tmp, ec);
    }
    if (ok) started = exe;
  }
  if (started.empty()) {
    const auto answer = host_.prompts->WarningDialog(std::string(release_text::kCannotSave) + exe + "\r\n" +
                                                         release_text::kSaveManually,
                                                     {"Да", "Нет"});
    std::string chosen;
    if (answer == Prompts::Answer::kYes) chosen = host_.prompts->ChooseSaveFile("", "*.*|*.*|PDF|*.pdf", exe);
    if (chosen.empty() || !WriteFileAtomically(chosen, body, true)) {
      FUpdateConfirmed = false;
      return false;
    }
    started = chosen;
  }
  if (!FUpdateConfirmed) return false;
  if (host_.storeInstancesAllowed) host_.storeInstancesAllowed(2);
  if (host_.startAndQuit && !host_.startAndQuit(started)) return false;
  return true;
}

}  // namespace orv

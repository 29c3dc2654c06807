#include "update/fw_server.h"

#include <stdexcept>

#include "server/api.h"
#include "server/http_client.h"

namespace orv {

std::function<std::string(bool)> ServerPackageSource(server::HttpClient& http, std::function<uint32_t()> serial,
                                                     Status& status, Prompts& prompts) {
  return [&http, serial = std::move(serial), &status, &prompts](bool withImages) {
    const std::string url = server::ApiUrl(http.Options().baseUrl, withImages ? server::kCoreSet : server::kCoreGet);
    server::HttpResult r = http.PostForm(url, server::UnitFields(serial()));
    if (!r.ok) {
      server::ReportFailure(r, false, status, prompts);
      throw std::runtime_error(r.errorText.empty() ? "Ошибка при выполнении запроса" : r.errorText);
    }
    return std::move(r.body);
  };
}

}  // namespace orv

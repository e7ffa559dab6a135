#include "track_query_client.h"

#include <cstdio>

#include "log_line.h"
#include "log_texts.h"
#include "settings_file.h"

namespace oq {

namespace {

constexpr const char* kHttpVersion = "HTTP/1.1";
constexpr uint32_t kRequestFlags = platform::kFlagReload | platform::kFlagExistingConnect |
                                   platform::kFlagNoCacheWrite | platform::kFlagKeepConnection;
constexpr uint32_t kErrorMessageSize = 1024;

}  // namespace

TrackQueryClient::TrackQueryClient() : session(kUserAgent) {}

TrackQueryClient::~TrackQueryClient() {
  if (request) {
    request->Close();
    request.reset();
  }
  if (connection) {
    connection->Close();
    connection.reset();
  }
  session.Close();
}

bool TrackQueryClient::SendGet(const char* url, const char* userAgent) {
  if (request) {
    request->Close();
    request.reset();
  }
  lastRequestAnswered = false;
  try {
    return SendGetSteps(url, userAgent);
  } catch (const platform::InternetException& exception) {
    char message[kErrorMessageSize];
    exception.GetErrorMessage(message, sizeof message);
    LogError(log_texts::kTransportFailed);
    LogError(message);
    // A body that failed after a status line must not hide that status: a
    // 500 cut short is still a 500, which ends the pass.
    if (uint32_t code = 0; request && request->QueryInfoStatusCode(code)) StoreStatusCode(code);
    return false;
  }
}

bool TrackQueryClient::SendGetSteps(const char* url, const char* userAgent) {
  platform::ParsedUrl& parsed = parsedUrl;
  if (!platform::ParseInternetUrl(url, parsed) || parsed.service != platform::kInternetServiceHttp) {
    return false;
  }
  if (!connection) {
    connection = session.GetHttpConnection(parsed.server, parsed.port);
    if (!connection) {
      LogDiagnostic("Failed while calling GetHttpConnection().");
      return false;
    }
  }
  request = connection->OpenRequest(platform::kHttpVerbGet, parsed.object, kHttpVersion, kRequestFlags);
  if (!request) {
    LogDiagnostic("Failed while calling OpenRequest().");
    return false;
  }

  const std::string headers = "Host: " + parsed.server + "\r\nUser_Agent: " + userAgent + "\r\n\r\n";
  request->AddRequestHeaders(headers, platform::kAddRequestHeaderIfNew);
  OfferProxyCredentials();
  request->SendRequest();

  uint32_t code = 0;
  request->QueryInfoStatusCode(code);
  StoreStatusCode(code);
  return true;
}

void TrackQueryClient::StoreStatusCode(uint32_t code) {
  lastRequestAnswered = true;
  lastStatusCode = static_cast<int16_t>(code);
  if (code != platform::kHttpStatusOk) {
    char line[80];
    std::snprintf(line, sizeof line, "%s %s%lX", log_texts::kNoAnswer, log_texts::kHttpError,
                  static_cast<unsigned long>(code));
    LogError(line);
  }
}

// Read afresh for every request, so a change in the dialog applies at once.
void TrackQueryClient::OfferProxyCredentials() {
  const std::string enable = SettingsFile::Read(SettingsFile::kAuthProxy, SettingsFile::kEnable,
                                                SettingsFile::kEnableDefault, SettingsFile::kEnableBufferSize);
  if (!IsYes(enable)) return;
  char userName[SettingsFile::kCredentialBufferSize] = {};
  char password[SettingsFile::kCredentialBufferSize] = {};
  const std::string user =
      SettingsFile::Read(SettingsFile::kAuthProxy, SettingsFile::kUserName, "", SettingsFile::kCredentialBufferSize);
  const std::string pass =
      SettingsFile::Read(SettingsFile::kAuthProxy, SettingsFile::kPassword, "", SettingsFile::kCredentialBufferSize);
  user.copy(userName, sizeof userName - 1);
  pass.copy(password, sizeof password - 1);
  request->SetOption(platform::kOptionProxyUsername, userName, sizeof userName);
  request->SetOption(platform::kOptionProxyPassword, password, sizeof password);
}

bool TrackQueryClient::ReadBody(std::string& text) {
  text.clear();
  if (!request) return false;
  std::string line;
  while (request->ReadString(line)) {
    text += line;
    text += '\n';
  }
  return true;
}

}  // namespace oq

#include "update/U_Tarvix_Lite.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/Strings.h"
#include "shell/Settings.h"
#include "shell/U_Log.h"
#include "shell/U_MelkUtils.h"
#include "update/U_TarvixFct.h"
#include "update/U_Version.h"

namespace vandrel {

namespace {

constexpr int kRequestTimeoutMs = 10000;
constexpr size_t kMaxReplyBytes = 64 * 1024;
std::atomic<int> request_timeout_ms{kRequestTimeoutMs};

uint32_t TickCount() {
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

AnsiString Trimmed(const AnsiString& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == AnsiString::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

AnsiString DownloadPageUrl() {
  return AnsiString("https://") + kVendorWebSiteHost + "/?download";
}

AnsiString UpdateCheckUrl(const AnsiString& server, const AnsiString& product_name,
                          const AnsiString& company_name, uint32_t high, uint32_t low) {
  return "https://" + server + "/tarvix/check.php?uid=0" +
         "&ProductName=" + UrlEncode(product_name) + "&Company=" + UrlEncode(company_name) +
         "&VH=" + std::to_string(high) + "&VL=" + std::to_string(low);
}

TUpdateIdentity ReadUpdateIdentity(const AnsiString& file_name) {
  const TDisplayedFileInfo info = GetDisplayedFileInfo(file_name);
  TUpdateIdentity identity;
  identity.ProductName = info.ProductName;
  identity.CompanyName = info.CompanyName;
  // Both names empty: the version finds them itself, as the request asks.
  identity.Version = GetProductVersion(file_name, "", "");
  if (identity.Version.empty()) {
    identity.Version = "0.0.0.0";
  }
  return identity;
}

TTarvixLite::TTarvixLite(TKLog* Log, AnsiString Title) : Log(Log), Title(std::move(Title)) {}

TTarvixLite::~TTarvixLite() {
  OnDone = nullptr;
  Client.reset();
}

void TTarvixLite::SetRequestTimeoutForTesting(int milliseconds) {
  request_timeout_ms = milliseconds > 0 ? milliseconds : kRequestTimeoutMs;
}

void TTarvixLite::Check(const AnsiString& FileName, TNotifyEvent OnDone) {
  CheckIdentity(ReadUpdateIdentity(FileName), std::move(OnDone));
}

void TTarvixLite::CheckIdentity(const TUpdateIdentity& Identity, TNotifyEvent OnDone) {
  Client.reset();
  Busy = true;
  NewVersion = false;
  Answered = false;
  LogAdd(Log, Title + " Update self check : Initialization", kLogInfo);
  this->OnDone = std::move(OnDone);

  const TTarvixVersion local(Identity.Version);
  LocalHigh = local.High();
  LocalLow = local.Low();
  AnsiString server = Trimmed(Server);
  if (server.empty()) {
    server = Trimmed(ReadProductSetting(kUpdateServerSetting));
  }
  if (server.empty()) {
    server = kUpdateServerHost;
  }
  const AnsiString url =
      UpdateCheckUrl(server, Identity.ProductName, Identity.CompanyName, LocalHigh, LocalLow);

  Reply.clear();
  THttpClientFactory* const factory = HttpClientFactory();
  if (factory == nullptr) {
    RequestDone(nullptr, THttpRequest::Get, kHttpErrorStartFailed);
    return;
  }
  try {
    Client = factory->CreateClient();
    factory->SetBrowserDefaults(*Client);
    Client->TimeoutMs = request_timeout_ms;
    Client->MaxBodySize = kMaxReplyBytes;
    Client->OnRequestDone = [this](THttpClient& sender, THttpRequest request, uint16_t code) {
      RequestDone(&sender, request, code);
    };
    Client->Proxy.clear();
    Client->ProxyPort.clear();
    Client->ProxyUsername.clear();
    Client->ProxyPassword.clear();

    const AnsiString address = factory->FallbackToHttp(url);
    if (!SameTextAscii(address, url)) {
      LogAdd(Log, "TarvixLite : No SSL / Back to HTTP", kLogVerbose);
    }
    Client->URL = address;
    Client->RcvdStream = &Reply;
    StartTick = TickCount();
    Client->GetASync();
  } catch (...) {
    // A request that never started still ends the check, or Busy would
    // stay set for the rest of the run.
    RequestDone(Client.get(), THttpRequest::Get, kHttpErrorStartFailed);
  }
}

void TTarvixLite::RequestDone(THttpClient* Sender, THttpRequest RqType, uint16_t ErrCode) {
  if (ErrCode != 0 || RqType != THttpRequest::Get) {
    LogAdd(Log, Title + " Update self check : Server error (" + std::to_string(ErrCode) + ")",
           kLogError);
  } else {
    const TTarvixVersion server(Reply);
    LogAdd(Log,
           Title + " Update self check : Server replied " + server.ToText() + " in " +
               std::to_string(TickCount() - StartTick) + "ms",
           kLogInfo);
    if (!server.IsValid()) {
      const AnsiString reason = Sender != nullptr ? Sender->ReasonPhrase() : AnsiString();
      LogAdd(Log,
             Title + " Update self check : Server error (" + std::to_string(ErrCode) +
                 " Cause : " + reason + ")",
             kLogVerbose);
    }
    Answered = server.IsValid();
    // An answer that is no valid version (a negative field packs into a
    // huge number) never offers a download.
    NewVersion = Answered && server.IsNewerThanPacked(LocalHigh, LocalLow);
  }
  Busy = false;
  // The handler may start the next check, which replaces OnDone.
  const TNotifyEvent done = OnDone;
  if (done) {
    done(this);
  }
}

} // namespace vandrel

#include "update/win32/WinHttpClient.h"

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/Exceptions.h"
#include "base/MainThread.h"

namespace vandrel {

namespace {

std::wstring WideText(const AnsiString& text) {
  const WideString wide = Utf8ToWide(text);
  return std::wstring(wide.begin(), wide.end());
}

AnsiString Utf8Text(const std::wstring& text) {
  return WideToUtf8(std::u16string(text.begin(), text.end()));
}

// WinHTTP's failures in the Qt client's numbers, so both read alike.
uint16_t ErrorCodeOf(DWORD error) {
  switch (error) {
  case ERROR_WINHTTP_TIMEOUT:
    return kHttpErrorTimedOut;
  case ERROR_WINHTTP_CANNOT_CONNECT:
  case ERROR_WINHTTP_CONNECTION_ERROR:
    return 1; // connection refused
  case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    return 3; // host not found
  case ERROR_WINHTTP_SECURE_FAILURE:
  case ERROR_WINHTTP_SECURE_INVALID_CA:
  case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
  case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    return 6; // TLS handshake failed
  default:
    return 99; // other network failure
  }
}

struct Handle {
  HINTERNET value = nullptr;
};

} // namespace

// Everything the request's threads touch: it outlives the client when the
// client goes while a report waits for the GUI thread or WinHTTP has not
// given up yet.
struct TWinHttpClient::State {
  enum class Reporter { None, Worker, Watchdog };
  TWinHttpClient* owner = nullptr; // null once the client is gone
  std::mutex mutex;
  std::condition_variable ended;
  HINTERNET session = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  bool running = false;     // between GetASync and its report (GUI thread)
  bool worker_done = false; // the transfer is over
  Reporter reporter = Reporter::None;
  int status_code = 0;
  AnsiString reason_phrase;
  std::thread worker;
  std::thread watchdog;

  void CloseHandles() {
    for (HINTERNET* handle : {&request, &connection, &session}) {
      if (*handle != nullptr) {
        WinHttpCloseHandle(*handle);
        *handle = nullptr;
      }
    }
  }
};

namespace {

// Hands the one report of a request to the GUI thread. Called by the
// worker or the watchdog after it became the reporter.
void Report(const std::shared_ptr<TWinHttpClient::State>& state, uint16_t code,
            const std::string& body) {
  RunOnMainThread([&] {
    TWinHttpClient* const client = state->owner;
    if (client == nullptr) {
      return; // abandoned: no report
    }
    state->running = false;
    if (client->RcvdStream != nullptr) {
      client->RcvdStream->append(body);
    }
    // A copy: the handler may free the client, and OnRequestDone with it.
    const THttpClient::TRequestDoneEvent done = client->OnRequestDone;
    if (done) {
      done(*client, THttpRequest::Get, code);
    }
  });
}

// A thread that may be waiting on the GUI thread or inside WinHTTP is left
// to end on its own; the shared state keeps what it touches.
void JoinOrLeave(std::thread& thread, bool may_block) {
  if (thread.joinable()) {
    if (may_block) {
      thread.detach();
    } else {
      thread.join();
    }
  }
}

} // namespace

namespace {

struct Request {
  std::wstring host;
  std::wstring path;
  INTERNET_PORT port = 0;
  bool secure = false;
  std::wstring agent, version, headers, proxy;
  DWORD timeout_ms = 0;
  size_t max_body = 0;
};

// One GET to its end; returns the report's error code and fills body.
uint16_t Transfer(TWinHttpClient::State& state, const Request& request, std::string& body) {
  {
    std::lock_guard lock(state.mutex);
    state.session = WinHttpOpen(
        request.agent.c_str(),
        request.proxy.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
        request.proxy.empty() ? WINHTTP_NO_PROXY_NAME : request.proxy.c_str(),
        WINHTTP_NO_PROXY_BYPASS, 0);
    if (state.session == nullptr) {
      return 99;
    }
    if (request.timeout_ms > 0) {
      const int t = static_cast<int>(request.timeout_ms);
      WinHttpSetTimeouts(state.session, t, t, t, t);
    }
    state.connection = WinHttpConnect(state.session, request.host.c_str(), request.port, 0);
    if (state.connection == nullptr) {
      return ErrorCodeOf(GetLastError());
    }
    state.request =
        WinHttpOpenRequest(state.connection, L"GET", request.path.c_str(), request.version.c_str(),
                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                           (request.secure ? WINHTTP_FLAG_SECURE : 0) | WINHTTP_FLAG_REFRESH);
    if (state.request == nullptr) {
      return ErrorCodeOf(GetLastError());
    }
  }
  const HINTERNET handle = state.request;
  if (!WinHttpSendRequest(
          handle, request.headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : request.headers.c_str(),
          request.headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0,
          0) ||
      !WinHttpReceiveResponse(handle, nullptr)) {
    return ErrorCodeOf(GetLastError());
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    wchar_t reason[256] = {};
    DWORD reason_size = sizeof reason - sizeof(wchar_t);
    WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_TEXT, WINHTTP_HEADER_NAME_BY_INDEX, reason,
                        &reason_size, WINHTTP_NO_HEADER_INDEX);
    std::lock_guard lock(state.mutex);
    state.status_code = static_cast<int>(status);
    state.reason_phrase = Utf8Text(reason);
  }
  char buffer[8192];
  for (;;) {
    DWORD got = 0;
    if (!WinHttpReadData(handle, buffer, sizeof buffer, &got)) {
      return ErrorCodeOf(GetLastError());
    }
    if (got == 0) {
      return kHttpErrorNone;
    }
    body.append(buffer, got);
    if (request.max_body != 0 && body.size() > request.max_body) {
      body.resize(request.max_body);
      return kHttpErrorBodyTooLarge;
    }
  }
}

} // namespace

TWinHttpClient::TWinHttpClient() : state_(std::make_shared<State>()) {
  state_->owner = this;
}

TWinHttpClient::~TWinHttpClient() {
  std::unique_lock lock(state_->mutex);
  state_->owner = nullptr;
  const bool worker_may_block = !state_->worker_done || state_->reporter == State::Reporter::Worker;
  const bool watchdog_may_block = state_->reporter == State::Reporter::Watchdog;
  state_->ended.notify_all();
  lock.unlock();
  JoinOrLeave(state_->watchdog, watchdog_may_block);
  JoinOrLeave(state_->worker, worker_may_block);
}

int TWinHttpClient::StatusCode() const {
  std::lock_guard lock(state_->mutex);
  return state_->status_code;
}

AnsiString TWinHttpClient::ReasonPhrase() const {
  std::lock_guard lock(state_->mutex);
  return state_->reason_phrase;
}

void TWinHttpClient::GetASync() {
  if (state_->running) {
    throw Exception("A request is already pending");
  }
  const std::wstring url = WideText(URL);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
      parts.dwHostNameLength == 0 ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    throw Exception("Invalid address: " + URL);
  }
  Request request;
  request.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  request.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  request.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (request.path.empty()) {
    request.path = L"/";
  }
  request.port = parts.nPort;
  request.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  request.agent = WideText(Agent);
  request.version = L"HTTP/" + WideText(RequestVer.empty() ? AnsiString("1.1") : RequestVer);
  if (!Accept.empty()) {
    request.headers += L"Accept: " + WideText(Accept) + L"\r\n";
  }
  if (!AcceptLanguage.empty()) {
    request.headers += L"Accept-Language: " + WideText(AcceptLanguage) + L"\r\n";
  }
  if (!Proxy.empty()) {
    request.proxy = WideText(Proxy) + (ProxyPort.empty() ? L"" : L":" + WideText(ProxyPort));
  }
  request.timeout_ms = TimeoutMs > 0 ? static_cast<DWORD>(TimeoutMs) : 0;
  request.max_body = MaxBodySize;

  // A client used again (perhaps from its own report): the threads of the
  // last request have reported, or are about to end.
  {
    std::unique_lock lock(state_->mutex);
    const bool worker_may_block =
        !state_->worker_done || state_->reporter == State::Reporter::Worker;
    const bool watchdog_may_block = state_->reporter == State::Reporter::Watchdog;
    lock.unlock();
    JoinOrLeave(state_->watchdog, watchdog_may_block);
    JoinOrLeave(state_->worker, worker_may_block);
  }
  state_->running = true;
  state_->worker_done = false;
  state_->reporter = State::Reporter::None;
  state_->status_code = 0;
  state_->reason_phrase.clear();

  const std::shared_ptr<State> state = state_;
  if (request.timeout_ms > 0) {
    // WinHTTP's own time-outs bound each step, not the whole request, and
    // a blocked call cannot be relied on to end when its handle closes:
    // the watchdog reports the time-out itself.
    state->watchdog = std::thread([state, limit = request.timeout_ms] {
      std::unique_lock lock(state->mutex);
      const bool finished = state->ended.wait_for(lock, std::chrono::milliseconds(limit), [&] {
        return state->worker_done || state->owner == nullptr;
      });
      if (finished || state->reporter != State::Reporter::None) {
        return;
      }
      state->reporter = State::Reporter::Watchdog;
      lock.unlock();
      Report(state, kHttpErrorTimedOut, {});
    });
  }
  state->worker = std::thread([state, request] {
    std::string body;
    const uint16_t code = Transfer(*state, request, body);
    {
      std::lock_guard lock(state->mutex);
      state->worker_done = true;
      state->CloseHandles();
      state->ended.notify_all();
      if (state->owner == nullptr || state->reporter != State::Reporter::None) {
        return; // gone, or the time-out was reported
      }
      state->reporter = State::Reporter::Worker;
    }
    Report(state, code, body);
  });
}

namespace {

class TWinHttpClientFactory : public THttpClientFactory {
public:
  std::unique_ptr<THttpClient> CreateClient() override {
    return std::make_unique<TWinHttpClient>();
  }
  void SetBrowserDefaults(THttpClient& client) override {
    client.Agent = "Mozilla/5.0";
    client.RequestVer = "1.1";
    client.Accept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
    client.AcceptLanguage = "fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3";
    client.TimeoutMs = 3000;
  }
  // The system's TLS is always there.
  AnsiString FallbackToHttp(const AnsiString& url) override { return url; }
};

} // namespace

void InstallWinHttpClient() {
  static TWinHttpClientFactory factory;
  SetHttpClientFactory(&factory);
}

} // namespace vandrel

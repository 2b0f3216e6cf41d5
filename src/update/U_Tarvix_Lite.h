#pragma once
// The update check: asks the vendor's update server whether a newer version
// of a program exists. One HTTPS GET carries the program's product name,
// company and packed version; the server answers with the newest version as
// plain text. Qt-free: the request goes through the installed HTTP client
// factory (update/HttpClient.h), and everything runs on the GUI thread.
// A front end calls InstallQtHttpClient() (net/U_HTTP_Custo.h) once at
// start-up; without a factory every check ends at once with
// "Server error (1001)".

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Strings.h"
#include "update/HttpClient.h"
#include "update/VendorSites.h"

namespace vandrel {

class TKLog;

/// String value of the product key that replaces the update server's host
/// ("HOST" or "HOST:PORT"); read at every check.
inline constexpr char kUpdateServerSetting[] = "UpdateServer";

/// The download page the window offers when a newer version exists:
/// "https://www.tolvane.example/?download".
AnsiString DownloadPageUrl();

/// "https://", server, "/tarvix/check.php?uid=0", then "&ProductName=",
/// "&Company=" (both UrlEncode'd), "&VH=" and "&VL=" (unsigned decimal).
AnsiString UpdateCheckUrl(const AnsiString& server, const AnsiString& product_name,
                          const AnsiString& company_name, uint32_t high, uint32_t low);

/// What the request says about a program file.
struct TUpdateIdentity {
  AnsiString ProductName;
  AnsiString CompanyName;
  AnsiString Version; ///< four dot-separated decimal numbers
};
/// The file's product identity (update/U_TarvixFct.h): GetDisplayedFileInfo
/// and GetProductVersion with both names empty. For our own executables
/// that is their "ProductName" and "CompanyName" strings and fixed file
/// version ("1.0.0.1"); "0.0.0.0" when no version is found.
TUpdateIdentity ReadUpdateIdentity(const AnsiString& file_name);

class TTarvixLite {
public:
  using TNotifyEvent = std::function<void(TTarvixLite* Sender)>;

  /// Stores the log (not owned; may be null) and the title put in front of
  /// the log lines; nothing runs until Check.
  TTarvixLite(TKLog* Log, AnsiString Title);
  /// Clears OnDone, then frees Client: a pending request is abandoned and
  /// OnDone is not called for it.
  ~TTarvixLite();
  TTarvixLite(const TTarvixLite&) = delete;
  TTarvixLite& operator=(const TTarvixLite&) = delete;

  /// Starts a check for the executable FileName (its identity as
  /// ReadUpdateIdentity gives it) and returns at once; OnDone is stored and
  /// called once when the check ends, with Busy false and NewVersion and
  /// Answered set. Call on the GUI thread, not while Busy (the window
  /// disables its menu item meanwhile); a Client from an earlier check is
  /// freed first. When the request cannot even start, the end (an Error
  /// line, OnDone) is handled before Check returns. The request ends with
  /// an error after 10 seconds without a complete answer, and a body above
  /// 64 KiB counts as no answer, so Busy always clears.
  void Check(const AnsiString& FileName, TNotifyEvent OnDone);
  /// Check with the identity given instead of read from a file.
  void CheckIdentity(const TUpdateIdentity& Identity, TNotifyEvent OnDone);

  /// The client's end-of-request event (also called for a start that
  /// failed): logs the outcome, sets Answered (the body parsed as a valid
  /// version) and NewVersion (answered, and newer than LocalHigh/LocalLow),
  /// clears Busy and calls OnDone.
  void RequestDone(THttpClient* Sender, THttpRequest RqType, uint16_t ErrCode);

  /// Shortens the request time-out (10 seconds) so tests of a silent server
  /// stay fast; a value <= 0 restores the default. Not a user setting.
  static void SetRequestTimeoutForTesting(int milliseconds);

  /// Tick count (milliseconds) when the request was sent.
  uint32_t StartTick = 0;
  TKLog* const Log;
  /// True from the start of a check until its end has been handled.
  bool Busy = false;
  TNotifyEvent OnDone;
  /// Packed halves of the checked program's version.
  uint32_t LocalHigh = 0;
  uint32_t LocalLow = 0;
  const AnsiString Title;
  /// The body of the server's answer.
  AnsiString Reply;
  /// The client of the current or last check; replaced at every check.
  std::unique_ptr<THttpClient> Client;
  /// The server's version is newer than the checked one.
  bool NewVersion = false;
  /// The server's answer parsed as a valid version (not all zero).
  bool Answered = false;
  /// The update server ("HOST" or "HOST:PORT") for the next checks; empty
  /// means the product key's "UpdateServer" value, else kUpdateServerHost.
  AnsiString Server;
};

} // namespace vandrel

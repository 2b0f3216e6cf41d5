#include "shell/U_VendorPages.h"

#include "platform/ShellOpen.h"

namespace vandrel {

AnsiString VendorPageUrl(const AnsiString& path) {
  return AnsiString("https://") + kVendorWebSiteHost + path;
}

AnsiString VendorMailUrl() {
  return AnsiString("mailto:") + kVendorContactAddress;
}

void OpenAddress(const AnsiString& address) {
  // A missing browser or mail program is not worth a message: the user
  // clicked a link, and nothing opening says as much.
  static_cast<void>(platform::ShellOpen(address));
}

} // namespace vandrel

#pragma once
// The vendor's web pages and contact address, opened by the help commands of
// the main window and the About box.

#include "platform/Strings.h"
#include "update/VendorSites.h"

namespace vandrel {

/// Paths of the pages the help commands open.
inline constexpr char kForumPath[] = "/forum";
inline constexpr char kBugReportPath[] = "/bugs/view_all_bug_page.php?project_id=8";
inline constexpr char kChangeLogPath[] = "/bugs/changelog_page.php?project_id=8";

/// "https://", the vendor web site's host and path (empty for the home
/// page).
AnsiString VendorPageUrl(const AnsiString& path);
/// "mailto:" and the contact address.
AnsiString VendorMailUrl();

/// Hands address to the desktop's default program (browser or mail
/// program). Nothing is shown, and nothing happens, when there is none.
void OpenAddress(const AnsiString& address);

} // namespace vandrel

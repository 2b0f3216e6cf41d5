#pragma once
// The vendor's hosts, in one place for the update check, the help commands
// and the about box. The names are fictional (.example never resolves to a
// real site), so nothing reaches a stranger's server by accident.

namespace vandrel {

/// The update server the check asks (the product key's "UpdateServer"
/// string value overrides it).
inline constexpr char kUpdateServerHost[] = "update.tolvane.example";
/// The vendor's web site: download page, help pages.
inline constexpr char kVendorWebSiteHost[] = "www.tolvane.example";
/// The vendor's contact mail address.
inline constexpr char kVendorContactAddress[] = "contact@tolvane.example";

} // namespace vandrel

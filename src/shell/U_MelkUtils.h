#pragma once
// Small text helpers shared by the shell and the update check.

#include "platform/Strings.h"

namespace vandrel {

/// Byte by byte: a space becomes "%20"; A-Z, a-z, 0-9, "-", "." and "_" stay;
/// every other byte becomes "%" and two upper-case hexadecimal digits
/// ("/" gives "%2F", the byte 0xE9 gives "%E9").
AnsiString UrlEncode(const AnsiString& text);

} // namespace vandrel

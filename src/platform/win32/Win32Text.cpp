#include "platform/win32/Win32Text.h"

#include "platform/win32/Windows.h"

namespace vandrel::platform::win32 {

std::wstring Wide(std::string_view utf8) {
  const WideString name = Utf8ToWide(utf8);
  return std::wstring(name.begin(), name.end());
}

std::wstring Wide(std::u16string_view name) {
  return std::wstring(name.begin(), name.end());
}

AnsiString Utf8(std::wstring_view text) {
  return WideToUtf8(std::u16string(text.begin(), text.end()));
}

WideString Name(std::wstring_view text) {
  return WideString(text.begin(), text.end());
}

bool ToAnsiExactly(std::u16string_view name, std::string& ansi) {
  ansi.clear();
  if (name.empty()) {
    return true;
  }
  const std::wstring wide = Wide(name);
  BOOL used_default = FALSE;
  const int size =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, nullptr, &used_default);
  if (size <= 0 || used_default) {
    return false;
  }
  ansi.resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      ansi.data(), size, nullptr, &used_default);
  return !used_default;
}

std::wstring LongPathForm(std::u16string_view name) {
  if (name.size() >= 2 && name[0] == u'\\' && name[1] == u'\\') {
    return L"\\\\?\\UNC\\" + Wide(name.substr(2));
  }
  return L"\\\\?\\" + Wide(name);
}

AnyFunction LookUpFunction(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (handle == nullptr) {
    handle = LoadLibraryW(module);
  }
  return handle == nullptr ? nullptr : reinterpret_cast<AnyFunction>(GetProcAddress(handle, name));
}

double FileTimeToDateTime(unsigned long low, unsigned long high) {
  FILETIME utc{low, high};
  FILETIME local{};
  if (!FileTimeToLocalFileTime(&utc, &local)) {
    local = utc;
  }
  const ULONGLONG ticks =
      (static_cast<ULONGLONG>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
  // 100-ns ticks since 1601-01-01; 1899-12-30 is 109205 days later.
  return static_cast<double>(ticks) / 864000000000.0 - 109205.0;
}

} // namespace vandrel::platform::win32

#include "platform/SystemInfo.h"

#include <string>

namespace vandrel::platform {

namespace {

// One os-release value: double or single quotes removed, backslash escapes
// inside double quotes (and outside them) resolved.
AnsiString Unquote(std::string_view value) {
  AnsiString out;
  char quote = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quote == '\'') {
      if (c == '\'') {
        quote = 0;
      } else {
        out.push_back(c);
      }
    } else if (c == '\\' && i + 1 < value.size()) {
      out.push_back(value[++i]);
    } else if (c == '"') {
      quote = quote == '"' ? 0 : '"';
    } else if (c == '\'' && quote == 0) {
      quote = '\'';
    } else {
      out.push_back(c);
    }
  }
  return out;
}

} // namespace

AnsiString DistributionNameFromOsRelease(std::string_view text) {
  AnsiString pretty, name, version;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      continue;
    }
    const std::string_view key = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    if (key == "PRETTY_NAME") {
      pretty = Unquote(value);
    } else if (key == "NAME") {
      name = Unquote(value);
    } else if (key == "VERSION_ID") {
      version = Unquote(value);
    }
  }
  if (!pretty.empty()) {
    return pretty;
  }
  if (!name.empty() && !version.empty()) {
    return name + " " + version;
  }
  return name;
}

} // namespace vandrel::platform

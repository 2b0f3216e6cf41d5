#pragma once
// Conversions between the window's Qt texts and the program's strings, and
// the filling of a translated text's placeholder: one copy for every
// source file of the main window.

#include <QLineEdit>
#include <QString>

#include "platform/Strings.h"

namespace vandrel::qt_text {

inline QString Q(const AnsiString& s) {
  return QString::fromStdString(s);
}
inline QString Q(const WideString& s) {
  return QString::fromStdU16String(s);
}
inline WideString Wide(const QLineEdit* edit) {
  return edit->text().toStdU16String();
}
inline AnsiString Ansi(const QLineEdit* edit) {
  return edit->text().toStdString();
}

/// Fills the first marker ("%s", "%d") of a translated text.
inline AnsiString Format(const AnsiString& text, const char* marker, const AnsiString& value) {
  AnsiString result = text;
  const size_t at = result.find(marker);
  if (at != AnsiString::npos) {
    result.replace(at, 2, value);
  }
  return result;
}
inline AnsiString Format(const AnsiString& text, const AnsiString& value) {
  return Format(text, "%s", value);
}

} // namespace vandrel::qt_text

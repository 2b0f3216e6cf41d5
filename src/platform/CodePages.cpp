#include "platform/CodePages.h"

namespace vandrel::platform {

unsigned CodePageOfCharset(std::uint8_t charset) {
  switch (charset) {
  case 0: // ANSI_CHARSET
  case 2: // SYMBOL_CHARSET
    return 1252;
  case 77: // MAC_CHARSET
    return 10000;
  case 128: // SHIFTJIS_CHARSET
    return 932;
  case 129: // HANGEUL_CHARSET
    return 949;
  case 130: // JOHAB_CHARSET
    return 1361;
  case 134: // GB2312_CHARSET
    return 936;
  case 136: // CHINESEBIG5_CHARSET
    return 950;
  case 161: // GREEK_CHARSET
    return 1253;
  case 162: // TURKISH_CHARSET
    return 1254;
  case 163: // VIETNAMESE_CHARSET
    return 1258;
  case 177: // HEBREW_CHARSET
    return 1255;
  case 178: // ARABIC_CHARSET
    return 1256;
  case 186: // BALTIC_CHARSET
    return 1257;
  case 204: // RUSSIAN_CHARSET
    return 1251;
  case 222: // THAI_CHARSET
    return 874;
  case 238: // EASTEUROPE_CHARSET
    return 1250;
  case 255: // OEM_CHARSET
    return 437;
  default: // DEFAULT_CHARSET and anything unknown
    return AnsiCodePage();
  }
}

} // namespace vandrel::platform

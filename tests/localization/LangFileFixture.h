#pragma once
// Builds language files record by record, and a small application tree to
// apply them to.

#include <string>

#include "base/MemoryComponents.h"
#include "localization/C_LangPack.h"
#include "localization/C_TextStorage.h"
#include "localization/Lang_Storageobj.h"

namespace vandrel::test {

/// A BMP file image of width x height pixels, 24 bits, rows padded to 4
/// bytes: the smallest flag the program takes is BmpImage(1, 1).
inline std::string BmpImage(std::int32_t width, std::int32_t height) {
  const std::int32_t stride = (width * 24 + 31) / 32 * 4;
  const std::int32_t size = 54 + stride * height;
  std::string b(static_cast<size_t>(size), '\0');
  auto put = [&b](size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<std::uint32_t>(size), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  return b;
}

struct LangFileWriter {
  TStorefile file;
  explicit LangFileWriter(const WideString& name) {
    file.SetSignature(kLanguageFileSignature);
    file.SetFilename(name);
    file.Erase();
    file.Open();
  }
  LangFileWriter& Text(std::int32_t tag, const std::string& data) {
    file.AppendString(tag, data);
    return *this;
  }
  LangFileWriter& Int(std::int32_t tag, std::int32_t value) {
    file.AppendInteger(tag, value);
    return *this;
  }
  /// Header records 0 to 13 of a revision-4 file (fewer for older
  /// revisions).
  LangFileWriter& Header(int revision, std::uint16_t lang_id, std::uint8_t charset = 0,
                         const std::string& font = "Tahoma", int min_size = 8) {
    Int(0, (revision << 16) + lang_id).Text(1, "Français").Text(2, "Langue").Text(3, "France");
    Text(4, "").Text(5, "");
    Int(0x200, (1 << 24) | (2 << 16) | (3 << 10) | 4);
    if (revision >= 2) {
      Int(0x204, 0).Text(0x205, "").Text(0x206, "");
    }
    Text(0x201, "").Text(0x202, font).Int(0x203, charset);
    if (revision >= 4) {
      Int(0x204, min_size);
    }
    return *this;
  }
  LangFileWriter& Group(const std::string& path, int layout, std::int32_t caption_tag,
                        const std::string& caption, std::int32_t hint_tag = 0,
                        const std::string& hint = "", std::int32_t list_tag = 0,
                        const std::string& list = "") {
    Text(0x211, path).Int(0x300, layout);
    return Text(caption_tag, caption).Text(hint_tag, hint).Text(list_tag, list);
  }
};

/// app → main (TS, splitgo_btn, predef_cmb, info_lbl, notes_mem, a
/// menu item), AboutDlg (ok_btn).
struct AppTree {
  TApplicationObject app;
  TWindow* main = new TWindow(&app, "main");
  TTextStorage* ts = new TTextStorage(main, "TS");
  TButton* splitgo = new TButton(main, "splitgo_btn");
  TComboBox* predef = new TComboBox(main, "predef_cmb");
  TLabel* info = new TLabel(main, "info_lbl");
  TMemo* notes = new TMemo(main, "notes_mem");
  TMenuItem* help = new TMenuItem(main, "help_mnu");
  TWindow* about = new TWindow(&app, "AboutDlg");
  TButton* ok = new TButton(about, "ok_btn");

  AppTree() {
    main->SetProp("Caption", AnsiString("Vandrel"));
    main->SetProp("Font", TFont{"Sans", 1, 8});
    ts->SetItems({"Done.", "unused"});
    ts->Loaded();
    splitgo->SetProp("Caption", AnsiString("Split Now"));
    splitgo->SetProp("Hint", AnsiString("Start splitting"));
    splitgo->SetProp("ShowHint", true);
    splitgo->SetProp("Font", TFont{"Sans", 1, 8});
    predef->SetProp("Items", TStrings{"a", "b", "c", "d", "e"});
    predef->SetProp("ItemIndex", 3);
    info->SetProp("Caption", AnsiString("Info"));
    info->SetProp("Font", TFont{"Mono", 1, 7});
    help->SetProp("Caption", AnsiString("Help"));
    about->SetProp("Caption", AnsiString("About"));
    ok->SetProp("Caption", AnsiString("Ok"));
  }
};

} // namespace vandrel::test

#pragma once
// The disk-span rebuild job: asks for the last disk of a set to learn how
// many parts there are, then for every disk in order from the first, and
// appends each disk's part to the output file.

#include "engine/U_SpanSplitThread.h"

namespace vandrel {

class TSpanRebuildThread : public TCopyJob {
public:
  /// Input: the name of the file that was spread (a part's name without
  /// ".vd" and the number).
  WideString BaseName;
  /// Input: folder for the rebuilt file, with or without a trailing separator.
  WideString OutputDir;
  /// Input: the drive's folder as the user named it; empty for automatic.
  WideString Drive;
  /// Input: owner of the prompts, and the translation of their texts.
  MessageOwner Owner = nullptr;
  TSpanTranslate Translate;

  /// Output: the number of the last part, -1 until the last disk is known.
  std::int32_t LastDisk = -1;
  /// Output: parts completely appended to the output.
  std::int32_t PartCount = 0;
  /// Output: the disk (counted from 1) whose prompt the user cancelled, 0
  /// for the prompt for the last disk; -1 when no prompt was cancelled.
  std::int32_t StoppedAtDisk = -1;

  /// The rebuilt file's full name.
  WideString OutputFile() const;

protected:
  void Execute() override;

private:
  AnsiString Text(const AnsiString& english) const;
  /// Asks with text; false (recording why) when the user cancels.
  bool Ask(const AnsiString& text, std::int32_t disk);
};

} // namespace vandrel

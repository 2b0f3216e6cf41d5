#pragma once
// The disk-span split job: spreads SourceFile over a series of removable
// disks, one part per disk, each as large as the disk's free space, asking
// for the next disk whenever the one in the drive is full.

#include <functional>

#include "engine/U_CopyJob.h"
#include "shell/U_MsgDlg.h"

namespace vandrel {

/// Translates a prompt's English text; the identity when not set.
using TSpanTranslate = std::function<AnsiString(const AnsiString&)>;

class TSpanSplitThread : public TCopyJob {
public:
  /// Input: full name of the file to spread.
  WideString SourceFile;
  /// Input: the drive's folder as the user named it; empty for automatic.
  WideString Drive;
  /// Input: owner of the prompts, and the translation of their texts.
  MessageOwner Owner = nullptr;
  TSpanTranslate Translate;

  /// Output: parts completely written (and flushed onto their disks).
  std::int32_t PartCount = 0;
  /// Output: the disk (counted from 1) whose prompt the user cancelled;
  /// 0 when no prompt was cancelled.
  std::int32_t StoppedAtDisk = 0;

protected:
  void Execute() override;

private:
  AnsiString Text(const AnsiString& english) const;
};

} // namespace vandrel

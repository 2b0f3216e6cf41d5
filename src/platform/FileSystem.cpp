#include "platform/FileSystem.h"

namespace vandrel::platform {

FolderListing::FolderListing(const WideString& folder) {
  WideString pattern = folder;
  if (!pattern.empty() && !IsPathDelimiter(pattern.back())) {
    pattern += PathSeparator();
  }
  // Only the last part of a pattern holds wildcards: the folder stays literal.
  search_ = FindFirst(pattern + u"*", first_);
  first_pending_ = search_ != kInvalidFind;
}

FolderListing::~FolderListing() {
  FindClose(search_);
}

bool FolderListing::Next(FindData& data) {
  if (first_pending_) {
    first_pending_ = false;
    data = std::move(first_);
    return true;
  }
  return search_ != kInvalidFind && FindNext(search_, data);
}

} // namespace vandrel::platform

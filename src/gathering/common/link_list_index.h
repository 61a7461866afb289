// LinkListIndex: a savenew step's reading of its run's link-list file
// without reading the whole file. The byte offset of every line is kept in a
// small process-wide cache keyed by the file's path and checked against the
// file's device, inode, size and modification time at every step, so a step
// reads and decodes only its own line. The file stays the truth: a step that
// finds no index (a restart, an index dropped) or a file changed on disk
// builds the index from the file again.
//
// The lines are what decoding the whole file from GB2312 and splitting it at
// CRLF gives: GB2312 decodes character by character and no double-byte
// character ends in a CR, so a CRLF of the bytes is a CRLF of the text and a
// line's bytes decode alone to the line. A lone CR or LF stays in its line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ostrel::gathering {

class LinkListIndex {
 public:
  // Opens the file at path (the admin page's path, as MapPath gives it). A
  // missing, unreadable or oversized file reads as an empty list.
  explicit LinkListIndex(const std::string& path);
  ~LinkListIndex();
  LinkListIndex(const LinkListIndex&) = delete;
  LinkListIndex& operator=(const LinkListIndex&) = delete;

  // True when the decoded text has fewer than chars characters.
  bool Shorter(int32_t chars) const;

  // The number of lines and line k decoded ("" when k is no line).
  struct Lines {
    size_t count = 0;
    std::string wanted;
  };
  Lines At(size_t k);

  // Drops the index of path, when a run's list is rewritten or deleted.
  static void Forget(const std::string& path);

  struct Offsets;

 private:
  std::string native_;
  int fd_ = -1;
  std::shared_ptr<const Offsets> offsets_;
};

}  // namespace ostrel::gathering

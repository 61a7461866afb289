// Scripting.FileSystemObject, the subset the component uses: existence
// tests, folder creation, deletion with wildcards in the last part, moves
// that never replace, copies, and folder walks. Paths are Windows paths in
// and out; failures raise the VbError numbers the platform raised.
//
// Existence tests and the folder a call names follow links, as any path
// does; entries met inside a folder never do: a link is a file-like entry
// that is deleted, moved or listed itself, and nothing walks through it.
#pragma once

#include <string>
#include <string_view>

#include "platform/fs/file.h"
#include "platform/fs/folder.h"

namespace ostrel::fs {

class FileSystemObject {
 public:
  // False for a missing entry, a path without a mapped drive, or a path
  // with wildcards.
  bool FileExists(std::string_view path) const;
  bool FolderExists(std::string_view path) const;

  // Creates one folder level. 58 when the name exists, 76 when the parent
  // folder is missing, 52 for a name Windows refuses.
  Folder CreateFolder(std::string_view path) const;

  // Deletes the files matching the last part of path (wildcards allowed).
  // 53 when nothing matches, 76 when the folder is missing, 70 for a
  // read-only file unless force. Links are deleted themselves.
  void DeleteFile(std::string_view path, bool force = false) const;

  // Deletes the folders matching the last part of path with everything in
  // them (links inside deleted themselves). 76 when nothing matches, 70 for
  // read-only content unless force. A wildcard in either call passes over
  // the working files and folders of runs still going on (run_leftovers.h).
  void DeleteFolder(std::string_view path, bool force = false) const;

  // Moves a file (a link as itself) or a folder. A destination ending in "\"
  // is the folder to move into. 53 (file) or 76 (folder) when the source is
  // missing, 58 when the destination exists (it is never replaced), 76 when
  // the destination folder is missing.
  void MoveFile(std::string_view source, std::string_view destination) const;
  void MoveFolder(std::string_view source, std::string_view destination) const;

  // Copies a file. A destination ending in "\" is the folder to copy into.
  // 53 when the source is missing, 58 when the destination exists and
  // overwrite is False or it is a folder, 70 when it is read-only.
  void CopyFile(std::string_view source, std::string_view destination, bool overwrite = true) const;

  // 76 when the folder is missing; 53 when the file is missing.
  Folder GetFolder(std::string_view path) const;
  File GetFile(std::string_view path) const;

  // Text rules on paths, touching no file.
  std::string GetExtensionName(std::string_view path) const;     // "a.b.txt" -> "txt"
  std::string GetFileName(std::string_view path) const;          // "C:\a\b.txt" -> "b.txt"
  std::string GetParentFolderName(std::string_view path) const;  // "C:\a\b.txt" -> "C:\a"
  std::string BuildPath(std::string_view path, std::string_view name) const;
};

}  // namespace ostrel::fs

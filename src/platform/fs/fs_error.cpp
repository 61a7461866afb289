#include "platform/fs/fs_error.h"

#include <cerrno>

#include "platform/vb/vb_error.h"

namespace ostrel::fs {

void RaiseFileError(int32_t number) {
  switch (number) {
    case kErrBadFileName:
      throw vb::VbError(number, "", "Bad file name or number");
    case kErrPathFileAccess:
      throw vb::VbError(number, "", "Path/File access error");
    default:
      vb::Raise(number);
  }
}

int32_t ErrorFromErrno(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
      return vb::kErrPermission;
    case ENOENT:
    case ENOTDIR:
      return vb::kErrPathNotFound;
    case EEXIST:
    case ENOTEMPTY:
      return vb::kErrFileExists;
    case ENAMETOOLONG:
      return kErrBadFileName;
    default:
      return kErrPathFileAccess;
  }
}

}  // namespace ostrel::fs

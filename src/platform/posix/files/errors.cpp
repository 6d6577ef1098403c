#include "platform/posix/files/errors.h"

#include <cerrno>

#include "platform/files.h"

namespace platform::posix {

namespace we = win_error;

uint32_t windows_error(int posix_errno) {
  switch (posix_errno) {
    case 0:
      return we::kSuccess;
    case ENOENT:
      return we::kFileNotFound;
    case ENOTDIR:
      return we::kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return we::kAccessDenied;
    case EEXIST:
      return we::kAlreadyExists;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return we::kDiskFull;
    case EROFS:
      return we::kWriteProtect;
    case EMFILE:
    case ENFILE:
      return we::kTooManyOpenFiles;
    case ENAMETOOLONG:
      return we::kFilenameExcedRange;
    case EIO:
      return we::kGenFailure;
    case EBADF:
      return we::kInvalidHandle;
    case EINVAL:
      return we::kInvalidParameter;
    case ENOMEM:
      return we::kNotEnoughMemory;
    case EBUSY:
    case ETXTBSY:
      return we::kSharingViolation;
    case EAGAIN:
      return we::kLockViolation;
    case EXDEV:
      return we::kNotSameDevice;
    case ENXIO:
    case ENODEV:
      return we::kNotReady;
    case ESPIPE:
      return we::kSeek;
    case ENOTEMPTY:
      return we::kDirNotEmpty;
    case EPIPE:
      return we::kBrokenPipe;
    case ELOOP:
      return we::kCantResolveFilename;
    case EFBIG:
      return we::kFileTooLarge;
    default:
      return we::kGenFailure;
  }
}

}  // namespace platform::posix

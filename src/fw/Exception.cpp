#include "fw/Exception.h"

#include <cerrno>

int CFileException::ErrnoToCause(int nErrno) noexcept
{
    switch (nErrno) {
    case EPERM:
    case EACCES:  return accessDenied;
    case EBADF:   return invalidFile;
    case EDEADLK: return lockViolation;
    case EMFILE:  return tooManyOpenFiles;
    case ENOENT:
    case ENFILE:  return fileNotFound;
    case ENOSPC:  return diskFull;
    case EINVAL:
    case EIO:     return hardIO;
    default:      return generic;
    }
}

void CFileException::ThrowErrno(int nErrno, const std::string& fileName)
{
    throw CFileException(ErrnoToCause(nErrno), nErrno, fileName);
}

void CFileException::ThrowOsError(long osError, const std::string& fileName)
{
    throw CFileException(OsErrorToCause(osError), osError, fileName);
}

void AfxThrowFileException(int cause, long osError, const std::string& fileName)
{
    throw CFileException(cause, osError, fileName);
}

void AfxThrowMemoryException() { throw CMemoryException(); }
void AfxThrowUserException() { throw CUserException(); }
void AfxThrowNotSupportedException() { throw CNotSupportedException(); }
void AfxThrowResourceException() { throw CResourceException(); }

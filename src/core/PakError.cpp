#include "PakError.h"

#include <cerrno>

std::string PakErrorText(int32_t code)
{
    switch (code) {
    case PakErrorCode::OutOfMemory:
        return "Nicht genügend Speicher";
    case PakErrorCode::BadFileName:
        return "Dateiname oder -nummer falsch";
    case PakErrorCode::FileNotFound:
        return "Datei nicht gefunden";
    case PakErrorCode::DeviceIO:
        return "Geräte-E/A-Fehler";
    case PakErrorCode::DiskFull:
        return "Datenträger voll";
    case PakErrorCode::InputPastEnd:
        return "Einlesen hinter Dateiende";
    case PakErrorCode::PermissionDenied:
        return "Zugriff verweigert";
    case PakErrorCode::PathNotFound:
        return "Pfad nicht gefunden";
    case PakErrorCode::InvalidFormat:
        return "Ungültiges Dateiformat";
    case PakErrorCode::PathFileAccess:
    default:
        return "Fehler beim Zugriff auf Pfad/Datei";
    }
}

PakError MakePakError(int32_t code, const std::string &subject)
{
    PakError error{code, PakErrorText(code), subject};
    if (!subject.empty())
        error.Description += ": " + subject;
    return error;
}

PakError PakErrorFromErrno(int errnum, const std::string &subject)
{
    switch (errnum) {
    case ENOMEM:
        return MakePakError(PakErrorCode::OutOfMemory, subject);
    case ENAMETOOLONG:
    case EILSEQ:
        return MakePakError(PakErrorCode::BadFileName, subject);
    case ENOENT:
        return MakePakError(PakErrorCode::FileNotFound, subject);
    case ErrnoPathNotFound:
        return MakePakError(PakErrorCode::PathNotFound, subject);
    case EIO:
        return MakePakError(PakErrorCode::DeviceIO, subject);
    case ENOSPC:
#ifdef EDQUOT // not in the Windows C runtime
    case EDQUOT:
#endif
    case EFBIG:
        return MakePakError(PakErrorCode::DiskFull, subject);
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return MakePakError(PakErrorCode::PermissionDenied, subject);
    default:
        return MakePakError(PakErrorCode::PathFileAccess, subject);
    }
}

std::string PakErrorMessage(const PakError &error)
{
    return error.Description + "\r\n(Runtime-Error: " + std::to_string(error.Code) + ")";
}

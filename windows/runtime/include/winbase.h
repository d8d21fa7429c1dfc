// wine's winbase.h with what the Windows 10 SDK's adds and the C++ library's file system code uses:
// CreateFile2's declarations, file identity and POSIX-style deletion, and GetTempPath2W, which the
// library looks up at run time and uses only where Windows has it.
#pragma once

#include_next <winbase.h>

// wine's windows.h leaves it out; the Windows SDK's winbase.h brings it.
#include <fileapi.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
#define SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE 0x2
#endif

#define FILE_DISPOSITION_FLAG_DO_NOT_DELETE 0x00000000
#define FILE_DISPOSITION_FLAG_DELETE 0x00000001
#define FILE_DISPOSITION_FLAG_POSIX_SEMANTICS 0x00000002
#define FILE_DISPOSITION_FLAG_FORCE_IMAGE_SECTION_CHECK 0x00000004
#define FILE_DISPOSITION_FLAG_ON_CLOSE 0x00000008
#define FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE 0x00000010

typedef struct _FILE_DISPOSITION_INFO_EX {
    DWORD Flags;
} FILE_DISPOSITION_INFO_EX, *PFILE_DISPOSITION_INFO_EX;

#ifndef _FILE_ID_128_DEFINED
#define _FILE_ID_128_DEFINED
typedef struct _FILE_ID_128 {
    BYTE Identifier[16];
} FILE_ID_128, *PFILE_ID_128;
#endif

typedef struct _FILE_ID_INFO {
    ULONGLONG VolumeSerialNumber;
    FILE_ID_128 FileId;
} FILE_ID_INFO, *PFILE_ID_INFO;

WINBASEAPI DWORD WINAPI GetTempPath2W(DWORD nBufferLength, LPWSTR lpBuffer);

#ifdef __cplusplus
}
#endif

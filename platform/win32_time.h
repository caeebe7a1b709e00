// Time calls of the platform: FILETIME values (100-nanosecond ticks since 1601-01-01 UTC),
// their calendar form, and the local time zone of the process.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
void WINAPI GetSystemTimeAsFileTime(LPFILETIME fileTime);
void WINAPI GetSystemTime(LPSYSTEMTIME systemTime);
void WINAPI GetLocalTime(LPSYSTEMTIME systemTime);
#endif

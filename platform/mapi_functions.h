// MAPI's library functions: memory, whole-table reads, single properties, 8-bit string search,
// a file as a stream, and messages over structured storage.
#pragma once

#include "platform/mapi_interfaces.h"

#ifdef _WIN32
#include <mapix.h>
#include <mapiutil.h>
#include <imessage.h>
#else
using ALLOCATEBUFFER = SCODE STDMETHODCALLTYPE(ULONG cbSize, LPVOID* lppBuffer);
using ALLOCATEMORE = SCODE STDMETHODCALLTYPE(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
using FREEBUFFER = ULONG STDMETHODCALLTYPE(LPVOID lpBuffer);
using LPALLOCATEBUFFER = ALLOCATEBUFFER*;
using LPALLOCATEMORE = ALLOCATEMORE*;
using LPFREEBUFFER = FREEBUFFER*;

// A buffer from MAPIAllocateBuffer owns every buffer chained to it with MAPIAllocateMore;
// MAPIFreeBuffer on it frees them all.
SCODE STDMETHODCALLTYPE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE STDMETHODCALLTYPE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG STDMETHODCALLTYPE MAPIFreeBuffer(LPVOID lpBuffer);
LPMALLOC WINAPI MAPIGetDefaultMalloc();

HRESULT STDAPICALLTYPE HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags,
                                      LPSRestriction lpRestriction, LPSSortOrderSet lpSortOrderSet,
                                      LONG crowsMax, LPSRowSet* lppRows);
void STDAPICALLTYPE FreeProws(LPSRowSet lpRows);
HRESULT STDAPICALLTYPE HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp);

LPSTR STDAPICALLTYPE SzFindCh(LPCSTR lpsz, USHORT ch);
LPSTR STDAPICALLTYPE SzFindLastCh(LPCSTR lpsz, USHORT ch);
LPSTR STDAPICALLTYPE SzFindSz(LPCSTR lpsz, LPCSTR lpszKey);

constexpr ULONG SOF_UNIQUEFILENAME = 0x80000000;
HRESULT STDMETHODCALLTYPE OpenStreamOnFile(LPALLOCATEBUFFER lpAllocateBuffer,
                                           LPFREEBUFFER lpFreeBuffer, ULONG ulFlags,
                                           LPSTR lpszFileName, LPSTR lpszPrefix,
                                           LPSTREAM* lppStream);

// Messages over a compound file (".msg").
struct _MSGSESS;
using LPMSGSESS = _MSGSESS*;
using MSGCALLRELEASE = void STDAPICALLTYPE(ULONG ulCallerData, LPMESSAGE lpMessage);
struct IMAPISupport;
using LPMAPISUP = IMAPISupport*;

SCODE STDAPICALLTYPE OpenIMsgSession(LPMALLOC lpMalloc, ULONG ulFlags, LPMSGSESS* lppMsgSess);
void STDAPICALLTYPE CloseIMsgSession(LPMSGSESS lpMsgSess);
SCODE STDAPICALLTYPE OpenIMsgOnIStg(LPMSGSESS lpMsgSess, LPALLOCATEBUFFER lpAllocateBuffer,
                                    LPALLOCATEMORE lpAllocateMore, LPFREEBUFFER lpFreeBuffer,
                                    LPMALLOC lpMalloc, LPVOID lpMapiSup, LPSTORAGE lpStg,
                                    MSGCALLRELEASE* lpfMsgCallRelease, ULONG ulCallerData,
                                    ULONG ulFlags, LPMESSAGE* lppMsg);
#endif

// MAPI's data vocabulary: property values, tag arrays, rows, entry identifiers, result codes
// and the flags that the module passes.
#pragma once

#include "platform/com_base.h"

#ifdef _WIN32
#include <mapidefs.h>
#include <mapicode.h>
#include <mapix.h>
#else
#include "platform/ole_storage.h" // LARGE_INTEGER

using LPCIID = const IID*;

// Property tags: type in the low word, identifier in the high word.
inline constexpr ULONG PROP_TYPE(ULONG tag) {
    return tag & 0xFFFFu;
}
inline constexpr ULONG PROP_ID(ULONG tag) {
    return tag >> 16;
}
inline constexpr ULONG PROP_TAG(ULONG type, ULONG id) {
    return (id << 16) | type;
}
inline constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) {
    return (tag & 0xFFFF0000u) | type;
}

constexpr ULONG PT_UNSPECIFIED = 0x0000;
constexpr ULONG PT_NULL = 0x0001;
constexpr ULONG PT_I2 = 0x0002;
constexpr ULONG PT_SHORT = PT_I2;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_I4 = PT_LONG;
constexpr ULONG PT_FLOAT = 0x0004;
constexpr ULONG PT_DOUBLE = 0x0005;
constexpr ULONG PT_CURRENCY = 0x0006;
constexpr ULONG PT_APPTIME = 0x0007;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_BOOLEAN = 0x000B;
constexpr ULONG PT_OBJECT = 0x000D;
constexpr ULONG PT_I8 = 0x0014;
constexpr ULONG PT_LONGLONG = PT_I8;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_TSTRING = PT_STRING8;
constexpr ULONG PT_SYSTIME = 0x0040;
constexpr ULONG PT_CLSID = 0x0048;
constexpr ULONG PT_BINARY = 0x0102;
constexpr ULONG PT_R4 = PT_FLOAT;
constexpr ULONG PT_R8 = PT_DOUBLE;
constexpr ULONG MV_FLAG = 0x1000;

constexpr ULONG PT_MV_I2 = MV_FLAG | PT_I2;
constexpr ULONG PT_MV_SHORT = PT_MV_I2;
constexpr ULONG PT_MV_LONG = MV_FLAG | PT_LONG;
constexpr ULONG PT_MV_I4 = PT_MV_LONG;
constexpr ULONG PT_MV_R4 = MV_FLAG | PT_R4;
constexpr ULONG PT_MV_FLOAT = PT_MV_R4;
constexpr ULONG PT_MV_DOUBLE = MV_FLAG | PT_DOUBLE;
constexpr ULONG PT_MV_R8 = PT_MV_DOUBLE;
constexpr ULONG PT_MV_CURRENCY = MV_FLAG | PT_CURRENCY;
constexpr ULONG PT_MV_APPTIME = MV_FLAG | PT_APPTIME;
constexpr ULONG PT_MV_SYSTIME = MV_FLAG | PT_SYSTIME;
constexpr ULONG PT_MV_STRING8 = MV_FLAG | PT_STRING8;
constexpr ULONG PT_MV_BINARY = MV_FLAG | PT_BINARY;
constexpr ULONG PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
constexpr ULONG PT_MV_CLSID = MV_FLAG | PT_CLSID;
constexpr ULONG PT_MV_I8 = MV_FLAG | PT_I8;
constexpr ULONG PT_MV_LONGLONG = PT_MV_I8;
constexpr ULONG PT_MV_TSTRING = PT_MV_STRING8;

// A scaled 64-bit integer: the amount times 10000.
union CURRENCY {
    struct {
        ULONG Lo;
        LONG Hi;
    } s;
    LONGLONG int64;
};
using CY = CURRENCY;

struct SBinary {
    ULONG cb;
    LPBYTE lpb;
};
using LPSBinary = SBinary*;

// The values of a multi-valued property: a count and an array of the base type.
struct SShortArray {
    ULONG cValues;
    SHORT* lpi;
};
struct SLongArray {
    ULONG cValues;
    LONG* lpl;
};
struct SRealArray {
    ULONG cValues;
    float* lpflt;
};
struct SDoubleArray {
    ULONG cValues;
    double* lpdbl;
};
struct SCurrencyArray {
    ULONG cValues;
    CURRENCY* lpcur;
};
struct SAppTimeArray {
    ULONG cValues;
    double* lpat;
};
struct SDateTimeArray {
    ULONG cValues;
    FILETIME* lpft;
};
struct SBinaryArray {
    ULONG cValues;
    SBinary* lpbin;
};
struct SLPSTRArray {
    ULONG cValues;
    LPSTR* lppszA;
};
struct SWStringArray {
    ULONG cValues;
    LPWSTR* lppszW;
};
struct SGuidArray {
    ULONG cValues;
    GUID* lpguid;
};
struct SLargeIntegerArray {
    ULONG cValues;
    LARGE_INTEGER* lpli;
};

struct SPropValue;
using LPSPropValue = SPropValue*;

union _PV {
    SHORT i;
    LONG l;
    ULONG ul;
    float flt;
    double dbl;
    USHORT b;
    CURRENCY cur;
    double at;
    FILETIME ft;
    LPSTR lpszA;
    SBinary bin;
    LPWSTR lpszW;
    LPGUID lpguid;
    LONGLONG li;
    SShortArray MVi;
    SLongArray MVl;
    SRealArray MVflt;
    SDoubleArray MVdbl;
    SCurrencyArray MVcur;
    SAppTimeArray MVat;
    SDateTimeArray MVft;
    SBinaryArray MVbin;
    SLPSTRArray MVszA;
    SWStringArray MVszW;
    SGuidArray MVguid;
    SLargeIntegerArray MVli;
    SCODE err;
    LONG x;
};

struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    _PV Value;
};

struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[1];
};
using LPSPropTagArray = SPropTagArray*;

// A tag array of a fixed count, declared in place: SizedSPropTagArray(2, columns) = {2, {...}}.
#define SizedSPropTagArray(count, name)                                                            \
    struct _SPropTagArray_##name {                                                                 \
        ULONG cValues;                                                                             \
        ULONG aulPropTag[count];                                                                   \
    } name

inline constexpr ULONG CbNewSPropTagArray(ULONG count) {
    return static_cast<ULONG>(sizeof(SPropTagArray) + (count == 0 ? 0 : count - 1) * sizeof(ULONG));
}

struct SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
};
struct SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[1];
};
using LPSPropProblemArray = SPropProblemArray*;

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    LPSPropValue lpProps;
};
using LPSRow = SRow*;

struct SRowSet {
    ULONG cRows;
    SRow aRow[1];
};
using LPSRowSet = SRowSet*;

inline constexpr ULONG CbNewSRowSet(ULONG count) {
    return static_cast<ULONG>(sizeof(SRowSet) + (count == 0 ? 0 : count - 1) * sizeof(SRow));
}

struct ADRENTRY {
    ULONG ulReserved1;
    ULONG cValues;
    LPSPropValue rgPropVals;
};
using LPADRENTRY = ADRENTRY*;
struct ADRLIST {
    ULONG cEntries;
    ADRENTRY aEntries[1];
};
using LPADRLIST = ADRLIST*;

struct ENTRYID {
    BYTE abFlags[4];
    BYTE ab[1];
};
using LPENTRYID = ENTRYID*;

struct MAPIERROR;
using LPMAPIERROR = MAPIERROR*;
struct MAPINAMEID;
using LPMAPINAMEID = MAPINAMEID*;
struct SRestriction;
using LPSRestriction = SRestriction*;
struct SSortOrderSet;
using LPSSortOrderSet = SSortOrderSet*;
struct ENTRYLIST;
using LPENTRYLIST = ENTRYLIST*;
struct MAPIUID;
using LPMAPIUID = MAPIUID*;

using BOOKMARK = ULONG_PTR;
constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
constexpr BOOKMARK BOOKMARK_CURRENT = 1;
constexpr BOOKMARK BOOKMARK_END = 2;

// Result codes.
constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
constexpr HRESULT MAPI_E_INTERFACE_NOT_SUPPORTED = E_NOINTERFACE;
constexpr HRESULT MAPI_E_NO_ACCESS = E_ACCESSDENIED;
constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102);
constexpr HRESULT MAPI_E_BAD_CHARWIDTH = static_cast<HRESULT>(0x80040103);
constexpr HRESULT MAPI_E_STRING_TOO_LONG = static_cast<HRESULT>(0x80040105);
constexpr HRESULT MAPI_E_UNKNOWN_FLAGS = static_cast<HRESULT>(0x80040106);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = static_cast<HRESULT>(0x80040107);
constexpr HRESULT MAPI_E_INVALID_OBJECT = static_cast<HRESULT>(0x80040108);
constexpr HRESULT MAPI_E_OBJECT_CHANGED = static_cast<HRESULT>(0x80040109);
constexpr HRESULT MAPI_E_OBJECT_DELETED = static_cast<HRESULT>(0x8004010A);
constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
constexpr HRESULT MAPI_E_CORRUPT_DATA = static_cast<HRESULT>(0x8004011B);
constexpr HRESULT MAPI_E_TYPE_NO_SUPPORT = static_cast<HRESULT>(0x80040303);
constexpr HRESULT MAPI_E_UNEXPECTED_TYPE = static_cast<HRESULT>(0x80040304);
constexpr HRESULT MAPI_E_TOO_BIG = static_cast<HRESULT>(0x80040305);
constexpr HRESULT MAPI_E_UNKNOWN_ENTRYID = static_cast<HRESULT>(0x80040201);
constexpr HRESULT MAPI_E_TABLE_TOO_BIG = static_cast<HRESULT>(0x80040403);
constexpr HRESULT MAPI_E_USER_CANCEL = static_cast<HRESULT>(0x80040113);
constexpr HRESULT MAPI_E_CANCEL = static_cast<HRESULT>(0x80040501);
constexpr HRESULT MAPI_W_ERRORS_RETURNED = static_cast<HRESULT>(0x00040380);

// Flags.
constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_CREATE = 0x00000002;
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x00000008;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG MAPI_DIALOG = 0x00000008;
constexpr ULONG MAPI_MOVE = 0x00000001;
constexpr ULONG MAPI_NOREPLACE = 0x00000002;
constexpr ULONG KEEP_OPEN_READONLY = 0x00000001;
constexpr ULONG KEEP_OPEN_READWRITE = 0x00000002;
constexpr ULONG FORCE_SAVE = 0x00000004;
constexpr ULONG MODRECIP_ADD = 0x00000002;
constexpr ULONG MODRECIP_MODIFY = 0x00000004;
constexpr ULONG MODRECIP_REMOVE = 0x00000008;
constexpr ULONG TBL_NOADVANCE = 0x00000001;

// Object types.
constexpr ULONG MAPI_STORE = 1;
constexpr ULONG MAPI_ADDRBOOK = 2;
constexpr ULONG MAPI_FOLDER = 3;
constexpr ULONG MAPI_ABCONT = 4;
constexpr ULONG MAPI_MESSAGE = 5;
constexpr ULONG MAPI_MAILUSER = 6;
constexpr ULONG MAPI_ATTACH = 7;

// Attachment methods.
constexpr ULONG NO_ATTACHMENT = 0;
constexpr ULONG ATTACH_BY_VALUE = 1;
constexpr ULONG ATTACH_BY_REFERENCE = 2;
constexpr ULONG ATTACH_BY_REF_RESOLVE = 3;
constexpr ULONG ATTACH_BY_REF_ONLY = 4;
constexpr ULONG ATTACH_EMBEDDED_MSG = 5;
constexpr ULONG ATTACH_OLE = 6;

// Recipient types.
constexpr ULONG MAPI_ORIG = 0;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;
#endif

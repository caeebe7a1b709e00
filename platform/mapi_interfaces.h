// The MAPI object interfaces that the module calls: properties, folders, messages, attachments,
// tables, the message store and the session. Method order and parameters are the platform's.
#pragma once

#include "platform/mapi_types.h"
#include "platform/ole_storage.h"

#ifdef _WIN32
#include <mapix.h>
#include <mapiguid.h>
#else
struct IMAPIAdviseSink;
using LPMAPIADVISESINK = IMAPIAdviseSink*;
struct IMAPIProgress;
using LPMAPIPROGRESS = IMAPIProgress*;
struct IAddrBook;
using LPADRBOOK = IAddrBook*;
struct IProfSect;
using LPPROFSECT = IProfSect*;
struct IMsgServiceAdmin;
using LPSERVICEADMIN = IMsgServiceAdmin*;

struct IMAPITable;
using LPMAPITABLE = IMAPITable*;
struct IMAPIFolder;
using LPMAPIFOLDER = IMAPIFolder*;
struct IMessage;
using LPMESSAGE = IMessage*;
struct IAttach;
using LPATTACH = IAttach*;

struct IMAPIProp : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags,
                                                   LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveChanges(ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                               ULONG* lpcValues, LPSPropValue* lppPropArray) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropList(ULONG ulFlags,
                                                  LPSPropTagArray* lppPropTagArray) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenProperty(ULONG ulPropTag, LPCIID lpiid,
                                                   ULONG ulInterfaceOptions, ULONG ulFlags,
                                                   LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                               LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray lpPropTagArray,
                                                  LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(ULONG ciidExclude, LPCIID rgiidExclude,
                                             LPSPropTagArray lpExcludeProps, ULONG_PTR ulUIParam,
                                             LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                                             LPVOID lpDestObj, ULONG ulFlags,
                                             LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray lpIncludeProps, ULONG_PTR ulUIParam,
                                                LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                                                LPVOID lpDestObj, ULONG ulFlags,
                                                LPSPropProblemArray* lppProblems) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* lppPropTags,
                                                      LPGUID lpPropSetGuid, ULONG ulFlags,
                                                      ULONG* lpcPropNames,
                                                      LPMAPINAMEID** lpppPropNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames,
                                                      ULONG ulFlags,
                                                      LPSPropTagArray* lppPropTags) = 0;

  protected:
    ~IMAPIProp() = default;
};
using LPMAPIPROP = IMAPIProp*;

struct IMAPITable : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags,
                                                   LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                                             ULONG* lpulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG ulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryColumns(ULONG ulFlags,
                                                   LPSPropTagArray* lpPropTagArray) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRowCount(ULONG ulFlags, ULONG* lpulCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK bkOrigin, LONG lRowCount,
                                              LONG* lplRowsSought) = 0;
    virtual HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator,
                                                    ULONG* lpulDenominator) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin,
                                              ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction lpRestriction, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK* lpbkPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK bkPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet* lppSortCriteria) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryRows(LONG lRowCount, ULONG ulFlags,
                                                LPSRowSet* lppRows) = 0;
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    virtual HRESULT STDMETHODCALLTYPE ExpandRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey,
                                                ULONG ulRowCount, ULONG ulFlags, LPSRowSet* lppRows,
                                                ULONG* lpulMoreRows) = 0;
    virtual HRESULT STDMETHODCALLTYPE CollapseRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey,
                                                  ULONG ulFlags, ULONG* lpulRowCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG ulFlags, ULONG ulTimeout,
                                                        ULONG* lpulTableStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG ulFlags, ULONG cbInstanceKey,
                                                       LPBYTE lpbInstanceKey,
                                                       ULONG* lpcbCollapseState,
                                                       LPBYTE* lppbCollapseState) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG ulFlags, ULONG cbCollapseState,
                                                       LPBYTE pbCollapseState,
                                                       BOOKMARK* lpbkLocation) = 0;

  protected:
    ~IMAPITable() = default;
};

struct IMAPIContainer : IMAPIProp {
    virtual HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                LPCIID lpInterface, ULONG ulFlags,
                                                ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSearchCriteria(LPSRestriction lpRestriction,
                                                        LPENTRYLIST lpContainerList,
                                                        ULONG ulSearchFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSearchCriteria(ULONG ulFlags,
                                                        LPSRestriction* lppRestriction,
                                                        LPENTRYLIST* lppContainerList,
                                                        ULONG* lpulSearchState) = 0;

  protected:
    ~IMAPIContainer() = default;
};
using LPMAPICONTAINER = IMAPIContainer*;

struct IMAPIFolder : IMAPIContainer {
    virtual HRESULT STDMETHODCALLTYPE CreateMessage(LPCIID lpInterface, ULONG ulFlags,
                                                    LPMESSAGE* lppMessage) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface,
                                                   LPVOID lpDestFolder, ULONG_PTR ulUIParam,
                                                   LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam,
                                                     LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateFolder(ULONG ulFolderType, LPSTR lpszFolderName,
                                                   LPSTR lpszFolderComment, LPCIID lpInterface,
                                                   ULONG ulFlags, LPMAPIFOLDER* lppFolder) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyFolder(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                 LPCIID lpInterface, LPVOID lpDestFolder,
                                                 LPSTR lpszNewFolderName, ULONG_PTR ulUIParam,
                                                 LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteFolder(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                   ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                                                   ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReadFlags(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam,
                                                   LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                       ULONG ulFlags, ULONG* lpulMessageStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                       ULONG ulNewStatus, ULONG ulNewStatusMask,
                                                       ULONG* lpulOldStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveContentsSort(LPSSortOrderSet lpSortCriteria,
                                                       ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE EmptyFolder(ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                                                  ULONG ulFlags) = 0;

  protected:
    ~IMAPIFolder() = default;
};

struct IMessage : IMAPIProp {
    virtual HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface,
                                                 ULONG ulFlags, LPATTACH* lppAttach) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID lpInterface, ULONG ulFlags,
                                                   ULONG* lpulAttachmentNum,
                                                   LPATTACH* lppAttach) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG ulAttachmentNum, ULONG_PTR ulUIParam,
                                                   LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) = 0;
    virtual HRESULT STDMETHODCALLTYPE SubmitMessage(ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReadFlag(ULONG ulFlags) = 0;

  protected:
    ~IMessage() = default;
};

struct IAttach : IMAPIProp {
  protected:
    ~IAttach() = default;
};

struct IMsgStore : IMAPIProp {
    virtual HRESULT STDMETHODCALLTYPE Advise(ULONG cbEntryID, LPENTRYID lpEntryID,
                                             ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                                             ULONG* lpulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG ulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1,
                                                      ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                                      ULONG ulFlags, ULONG* lpulResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                LPCIID lpInterface, ULONG ulFlags,
                                                ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReceiveFolder(LPSTR lpszMessageClass, ULONG ulFlags,
                                                       ULONG cbEntryID, LPENTRYID lpEntryID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReceiveFolder(LPSTR lpszMessageClass, ULONG ulFlags,
                                                       ULONG* lpcbEntryID, LPENTRYID* lppEntryID,
                                                       LPSTR* lppszExplicitClass) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(ULONG ulFlags,
                                                            LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE StoreLogoff(ULONG* lpulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE AbortSubmit(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                  ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutgoingQueue(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLockState(LPMESSAGE lpMessage, ULONG ulLockState) = 0;
    virtual HRESULT STDMETHODCALLTYPE FinishedMsg(ULONG ulFlags, ULONG cbEntryID,
                                                  LPENTRYID lpEntryID) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyNewMail(void* lpNotification) = 0;

  protected:
    ~IMsgStore() = default;
};
using LPMDB = IMsgStore*;

struct IMAPISession : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hResult, ULONG ulFlags,
                                                   LPMAPIERROR* lppMAPIError) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID,
                                                   LPENTRYID lpEntryID, LPCIID lpInterface,
                                                   ULONG ulFlags, LPMDB* lppMDB) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR ulUIParam, LPCIID lpInterface,
                                                      ULONG ulFlags, LPADRBOOK* lppAdrBook) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenProfileSection(LPMAPIUID lpUID, LPCIID lpInterface,
                                                         ULONG ulFlags,
                                                         LPPROFSECT* lppProfSect) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID,
                                                LPCIID lpInterface, ULONG ulFlags,
                                                ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1,
                                                      ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                                      ULONG ulFlags, ULONG* lpulResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(ULONG cbEntryID, LPENTRYID lpEntryID,
                                             ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                                             ULONG* lpulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG ulConnection) = 0;
    virtual HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR ulUIParam, ULONG ulFlags,
                                                     LPSTR lpszAdrType, LPMESSAGE lpMessage) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(LPSTR lpszAdrType, ULONG ulFlags,
                                                             ULONG* lpcValues,
                                                             LPSPropValue* lppOptions) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG ulFlags, ULONG* lpcAdrTypes,
                                                   LPSTR** lpppszAdrTypes) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) = 0;
    virtual HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR ulUIParam, ULONG ulFlags,
                                             ULONG ulReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultStore(ULONG ulFlags, ULONG cbEntryID,
                                                      LPENTRYID lpEntryID) = 0;
    virtual HRESULT STDMETHODCALLTYPE AdminServices(ULONG ulFlags,
                                                    LPSERVICEADMIN* lppServiceAdmin) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowForm(ULONG_PTR ulUIParam, LPMDB lpMsgStore,
                                               LPMAPIFOLDER lpParentFolder, LPCIID lpInterface,
                                               ULONG ulMessageToken, LPMESSAGE lpMessageSent,
                                               ULONG ulFlags, ULONG ulMessageStatus,
                                               ULONG ulMessageFlags, ULONG ulAccess,
                                               LPSTR lpszMessageClass) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrepareForm(LPCIID lpInterface, LPMESSAGE lpMessage,
                                                  ULONG* lpulMessageToken) = 0;

  protected:
    ~IMAPISession() = default;
};
using LPMAPISESSION = IMAPISession*;

// MAPI's interface ids all share the OLE base {000203xx-0000-0000-C000-000000000046}.
inline constexpr IID MapiInterfaceId(DWORD data1) {
    return {data1, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}
inline constexpr IID IID_IMAPISession = MapiInterfaceId(0x00020300);
inline constexpr IID IID_IMAPITable = MapiInterfaceId(0x00020301);
inline constexpr IID IID_IMAPIProp = MapiInterfaceId(0x00020303);
inline constexpr IID IID_IMsgStore = MapiInterfaceId(0x00020306);
inline constexpr IID IID_IMessage = MapiInterfaceId(0x00020307);
inline constexpr IID IID_IAttachment = MapiInterfaceId(0x00020308);
inline constexpr IID IID_IMAPIContainer = MapiInterfaceId(0x0002030B);
inline constexpr IID IID_IMAPIFolder = MapiInterfaceId(0x0002030C);
#endif

// The class of a compound file that holds a mail message (".msg"). Not in the platform's
// headers, so ours on every build.
inline constexpr CLSID CLSID_MailMessage = {
    0x00020D0B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

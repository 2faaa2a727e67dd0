// Message maps: each class that handles window messages or commands lists
// them in a table of its own, chained to its base class's table. A lookup
// walks from the most derived table to the base tables; the first entry for
// the message (and, for WM_COMMAND, the command id) handles it.
//
//   class CMyDlg : public CDialog { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()
//       ON_COMMAND(ID_SOMETHING, OnSomething)
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

class CCmdTarget;

// Calls the handler on the target; the result is the message's result.
typedef LRESULT (*AFX_PMSG_THUNK)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;  // 0 ends the table
    UINT nID;       // command id of WM_COMMAND entries, else 0
    AFX_PMSG_THUNK pfnThunk;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root of the chain
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The formatter takes the table macros for code and would split the entry
// braces of END_MESSAGE_MAP across lines; they are laid out as the tables they build.
// clang-format off
#define DECLARE_MESSAGE_MAP()                        \
protected:                                           \
    static const AFX_MSGMAP* GetThisMessageMap();    \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                 \
    {                                                                               \
        using ThisClass [[maybe_unused]] = theClass;                                \
        using TheBaseClass = baseClass;                                             \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                           \
            {0, 0, nullptr}};                                                       \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, entries}; \
        return &messageMap;                                                         \
    }

// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND()                                                          \
    {WM_SYSCOMMAND, 0, [](CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam) -> LRESULT { \
         static_cast<ThisClass*>(pTarget)->OnSysCommand(static_cast<UINT>(wParam), lParam); \
         return 0;                                                                  \
     }},

// void OnPaint()
#define ON_WM_PAINT()                                                               \
    {WM_PAINT, 0, [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT {              \
         static_cast<ThisClass*>(pTarget)->OnPaint();                               \
         return 0;                                                                  \
     }},

// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON()                                                       \
    {WM_QUERYDRAGICON, 0, [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT {      \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(pTarget)->OnQueryDragIcon()); \
     }},

// LRESULT memberFxn(WPARAM wParam, LPARAM lParam): any message by number,
// a message of the program's own (WM_APP and up) say; not WM_COMMAND,
// whose commands have ON_COMMAND.
#define ON_MESSAGE(message, memberFxn)                                              \
    {static_cast<UINT>(message), 0, [](CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam) -> LRESULT { \
         return static_cast<ThisClass*>(pTarget)->memberFxn(wParam, lParam);         \
     }},

// void memberFxn(); memberFxn may name a base class's handler (CBase::OnX).
#define ON_COMMAND(id, memberFxn)                                                   \
    {WM_COMMAND, static_cast<UINT>(id), [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT { \
         static_cast<ThisClass*>(pTarget)->memberFxn();                             \
         return 0;                                                                  \
     }},
// clang-format on

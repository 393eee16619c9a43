// Which messages the runtime's window procedures act on. Most messages are anybody's to send or
// post. A few only arise within the thread that owns the window: WM_NOTIFY, which a control of the
// thread sends with a pointer to a header on its own stack (the system carries no such pointer from
// one process to another), and the lifecycle messages that the system sends while it creates
// (WM_NCCREATE, WM_CREATE) or destroys (WM_DESTROY, WM_NCDESTROY) a window. Another program can
// post or send any of them: such a message is forged, its pointer may point anywhere, and acting
// on it would free a live window's data.
//
// The judgement looks at the message, never at who delivered it: a thread's own creations and
// destructions go through whoever sent the message that led to them.
// - Posted, a thread-only message is never genuine: the thread's WH_GETMESSAGE hook turns it into
//   WM_NULL before any loop sees it, the runtime's own and the system's modal loops (the system
//   menu, moving and sizing, scroll-bar tracking) alike.
// - Sent, a lifecycle message is genuine while the system creates or destroys that window on this
//   thread, which the thread's WH_CBT hook marks (HCBT_CREATEWND, HCBT_DESTROYWND); a destruction
//   also covers the windows that go with the marked one (its children and owned windows). A window
//   that belongs to a window of another thread goes when that thread destroys it, which this thread
//   cannot see: its destruction messages are taken as genuine.
// - Sent, a WM_NOTIFY is genuine when its header lies on this thread's stack above the procedure
//   that reads it, where the sending control keeps it, and names a window of this thread.
#pragma once

#include <windows.h>

// Installs the calling thread's hooks. Creation messages count only for windows whose procedure
// is classProcedure when the system starts to create them: procedures installed later, by
// subclassing, never see a genuine one.
void InitMessageTrust(WNDPROC classProcedure);

// True when a window procedure of the thread may act on the message (see above); always true for
// a message that is not thread-only.
bool IsMessageTrusted(HWND window, UINT message, LPARAM lParam);

// True when a notification structure of this size at lParam lies on this thread's stack above the
// caller, where a control of the thread keeps the notification it sends. A kind that reads more
// than the header asks this for its own structure before it reads.
bool IsOwnNotification(LPARAM lParam, UINT size);

// Answers a message through answer when it is trusted, else with 0, unread and never passed on.
// Ends the window's creation mark once its WM_CREATE is answered, and every mark of the window once
// its WM_NCDESTROY is.
LRESULT AnswerTrustedMessage(WNDPROC answer, HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam);

// Helpers shared by the test programs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/object_table.h"

// Starts the runtime libraries in the program's startup order, up to the layer that the test
// program tests (QUORVEL_TEST_LAYER: 1 the runtime, 2 the window layer, 3 and up the controls).
void StartRuntimeForTests();

// The whole text of a control, read through the string buffer at the cursor; the cursor is left as
// it was. For test programs of the control layer and up.
std::string ControlText(ObjectNumber number);
// The lines of a text with CRLF line ends.
std::vector<std::string> SplitLines(const std::string &text);
// Text of the ANSI code page that the process runs in: the code page's bytes of a Unicode text,
// empty when the code page lacks one of its characters, and the way back.
std::string AnsiText(const std::wstring &text);
std::wstring WideText(const std::string &text);
// A line that the ANSI code page of the process can hold, with characters of the most bytes it
// has: Japanese in code page 932 and Chinese in 936 (two bytes a character), accented Western text
// in 1252 and where neither of those fits, plain ASCII where nothing else does.
std::wstring CodePageLine();

// The clipboard's CF_TEXT text; false when there is none or the clipboard cannot be opened.
bool ReadClipboardText(std::string *text);
// The clipboard's CF_UNICODETEXT text, as a program that pastes Unicode text reads it (the system
// makes it from the CF_TEXT text); false when there is none or the clipboard cannot be opened.
bool ReadClipboardUnicodeText(std::wstring *text);
// Puts a text on the clipboard as CF_UNICODETEXT only, as a Unicode program copies it.
bool WriteClipboardUnicodeText(const std::wstring &text);
// Puts a text on the clipboard as CF_TEXT.
bool WriteClipboardText(const std::string &text);

// True for the system's default IME window, which a thread gets with its first window and loses
// with its last.
bool IsImeWindow(HWND window);
// Top-level windows of the calling thread, hidden ones included, without the default IME window.
int CountThreadWindows();
// True when the block is an allocated block of the heap, as HeapWalk reports it.
bool IsBusyHeapBlock(HANDLE heap, const void *block);
// Calls visit for each block in use in a heap, as HeapWalk reports it. A heap with serialisation
// is locked for the walk; the runtime's string heap, which has none (HEAP_NO_SERIALIZE: only the
// runtime's thread uses it), is walked unlocked, as HeapLock is not for such a heap.
void ForEachBusyBlock(HANDLE heap, const std::function<void(const PROCESS_HEAP_ENTRY &)> &visit);
// Number of blocks in use in a heap, as HeapWalk reports them.
int CountBusyBlocks(HANDLE heap);

// Points one of the program's own import entries at a replacement while the object lives, then
// back at the platform's function. Every call that the program's code makes to a platform function
// goes through its import entry (`__imp__Name@N`, declared by the test with that assembler name),
// so a test can make the call fail, or watch it pass, without any change to the platform or to the
// program.
template <typename Function> class ImportEntryPatch {
  public:
    ImportEntryPatch(Function *entry, Function replacement) : entry(entry), platform(*entry) {
        *entry = replacement;
    }
    ~ImportEntryPatch() { *entry = platform; }
    ImportEntryPatch(const ImportEntryPatch &) = delete;
    ImportEntryPatch &operator=(const ImportEntryPatch &) = delete;

    Function *entry;
    Function platform; // the platform's own function
};

// The path of a file in this test program's folder, or relative to it ('/' or '\\' between
// folders): where the build and the Windows test kit put the helpers and quorvel.exe.
std::string BesideThisProgram(const char *relative);
// Runs the check on a thread of its own and returns what it found; false when the thread could not
// run or took more than five seconds. Shows what another thread of the process can do now (open
// the clipboard, take a lock) that this one would be let do in any case.
bool TrueOnAnotherThread(bool (*check)());

// A "STATIC" window of another thread of this process, alive while the object lives; the thread
// runs a message loop. The top-level window has the given style (a visible one takes the
// foreground); with a child identifier of 0 or more, `window` is a child with that identifier
// inside it, else the top-level window itself.
class OtherThreadWindow {
  public:
    explicit OtherThreadWindow(DWORD style = WS_POPUP, int childId = -1);
    ~OtherThreadWindow();
    OtherThreadWindow(const OtherThreadWindow &) = delete;
    OtherThreadWindow &operator=(const OtherThreadWindow &) = delete;

    HWND window = 0;

  private:
    static DWORD WINAPI Run(void *context);
    DWORD style;
    int childId;
    HANDLE ready;
    HANDLE thread;
    DWORD threadId = 0;
};

// Another program that holds the clipboard open: clipboard_holder.exe, built next to the test
// program, started as a process of its own and told through two named events when to let go.
class ClipboardHolderProcess {
  public:
    ClipboardHolderProcess();
    ~ClipboardHolderProcess();
    ClipboardHolderProcess(const ClipboardHolderProcess &) = delete;
    ClipboardHolderProcess &operator=(const ClipboardHolderProcess &) = delete;

    // True once the holder has the clipboard open.
    bool Start();
    // True while the holder still runs, and so still holds the clipboard.
    bool IsHolding() const;
    // Lets the holder close the clipboard, waits until it has ended and returns its exit code.
    DWORD Finish();
    // Tells the holder to close the clipboard and end, without waiting for it.
    void LetGo();

  private:
    char heldName[64];
    char releaseName[64];
    HANDLE held;
    HANDLE release;
    PROCESS_INFORMATION process;
};

// A clipboard manager that lets go a moment after it took the clipboard: while the object lives,
// the first OpenClipboard of this program that finds the clipboard held tells the holder to let
// go (the program's import entry of OpenClipboard is watched for as long). The copy that met the
// held clipboard must then try again to land; `refusals` counts the openings that failed.
class HolderLetsGoWhenMet {
  public:
    explicit HolderLetsGoWhenMet(ClipboardHolderProcess *holder);

    static inline int refusals;

  private:
    static BOOL WINAPI WatchedOpenClipboard(HWND owner);
    ImportEntryPatch<BOOL(WINAPI *)(HWND)> watching;
    static inline ClipboardHolderProcess *holder;
    static inline BOOL(WINAPI *platformOpenClipboard)(HWND);
};

// Drives the headless demo of 'make run' in two steps, with a screenshot taken in between:
//
//   quorvel_demo start   starts quorvel.exe, clicks "Start" and leaves the tool running; writes
//                        the block to quorvel-block.txt and the window's screen rectangle
//                        ("x y width height") to quorvel-window.txt, in the current folder.
//   quorvel_demo exit    clicks "Exit" in the running tool and waits for it to end.
//
// Files, not standard output: Wine's helper processes would hold a pipe open. The exit code is 0
// on success; on failure the reason is in quorvel-demo-error.txt.
#include <stdio.h>
#include <string.h>

#include <string>

#include "harness.h"

namespace {

bool WriteFileText(const char *name, const std::string &text) {
    FILE *file = fopen(name, "wb");
    if (!file) {
        return false;
    }
    bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
}

int Fail(const std::string &reason) {
    WriteFileText("quorvel-demo-error.txt", reason + "\n");
    return 1;
}

int StartDemo() {
    QuorvelTool tool;
    if (!tool.Launch()) {
        return Fail(tool.fault);
    }
    std::string text;
    if (!tool.StartAndWait(&text)) {
        return Fail("no block in the text area after a click on Start");
    }
    // The mouse off the buttons, so that the picture shows none of them hot.
    RECT area = {};
    GetWindowRect(tool.mainWindow, &area);
    MoveMouseTo(area.right + 40, area.bottom + 40);
    char rectangle[64];
    snprintf(rectangle, sizeof rectangle, "%ld %ld %ld %ld\n", area.left, area.top,
             area.right - area.left, area.bottom - area.top);
    if (!WriteFileText("quorvel-block.txt", text + "\r\n") ||
        !WriteFileText("quorvel-window.txt", rectangle)) {
        return Fail("cannot write the demo's files");
    }
    tool.LeaveRunning();
    return 0;
}

int ExitDemo() {
    QuorvelTool tool;
    if (!tool.Attach()) {
        return Fail(tool.fault);
    }
    ClickWindow(tool.exitButton);
    DWORD exitCode = 1;
    if (!tool.WaitForExit(&exitCode)) {
        return Fail("the tool is still running after a click on Exit");
    }
    if (exitCode != 0) {
        return Fail("the tool ended with exit code " + std::to_string(exitCode));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "start") == 0) {
        return StartDemo();
    }
    if (argc == 2 && strcmp(argv[1], "exit") == 0) {
        return ExitDemo();
    }
    return Fail("usage: quorvel_demo start|exit");
}

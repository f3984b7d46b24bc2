// uidriver: drives the windows of another program in the same machine, for tests.
//
//   uidriver list [--all]                          top-level windows (hidden ones with --all)
//   uidriver wait    SELECTOR                      wait for a window, print its window line
//   uidriver gone    SELECTOR                      wait until no window matches
//   uidriver dump    SELECTOR                      window line, controls, list rows and items
//   uidriver click   SELECTOR ID [--exit]          BM_CLICK to button ID (SendNotifyMessage)
//   uidriver key     SELECTOR KEY [ID] [--exit]    key down/up to control ID, else to the
//                                                  focused control, else to the window;
//                                                  KEY: RETURN ESCAPE TAB SPACE BACK DELETE
//                                                  UP DOWN LEFT RIGHT HOME END F1 or a number
//   uidriver type    SELECTOR ID TEXT              one WM_CHAR per character (sent) to control
//                                                  ID, at its caret (settext "" first to replace)
//   uidriver settext SELECTOR ID TEXT              WM_SETTEXT to control ID
//   uidriver select  SELECTOR ID INDEX             choose item INDEX of a combo box, list box
//                                                  or list view, notifying as a user would
//   uidriver close   SELECTOR [--exit]             WM_CLOSE to the window (SendNotifyMessage)
//   uidriver paint   SELECTOR                      redraw the window and return once it is
//                                                  on the screen (before a screenshot)
//
// SELECTOR, any combination, all must hold (at least one of the first three):
//   --title TEXT   exact window title          --id N      contains a control with id N
//   --class NAME   window class (#32770)       --hidden    hidden windows match too
// Every command that names a window first waits for it: --timeout SECONDS (default 20).
// --exit: after the action wait (same timeout) until the window's process has ended and
// print "exit CODE" (its exit code, signed).
// Order: click and close are sent without waiting for their answer (a click may open a modal
// box), so the program handles them before any message of a later command. key is posted,
// since only posted keys pass the dialog manager: a sent query of the next command may
// overtake it, so follow a key with wait, gone or --exit. settext, type and select are done
// when the driver returns.
// Ids are decimal or 0x hex, 16-bit as in WM_COMMAND (a message box's text is 65535).
//
// Output, one fact per line, texts quoted with \\ \" \n \r \t \xNN escapes, in UTF-8
// (converted from the ANSI code page: run the driver with the program's --lang):
//   window HWND CLASS "TITLE" pid=N desktop="NAME" visible=0|1 enabled=0|1 style=0x...
//          exstyle=0x... rect=L,T,R,B [defid=N] focus=ID|window|none
//   control ID CLASS "TEXT" [type=T] visible=0|1 enabled=0|1 [checked=0|1|2] style=0x...
//          list view: items=N columns=N lvexstyle=0x...; combo and list box: items=N selected=I
//   column ID INDEX "TITLE"
//   row ID INDEX "TEXT" "SUBITEM"... selected=0|1 focused=0|1 [checked=0|1]
//   item ID INDEX "TEXT" selected=0|1
//   end HWND
// Button types: pushbutton defpushbutton checkbox autocheckbox radiobutton autoradiobutton
// 3state auto3state groupbox ownerdraw; statics: text icon bitmap; combo boxes: simple
// dropdown dropdownlist; also edit, listview, listbox.
//
// Exit status: 0 done; 1 timed out (no window, window still there, process still running);
// 2 usage; 3 no such control, or not of the needed kind; 4 control or window disabled or
// hidden; 5 the window did not take the message.
//
// List views are read through memory placed in the program's process (VirtualAllocEx):
// an NT-family and Wine facility, so this tool is for the test machine, not for Windows 9x.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Actions.h"
#include "Handles.h"
#include "Text.h"
#include "WindowFinder.h"
#include "WindowReport.h"

namespace UIDRIVER {
namespace {

const DWORD defaultTimeoutMs = 20000;

struct SCommandLine {
    std::string command;
    CWindowSelector selector;
    std::vector<std::string> arguments;
    DWORD timeoutMs = defaultTimeoutMs;
    bool awaitExit = false;
    bool all = false;
};

int Usage(const char* problem) {
    std::fprintf(stderr, "uidriver: %s\n", problem);
    std::fprintf(stderr,
                 "usage: uidriver list|wait|gone|dump|click|key|type|settext|select|close|paint"
                 " [--title T] [--id N] [--class C] [--hidden] [--timeout S] [--exit]"
                 " [ARGS]\n");
    return statusUsage;
}

bool ParseCommandLine(int argc, char** argv, SCommandLine& line, std::string& problem) {
    if (argc < 2) {
        problem = "no command";
        return false;
    }
    line.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        long number = 0;
        if (word == "--title" && hasValue) {
            line.selector.byTitle = true;
            line.selector.title = argv[++i];
        } else if (word == "--class" && hasValue) {
            line.selector.byClass = true;
            line.selector.className = argv[++i];
        } else if (word == "--id" && hasValue) {
            if (!ParseNumber(argv[++i], number)) {
                problem = std::string("bad id ") + argv[i];
                return false;
            }
            line.selector.byControl = true;
            line.selector.controlId = static_cast<unsigned>(number) & 0xFFFFu;
        } else if (word == "--timeout" && hasValue) {
            const double seconds = std::atof(argv[++i]);
            if (seconds < 0) {
                problem = "negative timeout";
                return false;
            }
            line.timeoutMs = static_cast<DWORD>(seconds * 1000);
        } else if (word == "--hidden") {
            line.selector.includeHidden = true;
        } else if (word == "--exit") {
            line.awaitExit = true;
        } else if (word == "--all") {
            line.all = true;
        } else if (word.compare(0, 2, "--") == 0) {
            problem = "unknown option " + word;
            return false;
        } else {
            line.arguments.push_back(word);
        }
    }
    return true;
}

bool ArgumentCount(const SCommandLine& line, size_t least, size_t most, std::string& problem) {
    if (line.arguments.size() < least || line.arguments.size() > most) {
        problem = "wrong number of arguments for " + line.command;
        return false;
    }
    return true;
}

bool ControlIdArgument(const SCommandLine& line, size_t index, unsigned& id) {
    long number = 0;
    if (index >= line.arguments.size() || !ParseNumber(line.arguments[index].c_str(), number)) {
        return false;
    }
    id = static_cast<unsigned>(number) & 0xFFFFu;
    return true;
}

int List(const SCommandLine& line) {
    const CWindowReport report;
    for (const CFoundWindow& found : CWindowFinder().All(line.all)) {
        std::printf("%s\n", report.WindowLine(found).c_str());
    }
    return statusDone;
}

void ReportWindows() {
    std::fprintf(stderr, "uidriver: visible windows now:\n");
    const CWindowReport report;
    for (const CFoundWindow& found : CWindowFinder().All(false)) {
        std::fprintf(stderr, "  %s\n", report.WindowLine(found).c_str());
    }
}

// Opened before the action, so the exit code is still there when the window is gone.
HANDLE OpenProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
}

int AwaitExit(const CHandle& process, DWORD timeoutMs) {
    if (!process.IsValid()) {
        std::fprintf(stderr, "uidriver: cannot open the window's process (error %lu)\n",
                     GetLastError());
        return statusFailed;
    }
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "uidriver: the process is still running\n");
        return statusTimeout;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    std::printf("exit %ld\n", static_cast<long>(code));
    return statusDone;
}

int Act(const SCommandLine& line, const CFoundWindow& found, std::string& problem) {
    const CControlActions actions(found.window);
    const std::string& command = line.command;
    unsigned id = 0;
    if (command == "click") {
        if (!ArgumentCount(line, 1, 1, problem) || !ControlIdArgument(line, 0, id)) {
            return -1;
        }
        return actions.Click(id);
    }
    if (command == "key") {
        UINT virtualKey = 0;
        if (!ArgumentCount(line, 1, 2, problem) || !ParseKey(line.arguments[0], virtualKey)) {
            return -1;
        }
        const bool toControl = line.arguments.size() == 2;
        if (toControl && !ControlIdArgument(line, 1, id)) {
            return -1;
        }
        return actions.Key(virtualKey, line.arguments[0], toControl, id);
    }
    if (command == "type" || command == "settext") {
        if (!ArgumentCount(line, 2, 2, problem) || !ControlIdArgument(line, 0, id)) {
            return -1;
        }
        return command == "type" ? actions.Type(id, line.arguments[1])
                                 : actions.SetText(id, line.arguments[1]);
    }
    if (command == "select") {
        long index = 0;
        if (!ArgumentCount(line, 2, 2, problem) || !ControlIdArgument(line, 0, id) ||
            !ParseNumber(line.arguments[1].c_str(), index)) {
            return -1;
        }
        return actions.Select(id, static_cast<int>(index));
    }
    if (command == "close" || command == "paint") {
        if (!ArgumentCount(line, 0, 0, problem)) {
            return -1;
        }
        return command == "close" ? actions.Close() : actions.Paint();
    }
    problem = "unknown command " + command;
    return -1;
}

int Run(int argc, char** argv) {
    SCommandLine line;
    std::string problem;
    if (!ParseCommandLine(argc, argv, line, problem)) {
        return Usage(problem.c_str());
    }
    if (line.command == "list") {
        return List(line);
    }
    if (line.selector.IsEmpty()) {
        return Usage("no window named: give --title, --id or --class");
    }
    const CWindowFinder finder;
    if (line.command == "gone") {
        if (!ArgumentCount(line, 0, 0, problem)) {
            return Usage(problem.c_str());
        }
        if (!finder.WaitGone(line.selector, line.timeoutMs)) {
            std::fprintf(stderr, "uidriver: still there: %s\n", line.selector.Describe().c_str());
            return statusTimeout;
        }
        std::printf("gone %s\n", line.selector.Describe().c_str());
        return statusDone;
    }
    CFoundWindow found = {};
    if (!finder.WaitFor(line.selector, line.timeoutMs, found)) {
        std::fprintf(stderr, "uidriver: no window %s\n", line.selector.Describe().c_str());
        ReportWindows();
        return statusTimeout;
    }
    if (line.command == "wait" || line.command == "dump") {
        if (!ArgumentCount(line, 0, 0, problem)) {
            return Usage(problem.c_str());
        }
        const CWindowReport report;
        if (line.command == "wait") {
            std::printf("%s\n", report.WindowLine(found).c_str());
        } else {
            report.Dump(found);
        }
        return statusDone;
    }
    const CHandle process(line.awaitExit ? OpenProcessOf(found.window) : nullptr);
    const int status = Act(line, found, problem);
    if (status < 0) {
        return Usage(problem.empty() ? "bad arguments" : problem.c_str());
    }
    std::fflush(stdout);
    if (status != statusDone || !line.awaitExit) {
        return status;
    }
    return AwaitExit(process, line.timeoutMs);
}

} // namespace
} // namespace UIDRIVER

int main(int argc, char** argv) {
    // Lines end in LF only, as the shell scripts that read them expect.
    _setmode(_fileno(stdout), _O_BINARY);
    const int status = UIDRIVER::Run(argc, argv);
    std::fflush(stdout);
    return status;
}

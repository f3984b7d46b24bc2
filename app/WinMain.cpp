// The program entry: set up the common controls and the language, run the controller once
// and return its result as the exit code.
#include "app/Language.h"
#include "app/MainInstall.h"
#include "app/Options.h"
#include "app/SingletonAutoPointer.h"
#include "os/ExplicitCall.h"
#include <windows.h>
#include <commctrl.h>
#include <cstdlib>
#include <exception>
#include <new>

// The controller class; a test build names its own, declared in a header it includes first.
#ifndef MORVISK_CONTROLLER
#define MORVISK_CONTROLLER SINSTALL::CMainInstall
#endif

// The runtime's handler for an exception nobody catches, in place of the library's: it ends
// the process the same way, without the message that a GUI program has nowhere to write and
// the name demangler that message needs, the largest single part of the program otherwise.
void __gnu_cxx::__verbose_terminate_handler() {
    std::abort();
}

// The library's helpers that throw its standard errors, in place of its own: those build the
// message in a reference-counted string of their own, with a second string implementation and
// the error classes around it. Nothing here catches those errors by type; a catch-all still
// catches these, and a failed allocation still throws std::bad_alloc.
namespace {

class CLibraryError : public std::exception {
public:
    explicit CLibraryError(const char* message) : message(message) {}
    const char* what() const noexcept override { return message; }

private:
    const char* message;
};

} // namespace

namespace std {
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_logic_error(const char* message) {
    throw CLibraryError(message);
}
void __throw_length_error(const char* message) {
    throw CLibraryError(message);
}
void __throw_out_of_range(const char* message) {
    throw CLibraryError(message);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    throw CLibraryError(format);
}
void __throw_invalid_argument(const char* message) {
    throw CLibraryError(message);
}
} // namespace std

namespace {

// The common controls, loaded and initialised only for a run that can show a dialog. Loading
// the library registers its window classes and loads the theming library, a good part of a
// quiet run's start-up, which shows no dialog but message boxes (these need no common
// controls). The library stays loaded while the object lives.
class CCommonControls {
public:
    explicit CCommonControls(bool dialogsPossible) {
        if (!dialogsPossible) {
            return;
        }
        using Initialize = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
        try {
            library.GetProcAs<Initialize>("InitCommonControlsEx")(&controls);
        } catch (...) {
            // Without the library a dialog fails to show, which its caller reports.
        }
    }

private:
    SEXPL_CALL::CLibrary library{"comctl32.dll"};
};

// Whether this command line can lead to a dialog: every interactive run, and the usage dialog,
// which also a quiet run shows for /H or an unknown token. The controller parses the same
// text again; parsing has no side effects.
bool CanShowDialogs(const char* commandLine) {
    SDP::singleton_auto_pointer<SSetupOptions::COptions> options;
    options->Clear();
    options->Parse(commandLine);
    return !options->IsQuiet() || options->Has(SSetupOptions::OPT_HELP) ||
           options->Has(SSetupOptions::OPT_UNKNOWN);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    // Makes sure user32 has set up this thread's window state before the first dialog.
    DefWindowProcA(nullptr, 0, 0, 0);
    const CCommonControls controls(CanShowDialogs(commandLine));
    SLANG::InitLanguage(instance);
    int result = 0;
    {
        MORVISK_CONTROLLER controller;
        result = controller.Run(commandLine, 1);
    }
    return result;
}

#pragma once
// Plain-text reports of windows, one fact per line, for grep in test scripts.
#include <windows.h>

#include <string>

#include "WindowFinder.h"

namespace UIDRIVER {

class CWindowReport {
public:
    // window HWND CLASS "TITLE" pid=N desktop="D" visible=V enabled=E style=0x... exstyle=0x...
    //     rect=L,T,R,B [defid=N] focus=N|none
    std::string WindowLine(const CFoundWindow& found) const;
    // The window line, then one line per control, its list rows and items, then "end HWND".
    void Dump(const CFoundWindow& found) const;

private:
    void DumpControls(HWND parent) const;
    void DumpControl(HWND control) const;
    void DumpListView(HWND list, unsigned id, const std::string& line) const;
    void DumpComboBox(HWND combo, unsigned id, const std::string& line) const;
    void DumpListBox(HWND listBox, unsigned id, const std::string& line) const;
};

} // namespace UIDRIVER

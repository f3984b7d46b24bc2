#pragma once
// The fault build's controller: it runs the NT-family flows as well, which the shipped
// program's gate keeps closed, so that the procedures of both families are swept.
#include "app/MainInstall.h"

class CFaultController : public SINSTALL::CMainInstall {
protected:
    bool IsWindows9xFamily() const override { return true; }
};

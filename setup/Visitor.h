#pragma once
// Visitors inspect an operation tree before it runs: composites pass the visitor on to their
// children, file installs and registry-key installs show their read-only views.
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"

namespace SSETUP {
class IInstallFileOperation;
class IInstallRegKeyOperation;
} // namespace SSETUP

namespace SSetupVisitor {

class IVisitor {
public:
    virtual void Visit(const SSETUP::IInstallFileOperation* operation) = 0;
    virtual void Visit(const SSETUP::IInstallRegKeyOperation* operation) = 0;

protected:
    // Visitors are never deleted through this interface.
    ~IVisitor() = default;
};

// Sees everything and does nothing; concrete visitors override what they look at.
class CVisitorDefault : public IVisitor {
public:
    CVisitorDefault() = default;
    virtual ~CVisitorDefault() = default;
    CVisitorDefault(const CVisitorDefault&) = delete;
    CVisitorDefault& operator=(const CVisitorDefault&) = delete;

    void Visit(const SSETUP::IInstallFileOperation*) override {}
    void Visit(const SSETUP::IInstallRegKeyOperation*) override {}

protected:
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
};

} // namespace SSetupVisitor

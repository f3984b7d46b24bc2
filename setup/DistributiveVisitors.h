#pragma once
// Visitors that inspect a procedure before it runs: the distributive completeness check, the
// list of the package's modules, and the search for installed files newer than the package's.
// Each looks at the source path of every file install of the tree, in tree order.
#include "setup/Visitor.h"
#include <list>
#include <memory>
#include <string>

namespace SSetupVisitors {

class CCheckDistributive : public SSetupVisitor::CVisitorDefault {
public:
    void Visit(const SSETUP::IInstallFileOperation* operation) override;
    using CVisitorDefault::Visit;

    bool IsComplete() const { return allPresent; }
    std::list<std::string> GetMissingFiles() const { return missingFiles; }

private:
    bool allPresent = true;
    std::list<std::string> missingFiles;
};

class CEnumDistributiveFilesVisitor : public SSetupVisitor::CVisitorDefault {
public:
    class IEnumNeeded {
    public:
        virtual bool IsNeeded(const char* path) = 0;
        virtual IEnumNeeded* Clone() const = 0;
        virtual ~IEnumNeeded() = default;
    };

    // The package's executable modules: SYS, EXE and DLL files.
    class CEnumOnlyExecutables : public IEnumNeeded {
    public:
        bool IsNeeded(const char* path) override;
        IEnumNeeded* Clone() const override { return new CEnumOnlyExecutables; }
    };

    explicit CEnumDistributiveFilesVisitor(const IEnumNeeded& filter) : filter(filter.Clone()) {}

    void Visit(const SSETUP::IInstallFileOperation* operation) override;
    using CVisitorDefault::Visit;

    std::list<std::string> GetFiles() const { return files; }

private:
    std::list<std::string> files;
    const std::unique_ptr<IEnumNeeded> filter;
};

class CSeekForFresherFilesVisitor : public SSetupVisitor::CVisitorDefault {
public:
    struct CFresherFile {
        std::string packagePath;
        std::string packageVersion; // "ProductVersion" texts; empty when absent
        std::string installedVersion;
    };

    void Visit(const SSETUP::IInstallFileOperation* operation) override;
    using CVisitorDefault::Visit;

    std::list<CFresherFile> GetFresherFiles() const { return fresherFiles; }

    std::list<CFresherFile> fresherFiles;
    // Versioned modules present both in the package and on the machine.
    unsigned comparedCount = 0;
};

} // namespace SSetupVisitors

#pragma once
// Visitors that inspect a procedure before it runs: the distributive completeness check and
// the search for installed files newer than the package's.
//
// Stand-in: both see no file yet (the check reports a complete package, the search finds
// nothing newer); the real comparisons take their place behind these same interfaces.
#include "setup/Visitor.h"
#include <list>
#include <string>

namespace SSetupVisitors {

class CCheckDistributive : public SSetupVisitor::CVisitorDefault {
public:
    bool IsComplete() const { return allPresent; }
    std::list<std::string> GetMissingFiles() const { return missingFiles; }

private:
    bool allPresent = true;
    std::list<std::string> missingFiles;
};

class CSeekForFresherFilesVisitor : public SSetupVisitor::CVisitorDefault {
public:
    struct CFresherFile {
        std::string packagePath;
        std::string packageVersion;
        std::string installedVersion;
    };

    std::list<CFresherFile> GetFresherFiles() const { return fresherFiles; }

    std::list<CFresherFile> fresherFiles;
    unsigned comparedCount = 0;
};

} // namespace SSetupVisitors

#include "app/NodeAccessNotice.h"

#include <cstdlib>
#include <string_view>

#include "platform/Doctor.h"
#include "platform/KeyboardAccess.h"

namespace app {

NodeAccessNotice::NodeAccessNotice(std::filesystem::path devFolder, Probe probe,
                                   std::function<bool()> connected,
                                   std::function<void(const QString&)> tell, int settleMs,
                                   QObject* parent)
    : QObject(parent), devFolder_(std::move(devFolder)), probe_(std::move(probe)),
      connected_(std::move(connected)), tell_(std::move(tell)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, &NodeAccessNotice::Look);
    // A burst of changes (one keyboard brings several nodes) is looked at once, settled.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!told_)
            settle_.start();
    });
}

NodeAccessNotice::Probe NodeAccessNotice::SystemProbe() {
    return []() -> std::string {
        // Run against the virtual keyboard, the real one's nodes are none of the user's
        // concern.
        if (const char* backend = std::getenv("OLVASK_BACKEND");
            backend && std::string_view(backend) == "sim")
            return {};
        const platform::DoctorFacts facts = platform::FactsFromEnvironment();
        return platform::BlockedKeyboardAdvice(facts, platform::ProbeKeyboardAccess(facts.root));
    };
}

void NodeAccessNotice::Start() {
    watcher_.addPath(QString::fromStdString(devFolder_.string()));
    settle_.start();
}

void NodeAccessNotice::Look() {
    if (told_ || connected_())
        return;
    const std::string advice = probe_();
    if (advice.empty())
        return;
    told_ = true;
    watcher_.removePaths(watcher_.directories());
    tell_(QString::fromStdString(advice));
}

} // namespace app

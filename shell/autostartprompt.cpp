#include "shell/autostartprompt.h"

#include "device/device.h"
#include "device/text.h"

#include <cstdio>

namespace hv::shell {

AutostartOutcome offerDaemonAtLogin(dev::MessageBoxes& boxes, const dev::SessionPlaces& places,
                                    const std::filesystem::path& daemon,
                                    const std::filesystem::path& root,
                                    const dev::SystemctlRunner& systemctl) {
    if (dev::daemonAtLogin(places) != dev::DaemonAtLogin::Nowhere ||
        dev::daemonAtLoginAsked(places))
        return AutostartOutcome::NotAsked;
    const dev::MbResult answer =
        boxes.show(u"Horavel", kAutostartQuestion, dev::MbIcon::Question, dev::MbButtons::YesNo);
    // Asked is asked: a "No" is not asked again, nor is a "Yes" that could not be carried out
    // (the error says what to mend).
    if (!dev::markDaemonAtLoginAsked(places))
        std::fprintf(stderr, "Horavel: cannot remember the answer in %s\n",
                     (places.configHome / "horavel").c_str());
    if (answer != dev::MbResult::Yes)
        return AutostartOutcome::Declined;
    const std::string problem = dev::startDaemonAtLogin(places, daemon, root, systemctl);
    if (problem.empty())
        return AutostartOutcome::Enabled;
    std::fprintf(stderr, "Horavel: reminders after a restart: %s\n", problem.c_str());
    boxes.show(u"Horavel", std::u16string(kAutostartFailed) + u": " + dev::fromUtf8(problem),
               dev::MbIcon::Error, dev::MbButtons::Ok);
    return AutostartOutcome::Failed;
}

} // namespace hv::shell

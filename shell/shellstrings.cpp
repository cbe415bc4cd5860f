#include "shell/shellstrings.h"

#include "astro/moon.h"
#include "shellcore/shellcore.h"
#include "shellcore/statusbar.h"
#include "toolkit/window/strings.h"

#include <iterator>

namespace hv::shell {

void registerShellStrings() {
    static const tk::StringResource table[] = {
        {kStrTitle, u"Horavel"},
        {kStrClassName, u"HORAVEL"},
        {kStrOptions, u"Options"},
        {kStrView, u"View"},
        {kStrViewList, kViewList},
        {kStrStatusKinds, kStatusKindList},
        {kStrSystemDateTime, u"System Date && Time"},
    };
    static const bool once = [] {
        astro::registerMoonStrings();
        tk::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

} // namespace hv::shell

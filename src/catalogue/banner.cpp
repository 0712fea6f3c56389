#include "catalogue/banner.h"

#include "arvex/config.h"

namespace catalogue {
namespace {

std::string buildWelcomeBanner() {
    const std::string rule(34, '-');
    const std::string lines[] = {
        rule,
        " Welcome to ONLINE UPDATER v1.2.7",
        rule,
        "",
        "Use this software for update/repair your ARVEX products.",
        "If you have any problem or doubt, contact us in our official forum",
        "",
        std::string("FORUM : ") + arvex::config::kForumUrl,
        "",
        rule,
        "",
    };
    std::string banner;
    for (const std::string& line : lines) banner += line + "\r\n";
    return banner;
}

}  // namespace

// Built before main(), like the other catalogue tables.
const std::string welcomeBanner = buildWelcomeBanner();

}  // namespace catalogue

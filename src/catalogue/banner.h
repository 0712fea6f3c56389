// The text the log pane shows at start and whenever no product is selected.
#pragma once

#include <string>

namespace catalogue {

extern const std::string welcomeBanner;

}  // namespace catalogue

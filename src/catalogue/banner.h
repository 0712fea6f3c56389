// The text the log pane shows at start and whenever no product is selected.
#pragma once

#include <string>

namespace Global {

extern const std::string welcomeBanner;

}  // namespace Global

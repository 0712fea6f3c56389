// The countries offered by the registration form: names as shown, and the ISO 3166-1 alpha-2 code sent
// for the name at the same index.
#pragma once

#include <array>
#include <string>

namespace catalogue {

inline constexpr int countryCount = 246;

extern const std::array<std::string, countryCount> countryNames;
extern const std::array<std::string, countryCount> countryCodes;

}  // namespace catalogue

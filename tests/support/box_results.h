// The box side's results in a failed expectation: their numbers, as the log lines and arvex-cli show them,
// instead of the object bytes that gtest prints for a scoped enum.
#pragma once

#include <ostream>
#include <type_traits>

#include "base/result.h"
#include "bootloader/session.h"

namespace testing_support {

template <class Enum>
concept ScopedEnum = std::is_enum_v<Enum> && !std::is_convertible_v<Enum, int>;

template <ScopedEnum Enum>
void PrintTo(const Enum& value, std::ostream* out) {
    *out << base::code(value);
}

}  // namespace testing_support

// gtest finds PrintTo next to the type: every scoped enum of these namespaces prints as its number.
namespace bootloader {
using testing_support::PrintTo;
inline void PrintTo(const StartOutcome& outcome, std::ostream* out) {
    *out << "start " << base::code(outcome.start) << ", ran here " << outcome.ranHere;
}
}  // namespace bootloader

namespace hid {
using testing_support::PrintTo;
}  // namespace hid

namespace crypto {
using testing_support::PrintTo;
}  // namespace crypto

namespace app {
using testing_support::PrintTo;
}  // namespace app

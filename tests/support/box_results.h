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
void printResult(const Enum& value, std::ostream* out) {
    *out << base::code(value);
}

}  // namespace testing_support

// gtest finds PrintTo next to the type: one for every scoped enum of each namespace.
namespace bootloader {
template <testing_support::ScopedEnum Enum>
void PrintTo(const Enum& value, std::ostream* out) {
    testing_support::printResult(value, out);
}
inline void PrintTo(const StartOutcome& outcome, std::ostream* out) {
    *out << "start " << base::code(outcome.start) << ", ran here " << outcome.ranHere;
}
}  // namespace bootloader

namespace hid {
template <testing_support::ScopedEnum Enum>
void PrintTo(const Enum& value, std::ostream* out) {
    testing_support::printResult(value, out);
}
}  // namespace hid

namespace crypto {
template <testing_support::ScopedEnum Enum>
void PrintTo(const Enum& value, std::ostream* out) {
    testing_support::printResult(value, out);
}
}  // namespace crypto

namespace app {
template <testing_support::ScopedEnum Enum>
void PrintTo(const Enum& value, std::ostream* out) {
    testing_support::printResult(value, out);
}
}  // namespace app

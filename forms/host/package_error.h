// HII packages and package lists are outside data: one that breaks its encoding
// is refused with what is wrong and the byte where it breaks.
#pragma once

#include <stdexcept>
#include <string>

namespace forms {

struct PackageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct FormPackageError : PackageError {
  using PackageError::PackageError;
};

// "WHAT, byte AT: DETAIL", the shape of every refusal.
[[noreturn]] inline void RefusePackage(const char *what, size_t at, const std::string &detail) {
  throw PackageError(std::string(what) + ", byte " + std::to_string(at) + ": " + detail);
}

}  // namespace forms

#pragma once

#include <string>

namespace kinetra::installer {

// Compares two dotted version strings such as "1.2.0.3": 1 when `a` is the
// greater, 2 when it is the smaller, 0 when equal, -1 when either is empty.
// At most four numbers are compared. A string that runs out of dots keeps
// giving the number it ends with, so "1.2" is greater than "1.2.0.0" (its
// 2 meets their third number, 0).
int CompareVersions(const std::string& a, const std::string& b);

} // namespace kinetra::installer

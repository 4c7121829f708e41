#pragma once
// tarnwick-cli --list: the names that a listing of the connection returns, one a line.

#include "app/TestRun.h"

#include <iosfwd>
#include <string>

namespace tarnwick::app::cli {

// "accounts", "disks", "namespaces" or "classes".
bool IsListingName(const std::string& name);

// Connects as the test run does (port check included) and writes each name of the
// listing and a line break to `out`. Throws tarnwick::Exception when it fails.
void RunListing(const std::string& listing, const TRunInputs& inputs, std::ostream& out);

} // namespace tarnwick::app::cli

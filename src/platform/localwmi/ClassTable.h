#pragma once
// The table of every class the local computer answers, built once on first use.

#include "platform/localwmi/Schema.h"

namespace tarnwick::localwmi {

const std::vector<std::unique_ptr<TClassDef>>& ClassTable();

} // namespace tarnwick::localwmi

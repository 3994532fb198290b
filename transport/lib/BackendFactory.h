#pragma once

#include <memory>
#include <string>

#include "lib/Backend.h"

namespace olvask {

// The backend named by OLVASK_BACKEND: "hidraw" (also when unset) or "sim". Nothing for any
// other name; *name receives the name asked for.
std::unique_ptr<Backend> BackendFromEnvironment(std::string* name);

} // namespace olvask

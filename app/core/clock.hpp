// What time it is. Stores take a Clock so that tests can fix it.
#pragma once

#include <functional>

#include "support/date.hpp"

namespace talewick {

using Clock = std::function<Date()>;

// The system's wall clock.
Date systemNow();

}  // namespace talewick

#pragma once

// The profile store in words: its header, every key entry that differs from the default,
// every macro with its actions.

#include <string>

namespace cli {

// The store's content, under the profile lock; header fields as loaded from the file.
std::string DescribeStore();

} // namespace cli

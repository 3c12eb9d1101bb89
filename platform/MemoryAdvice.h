#pragma once

#include <cstddef>

namespace veltrane {

// Asks for huge pages behind a large buffer that is about to be filled: a day's recording then
// costs a few hundred page faults instead of some 35,000. Only the whole huge pages inside the
// buffer are concerned; where the system has no such advice, or refuses it, nothing changes.
void AdviseHugePages(void* data, std::size_t bytes);

} // namespace veltrane

#include "support/UiPump.h"

namespace vorn::test {

// GTK's timers are sources of the main loop that the toolkit's yield runs.
void DispatchSystemTimers() {}

}  // namespace vorn::test

#pragma once
// Everything the module keeps for the whole process, and the one call that
// puts all of it back as at the loading of the library.

namespace pcp {

// Clears the module context and register state, the voucher window and the
// line dialog's kept numbers, the help file, the recorded
// errors, the registry's overrides, the message presenter, the modal hook,
// the hourglass and the count of live objects.
void ResetModuleState();

}  // namespace pcp

#ifndef QUORVEL_FUZZ_SANDBOX_H_
#define QUORVEL_FUZZ_SANDBOX_H_

namespace quorvel {
namespace fuzz {

// Keeps hostile input away from the real desktop session of the machine that
// runs it: no X display, a system bus address that leads nowhere (so
// "lockScreen" cannot reach logind), `loginctl` and `xdg-open` replaced by
// stubs first on PATH (`false` and `true`), and an in-memory settings
// backend. Changes this process's environment for good; the stub directory
// is removed at exit. Returns false when the stubs could not be made, in
// which case the caller must not send anything to the plugin.
bool IsolateFromSession();

}  // namespace fuzz
}  // namespace quorvel

#endif  // QUORVEL_FUZZ_SANDBOX_H_

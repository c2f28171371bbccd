#ifndef QUORVEL_BACKEND_X11_SPARE_KEYCODES_H_
#define QUORVEL_BACKEND_X11_SPARE_KEYCODES_H_

#include <X11/Xlib.h>

#include <chrono>
#include <vector>

namespace quorvel {
namespace x11 {

// Keycodes without symbols that typing borrows for characters no key
// produces, and what it put on each.
class SparePool {
 public:
  using Clock = std::chrono::steady_clock;

  // Clients read a changed keyboard map lazily, when they next handle a
  // key; a keycode given another symbol before a client has caught up with
  // the previous one types the new symbol in its place. Chromium's remoting
  // host waits this long before reusing a keycode; so does this pool.
  static constexpr std::chrono::milliseconds kSettleTime{200};

  struct Key {
    KeyCode keycode = 0;
    // What the pool put on the keycode (levels 1 and 2); NoSymbol while it
    // has put nothing there.
    KeySym level1 = NoSymbol;
    KeySym level2 = NoSymbol;
    Clock::time_point last_used;

    bool mapped() const { return level1 != NoSymbol; }
  };

  // Starts over with the keycodes free on the current map, in order of
  // preference, each with what the pool's records say it still carries
  // (see Find). Times of use carry over for keycodes the pool knew.
  void Reset(std::vector<Key> keys);

  // The keycode for the symbols `level1` and `level2`: the one that already
  // carries them, else the free keycode used least recently and not within
  // kSettleTime. Records the use at `now`; sets `needs_mapping` when the
  // caller must put the symbols on the keycode. 0 when none can be taken.
  KeyCode Take(KeySym level1,
               KeySym level2,
               Clock::time_point now,
               bool* needs_mapping);

  // The pool's record of `keycode`, null when it is not a spare.
  const Key* Find(KeyCode keycode) const;
  // True when the pool has put symbols on `keycode`.
  bool Carries(KeyCode keycode) const;
  // The keycode the pool put `keysym` on, at level 1 before level 2; 0 when
  // none carries it.
  KeyCode Carrying(KeySym keysym) const;

  const std::vector<Key>& keys() const { return keys_; }
  // Marks every keycode as carrying nothing (after they were restored).
  void ForgetMappings();
  void Clear() { keys_.clear(); }

 private:
  std::vector<Key> keys_;
};

}  // namespace x11
}  // namespace quorvel

#endif  // QUORVEL_BACKEND_X11_SPARE_KEYCODES_H_

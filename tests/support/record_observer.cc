#include "support/record_observer.h"

#include <unistd.h>

#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <poll.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <sstream>

namespace quorvel {
namespace testing {
namespace {

// A guard against a server that stopped answering, not a performance bound.
constexpr auto kDrainTimeout = std::chrono::seconds(30);

// Minor opcodes of the extension requests recorded.
constexpr int kXTestFakeInput = 2;
constexpr int kXFixesHideCursor = 29;
constexpr int kXFixesShowCursor = 30;

struct RangeDeleter {
  void operator()(XRecordRange* range) const { XFree(range); }
};
using RangePtr = std::unique_ptr<XRecordRange, RangeDeleter>;

const char* EventName(int type) {
  switch (type) {
    case KeyPress:
      return "KeyPress";
    case KeyRelease:
      return "KeyRelease";
    case ButtonPress:
      return "ButtonPress";
    case ButtonRelease:
      return "ButtonRelease";
    case MotionNotify:
      return "MotionNotify";
    default:
      return "?";
  }
}

// Request fields arrive in the sending client's byte order.
class RequestReader {
 public:
  RequestReader(const unsigned char* data, size_t size, bool swapped)
      : data_(data), size_(size), swapped_(swapped) {}

  unsigned Card8(size_t offset) const {
    return offset < size_ ? data_[offset] : 0;
  }
  unsigned Card16(size_t offset) const {
    if (offset + 2 > size_) {
      return 0;
    }
    uint16_t value;
    memcpy(&value, data_ + offset, 2);
    return swapped_ ? __builtin_bswap16(value) : value;
  }
  int Int16(size_t offset) const {
    return static_cast<int16_t>(static_cast<uint16_t>(Card16(offset)));
  }
  unsigned long Card32(size_t offset) const {
    if (offset + 4 > size_) {
      return 0;
    }
    uint32_t value;
    memcpy(&value, data_ + offset, 4);
    return swapped_ ? __builtin_bswap32(value) : value;
  }

 private:
  const unsigned char* data_;
  size_t size_;
  bool swapped_;
};

}  // namespace

struct RecordObserver::State {
  ~State() {
    if (context) {
      XRecordDisableContext(control, context);
      XRecordFreeContext(control, context);
      XSync(control, False);
    }
    if (data) {
      XCloseDisplay(data);
    }
    if (control) {
      XCloseDisplay(control);
    }
  }

  static void OnIntercept(XPointer closure, XRecordInterceptData* intercept) {
    reinterpret_cast<State*>(closure)->Take(*intercept);
    XRecordFreeData(intercept);
  }

  void Take(const XRecordInterceptData& intercept) {
    if (intercept.category == XRecordStartOfData) {
      ready = true;
      return;
    }
    const size_t size = static_cast<size_t>(intercept.data_len) * 4;
    if (intercept.category == XRecordFromServer && size >= sizeof(xEvent)) {
      TakeEvent(*reinterpret_cast<const xEvent*>(intercept.data));
    } else if (intercept.category == XRecordFromClient) {
      TakeRequest(RequestReader(intercept.data, size, intercept.client_swapped),
                  intercept.id_base, intercept.server_time);
    }
  }

  void TakeEvent(const xEvent& event) {
    const int type = event.u.u.type & 0x7f;
    if (type < KeyPress || type > MotionNotify) {
      return;
    }
    XRecordEntry entry;
    entry.kind = XRecordEntry::Kind::kEvent;
    entry.name = EventName(type);
    entry.detail = event.u.u.detail;
    entry.x = event.u.keyButtonPointer.rootX;
    entry.y = event.u.keyButtonPointer.rootY;
    entry.server_time = event.u.keyButtonPointer.time;
    entries.push_back(entry);
  }

  void TakeRequest(const RequestReader& request,
                   unsigned long client,
                   unsigned long server_time) {
    const int major = static_cast<int>(request.Card8(0));
    const int minor = static_cast<int>(request.Card8(1));
    if (major == X_NoOperation) {
      if (client == control_base) {
        ++markers_seen;
      } else {
        last_foreign_marker = client;
      }
      return;
    }
    XRecordEntry entry;
    entry.client = client;
    entry.server_time = server_time;
    if (major == X_ChangeWindowAttributes) {
      entry.name = "ChangeWindowAttributes";
      entry.window = request.Card32(4);
      entry.mask = request.Card32(8);
      if (entry.mask & CWCursor) {
        // Values follow in the order of the mask bits.
        const int index = __builtin_popcountl(entry.mask & (CWCursor - 1));
        entry.cursor = request.Card32(12 + 4 * static_cast<size_t>(index));
      }
    } else if (major == X_WarpPointer) {
      entry.name = "WarpPointer";
      entry.window = request.Card32(8);
      entry.x = request.Int16(20);
      entry.y = request.Int16(22);
    } else if (major == X_CreatePixmap) {
      entry.name = "CreatePixmap";
      entry.pixmap = request.Card32(4);
    } else if (major == X_FreePixmap) {
      entry.name = "FreePixmap";
      entry.pixmap = request.Card32(4);
    } else if (major == X_CreateCursor) {
      entry.name = "CreateCursor";
      entry.cursor = request.Card32(4);
      entry.pixmap = request.Card32(8);
      entry.mask = request.Card32(12);
    } else if (major == X_FreeCursor) {
      entry.name = "FreeCursor";
      entry.cursor = request.Card32(4);
    } else if (major == xtest_opcode && minor == kXTestFakeInput) {
      entry.name = "XTestFakeInput";
      entry.fake_type = EventName(static_cast<int>(request.Card8(4) & 0x7f));
      entry.detail = request.Card8(5);
      entry.delay = static_cast<unsigned>(request.Card32(8));
      entry.window = request.Card32(12);
      entry.x = request.Int16(24);
      entry.y = request.Int16(26);
    } else if (major == xfixes_opcode && minor == kXFixesHideCursor) {
      entry.name = "XFixesHideCursor";
      entry.window = request.Card32(4);
    } else if (major == xfixes_opcode && minor == kXFixesShowCursor) {
      entry.name = "XFixesShowCursor";
      entry.window = request.Card32(4);
    } else {
      return;
    }
    entries.push_back(entry);
  }

  // Reads the data connection until `done` holds. False if the server
  // stopped answering.
  bool DrainUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kDrainTimeout;
    const int fd = ConnectionNumber(data);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      // Reads what is available without blocking and runs OnIntercept.
      XRecordProcessReplies(data);
      if (done()) {
        break;
      }
      pollfd pfd = {fd, POLLIN, 0};
      poll(&pfd, 1, 50);
    }
    return true;
  }

  Display* control = nullptr;
  Display* data = nullptr;
  XRecordContext context = 0;
  unsigned long control_base = 0;
  unsigned long last_foreign_marker = 0;
  int xtest_opcode = -1;
  int xfixes_opcode = -1;
  bool ready = false;
  int markers_sent = 0;
  int markers_seen = 0;
  std::vector<XRecordEntry> entries;
};

RecordObserver::RecordObserver(std::unique_ptr<State> state)
    : state_(std::move(state)) {}

RecordObserver::~RecordObserver() = default;

std::unique_ptr<RecordObserver> RecordObserver::Start(
    const std::string& display_name,
    std::string* error) {
  std::string ignored;
  std::string& why = error ? *error : ignored;
  auto state = std::make_unique<State>();
  state->control = XOpenDisplay(display_name.c_str());
  state->data = XOpenDisplay(display_name.c_str());
  if (!state->control || !state->data) {
    why = "cannot open " + display_name;
    return nullptr;
  }
  int major = 0;
  int minor = 0;
  if (!XRecordQueryVersion(state->control, &major, &minor)) {
    why = "no RECORD extension";
    return nullptr;
  }
  int first_event = 0;
  int first_error = 0;
  XQueryExtension(state->control, "XTEST", &state->xtest_opcode, &first_event,
                  &first_error);
  XQueryExtension(state->control, "XFIXES", &state->xfixes_opcode, &first_event,
                  &first_error);

  // One range holds one core-request range and one extension-request range.
  struct CoreAndExtension {
    int core_first, core_last, ext_major, ext_minor_first, ext_minor_last;
  };
  const CoreAndExtension wanted[] = {
      {X_ChangeWindowAttributes, X_ChangeWindowAttributes, state->xtest_opcode,
       kXTestFakeInput, kXTestFakeInput},
      {X_WarpPointer, X_WarpPointer, state->xfixes_opcode, kXFixesHideCursor,
       kXFixesShowCursor},
      {X_CreatePixmap, X_FreePixmap, -1, 0, 0},
      {X_CreateCursor, X_FreeCursor, -1, 0, 0},
      {X_NoOperation, X_NoOperation, -1, 0, 0},
  };
  std::vector<RangePtr> ranges;
  for (const CoreAndExtension& want : wanted) {
    RangePtr range(XRecordAllocRange());
    if (!range) {
      why = "XRecordAllocRange failed";
      return nullptr;
    }
    range->core_requests.first = static_cast<unsigned char>(want.core_first);
    range->core_requests.last = static_cast<unsigned char>(want.core_last);
    if (want.ext_major > 0) {
      range->ext_requests.ext_major.first =
          static_cast<unsigned char>(want.ext_major);
      range->ext_requests.ext_major.last =
          static_cast<unsigned char>(want.ext_major);
      range->ext_requests.ext_minor.first =
          static_cast<unsigned short>(want.ext_minor_first);
      range->ext_requests.ext_minor.last =
          static_cast<unsigned short>(want.ext_minor_last);
    }
    ranges.push_back(std::move(range));
  }
  ranges.front()->device_events.first = KeyPress;
  ranges.front()->device_events.last = MotionNotify;

  std::vector<XRecordRange*> raw_ranges;
  for (const RangePtr& range : ranges) {
    raw_ranges.push_back(range.get());
  }
  XRecordClientSpec clients = XRecordAllClients;
  state->context = XRecordCreateContext(state->control, XRecordFromServerTime,
                                        &clients, 1, raw_ranges.data(),
                                        static_cast<int>(raw_ranges.size()));
  XSync(state->control, False);
  if (!state->context) {
    why = "XRecordCreateContext failed";
    return nullptr;
  }
  if (!XRecordEnableContextAsync(state->data, state->context,
                                 &State::OnIntercept,
                                 reinterpret_cast<XPointer>(state.get()))) {
    why = "XRecordEnableContextAsync failed";
    return nullptr;
  }
  // Anything sent before StartOfData would be lost.
  State* raw = state.get();
  if (!state->DrainUntil([raw] { return raw->ready; })) {
    why = "RECORD context never started";
    return nullptr;
  }
  std::unique_ptr<RecordObserver> observer(
      new RecordObserver(std::move(state)));
  raw->control_base = observer->ClientIdBase(raw->control);
  return observer;
}

std::vector<XRecordEntry> RecordObserver::Collect(Display* sender) {
  State* state = state_.get();
  if (sender) {
    XSync(sender, False);
  }
  XNoOp(state->control);
  // The reply to the sync makes the server flush the recorded data too.
  XSync(state->control, False);
  const int marker = ++state->markers_sent;
  state->DrainUntil([state, marker] { return state->markers_seen >= marker; });
  std::vector<XRecordEntry> entries;
  entries.swap(state->entries);
  return entries;
}

std::vector<XRecordEntry> RecordObserver::CollectAtLeast(size_t count) {
  // Long enough for a loaded machine; only a request never sent waits it out.
  constexpr int kAttempts = 250;
  constexpr useconds_t kPauseUs = 20 * 1000;
  std::vector<XRecordEntry> entries;
  size_t requests = 0;
  for (int i = 0; i <= kAttempts && requests < count; ++i) {
    if (i > 0) {
      usleep(kPauseUs);
    }
    for (XRecordEntry& entry : Collect()) {
      requests += entry.kind == XRecordEntry::Kind::kRequest ? 1 : 0;
      entries.push_back(std::move(entry));
    }
  }
  // The events those requests generated may come in the next batch; the
  // server made them before this marker.
  for (XRecordEntry& entry : Collect()) {
    entries.push_back(std::move(entry));
  }
  return entries;
}

unsigned long RecordObserver::ClientIdBase(Display* display) {
  State* state = state_.get();
  state->last_foreign_marker = 0;
  XNoOp(display);
  XSync(display, False);
  // While Start() asks this for the control connection itself, its id is
  // still 0, so its marker counts as foreign too.
  state->DrainUntil([state] { return state->last_foreign_marker != 0; });
  return state->last_foreign_marker;
}

std::string XRecordEntry::ToString() const {
  std::ostringstream out;
  out << (kind == Kind::kEvent ? "EV " : "RQ ") << name;
  if (name == "XTestFakeInput") {
    out << " type=" << fake_type << " detail=" << detail << " delay=" << delay
        << " x=" << x << " y=" << y;
  } else if (kind == Kind::kEvent) {
    out << " detail=" << detail << " root=" << x << "," << y
        << " time=" << server_time;
  } else if (name == "WarpPointer") {
    out << " dst=0x" << std::hex << window << std::dec << " x=" << x
        << " y=" << y;
  } else if (name == "ChangeWindowAttributes") {
    out << std::hex << " window=0x" << window << " mask=0x" << mask
        << " cursor=0x" << cursor;
  } else if (name == "CreateCursor") {
    out << std::hex << " cursor=0x" << cursor << " source=0x" << pixmap
        << " mask=0x" << mask;
  } else if (name == "FreeCursor") {
    out << std::hex << " cursor=0x" << cursor;
  } else if (name == "CreatePixmap" || name == "FreePixmap") {
    out << std::hex << " pixmap=0x" << pixmap;
  } else {
    out << std::hex << " window=0x" << window;
  }
  if (kind == Kind::kRequest) {
    out << std::hex << " client=0x" << client;
  }
  return out.str();
}

std::string ToString(const std::vector<XRecordEntry>& entries) {
  std::string text;
  for (const XRecordEntry& entry : entries) {
    text += entry.ToString() + "\n";
  }
  return text;
}

std::vector<XRecordEntry> Named(const std::vector<XRecordEntry>& entries,
                                const std::string& name) {
  std::vector<XRecordEntry> named;
  for (const XRecordEntry& entry : entries) {
    if (entry.name == name) {
      named.push_back(entry);
    }
  }
  return named;
}

std::vector<XRecordEntry> Requests(const std::vector<XRecordEntry>& entries) {
  std::vector<XRecordEntry> requests;
  for (const XRecordEntry& entry : entries) {
    if (entry.kind == XRecordEntry::Kind::kRequest) {
      requests.push_back(entry);
    }
  }
  return requests;
}

}  // namespace testing
}  // namespace quorvel
